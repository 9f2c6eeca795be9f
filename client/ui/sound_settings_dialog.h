// "Sounds": which events play a sound, and one choice for none at all.
// OK keeps the choices in quenlo.ini; Cancel changes nothing.
#pragma once

#include <QDialog>
#include <array>

#include "sound_cues.h"

class QCheckBox;
#include "printer.h"

struct SettingsState;

class SoundSettingsDialog final : public QDialog {
public:
    SoundSettingsDialog(const Printer& out, SettingsState& settings, QWidget* parent);

    QCheckBox* AllBox() const { return all_; }
    QCheckBox* EventBox(SoundEvent event) const { return events_[static_cast<std::size_t>(event)]; }

    void accept() override;

private:
    Printer out_;
    SettingsState& settings_;
    QCheckBox* all_;
    std::array<QCheckBox*, kSoundEventCount> events_{};
};
