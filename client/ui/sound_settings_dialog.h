// "Sounds": which events play a sound, and one choice for none at all.
// OK keeps the choices in quenlo.ini; Cancel changes nothing.
#pragma once

#include <QDialog>
#include <array>

#include "sound_cues.h"

class QCheckBox;
struct ClientContext;

class SoundSettingsDialog final : public QDialog {
public:
    SoundSettingsDialog(ClientContext& ctx, QWidget* parent);

    QCheckBox* AllBox() const { return all_; }
    QCheckBox* EventBox(SoundEvent event) const { return events_[static_cast<std::size_t>(event)]; }

    void accept() override;

private:
    ClientContext& ctx_;
    QCheckBox* all_;
    std::array<QCheckBox*, kSoundEventCount> events_{};
};
