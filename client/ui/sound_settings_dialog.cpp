#include "sound_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "app_settings.h"
#include "settings_state.h"
#include "output.h"

SoundSettingsDialog::SoundSettingsDialog(const Printer& out, SettingsState& settings, QWidget* parent)
    : QDialog(parent), out_(out), settings_(settings)
{
    setWindowTitle(QStringLiteral("Sounds"));
    setModal(true);
    const SoundChoices& choices = settings.app.sounds;
    auto* layout = new QVBoxLayout(this);
    all_ = new QCheckBox(QStringLiteral("&Play sounds"), this);
    all_->setChecked(choices.enabled);
    layout->addWidget(all_);
    auto* events = new QVBoxLayout;
    events->setContentsMargins(20, 0, 0, 0);  // under the choice they depend on
    for (std::size_t i = 0; i < kSoundEventCount; ++i) {
        events_[i] = new QCheckBox(QString::fromUtf8(SoundEventLabel(static_cast<SoundEvent>(i))), this);
        events_[i]->setChecked(choices.events[i]);
        events_[i]->setEnabled(choices.enabled);
        events->addWidget(events_[i]);
        QObject::connect(all_, &QCheckBox::toggled, events_[i], &QWidget::setEnabled);
    }
    layout->addLayout(events);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] { accept(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
}

void SoundSettingsDialog::accept()
{
    SoundChoices& choices = settings_.app.sounds;
    choices.enabled = all_->isChecked();
    for (std::size_t i = 0; i < kSoundEventCount; ++i)
        choices.events[i] = events_[i]->isChecked();
    // The choices hold for this run all the same.
    if (const std::string why = SaveAppSettings(settings_.profile, settings_.app); !why.empty())
        PrintLine(out_, std::string("Could not save ") + kAppSettingsFile + " (" + why + ").");
    QDialog::accept();
}
