#include "settings_edits.h"

#include "settings_state.h"
#include "session_state.h"
#include "connection.h"
#include "decimal_text.h"
#include "password_keeping.h"
#include "settings_files.h"
#include "settings_store.h"

UserConfigValues ReadUserConfig(const UserInfo& info)
{
    UserConfigValues values;
    values.screenName = FieldText(info.screenName);
    values.password = FieldText(info.password);
    values.oscarServer = FieldText(info.oscarServer);
    values.oscarPort = std::to_string(info.oscarPort);
    values.tocServer = FieldText(info.tocServer);
    values.tocPort = std::to_string(info.tocPort);
    values.userProfile = FieldText(info.userProfile);
    values.logPath = FieldText(info.logPath);
    values.logToFile = info.logToFile != 0;
    values.timestamp = info.timestamp != 0;
    return values;
}

void ApplyUserConfig(const Printer& out, SessionState& session, SettingsState& settings, const UserConfigValues& values)
{
    UserInfo& info = settings.userInfo;
    SetFieldText(info.screenName, values.screenName);
    SetFieldText(info.password, values.password);
    SetFieldText(info.oscarServer, values.oscarServer);
    info.oscarPort = LeadingDecimal(std::string_view(values.oscarPort).substr(0, kMaxPortText));
    SetFieldText(info.tocServer, values.tocServer);
    info.tocPort = LeadingDecimal(std::string_view(values.tocPort).substr(0, kMaxPortText));
    SetFieldText(info.userProfile, values.userProfile);
    SetFieldText(info.logPath, values.logPath);
    info.logToFile = values.logToFile ? 1 : 0;
    info.timestamp = values.timestamp ? 1 : 0;
    const bool wasInKeyring = settings.app.passwordInKeyring;
    ChooseKeyring(out, settings, values.passwordInKeyring);
    const bool saved = SaveUserInfoNow(out, settings);
    SyncKeyringPassword(out, settings, wasInKeyring, saved);
    ReinitConnection(out, session, settings);
}
