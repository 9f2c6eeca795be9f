#include "app_settings.h"

#include <algorithm>

#include <QSettings>
#include <QString>

namespace {

QString IniPath(const Profile& profile)
{
    return QString::fromLocal8Bit(profile.File(kAppSettingsFile).c_str());
}

const QString kKeyringKey = QStringLiteral("password/in_keyring");
const QString kSoundsKey = QStringLiteral("sounds/enabled");
const QString kReportIdleKey = QStringLiteral("presence/report_idle");
const QString kIdleMinutesKey = QStringLiteral("presence/idle_minutes");
const QString kShowOfflineKey = QStringLiteral("presence/show_offline");

QString EventKey(SoundEvent event)
{
    return QStringLiteral("sounds/") + QString::fromLatin1(SoundEventKey(event));
}

}  // namespace

AppSettings LoadAppSettings(const Profile& profile)
{
    const QSettings ini(IniPath(profile), QSettings::IniFormat);
    AppSettings settings;
    settings.passwordInKeyring = ini.value(kKeyringKey, settings.passwordInKeyring).toBool();
    settings.sounds.enabled = ini.value(kSoundsKey, settings.sounds.enabled).toBool();
    for (std::size_t i = 0; i < kSoundEventCount; ++i) {
        const auto event = static_cast<SoundEvent>(i);
        settings.sounds.events[i] = ini.value(EventKey(event), settings.sounds.events[i]).toBool();
    }
    PresenceSettings& presence = settings.presence;
    presence.reportIdle = ini.value(kReportIdleKey, presence.reportIdle).toBool();
    bool number = false;
    const int minutes = ini.value(kIdleMinutesKey, presence.idleMinutes).toInt(&number);
    if (number)
        presence.idleMinutes = std::clamp(minutes, 1, 24 * 60);
    presence.showOffline = ini.value(kShowOfflineKey, presence.showOffline).toBool();
    return settings;
}

std::string SaveAppSettings(const Profile& profile, const AppSettings& settings)
{
    QSettings ini(IniPath(profile), QSettings::IniFormat);
    ini.setValue(kKeyringKey, settings.passwordInKeyring);
    ini.setValue(kSoundsKey, settings.sounds.enabled);
    for (std::size_t i = 0; i < kSoundEventCount; ++i)
        ini.setValue(EventKey(static_cast<SoundEvent>(i)), settings.sounds.events[i]);
    ini.setValue(kReportIdleKey, settings.presence.reportIdle);
    ini.setValue(kIdleMinutesKey, settings.presence.idleMinutes);
    ini.setValue(kShowOfflineKey, settings.presence.showOffline);
    ini.sync();
    switch (ini.status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return "it cannot be written";
    case QSettings::FormatError:
        return "it is not an INI file";
    }
    return "it cannot be written";
}
