#include "presence_settings.h"

#include <algorithm>

#include <QSettings>
#include <QString>

namespace {

QString Path(const std::string& iniPath)
{
    return QString::fromLocal8Bit(iniPath.data(), static_cast<qsizetype>(iniPath.size()));
}

}  // namespace

PresenceSettings LoadPresenceSettings(const std::string& iniPath)
{
    PresenceSettings settings;
    const QSettings ini(Path(iniPath), QSettings::IniFormat);
    settings.reportIdle = ini.value("presence/report_idle", settings.reportIdle).toBool();
    bool number = false;
    const int minutes = ini.value("presence/idle_minutes", settings.idleMinutes).toInt(&number);
    if (number)
        settings.idleMinutes = std::clamp(minutes, 1, 24 * 60);
    settings.showOffline = ini.value("presence/show_offline", settings.showOffline).toBool();
    return settings;
}

bool SavePresenceSettings(const std::string& iniPath, const PresenceSettings& settings)
{
    QSettings ini(Path(iniPath), QSettings::IniFormat);
    ini.setValue("presence/report_idle", settings.reportIdle);
    ini.setValue("presence/idle_minutes", settings.idleMinutes);
    ini.setValue("presence/show_offline", settings.showOffline);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
