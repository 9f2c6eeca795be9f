#include "password_keeping.h"

#include "app_settings.h"
#include "settings_state.h"
#include "normalize_name.h"
#include "output.h"
#include "settings_store.h"
#include "visible_text.h"

namespace {

std::string Account(const SettingsState& settings)
{
    return NormalizeName(FieldText(settings.userInfo.screenName));
}

std::string Password(const SettingsState& settings)
{
    return std::string(FieldText(settings.userInfo.password));
}

bool KeyringHoldsPassword(const SettingsState& settings)
{
    return !settings.keyringAccount.empty() && settings.keyringAccount == Account(settings) &&
           settings.keyringPassword == Password(settings);
}

void StorePassword(const Printer& out, SettingsState& settings, bool announce)
{
    const std::string account = Account(settings);
    const std::string password = Password(settings);
    if (account.empty() || password.empty() || KeyringHoldsPassword(settings))
        return;
    settings.keyring.Write(account, password, [out, &settings, account, password, announce](const KeyringAnswer& answer) {
        if (answer.outcome != KeyringAnswer::Outcome::Done) {
            PrintLine(out, "The desktop keyring did not take the password (" + VisibleText(answer.error) +
                               "): it stays in userinfo.cfg.");
            return;
        }
        settings.keyringAccount = account;
        settings.keyringPassword = password;
        // Only now may the file's copy go, and only if nothing changed meanwhile.
        if (settings.app.passwordInKeyring && KeyringHoldsPassword(settings)) {
            SaveUserInfoNow(out, settings);
            if (announce)
                PrintLine(out, "The password is kept in the desktop keyring; userinfo.cfg no longer holds it.");
        }
    });
}

void FetchPassword(const Printer& out, SettingsState& settings)
{
    const std::string account = Account(settings);
    if (account.empty())
        return;
    settings.keyring.Read(account, [out, &settings, account](const KeyringAnswer& answer) {
        const std::string name = VisibleText(FieldText(settings.userInfo.screenName));
        if (answer.outcome == KeyringAnswer::Outcome::NotFound) {
            PrintLine(out, "The desktop keyring has no password for " + name +
                               " (or it is locked): type the password in User Configuration.");
            return;
        }
        if (answer.outcome != KeyringAnswer::Outcome::Done) {
            PrintLine(out, "Could not read the password from the desktop keyring (" + VisibleText(answer.error) +
                               "): type the password in User Configuration.");
            return;
        }
        // The user may have typed one meanwhile, or changed the name: theirs wins.
        if (Account(settings) != account || !Password(settings).empty())
            return;
        SetFieldText(settings.userInfo.password, answer.password);
        settings.keyringAccount = account;
        settings.keyringPassword = Password(settings);
    });
}

}  // namespace

void StartKeyringPassword(const Printer& out, SettingsState& settings)
{
    if (!settings.app.passwordInKeyring)
        return;
    if (Password(settings).empty())
        FetchPassword(out, settings);
    else
        StorePassword(out, settings, false);  // typed into an older build, or the keyring refused it last time
}

UserInfo RecordForFile(const SettingsState& settings)
{
    UserInfo record = settings.userInfo;
    if (settings.app.passwordInKeyring && !Password(settings).empty() && KeyringHoldsPassword(settings))
        SetFieldText(record.password, "");
    return record;
}

std::string ChooseKeyring(const Printer& out, SettingsState& settings, bool keep)
{
    AppSettings& app = settings.app;
    if (app.passwordInKeyring == keep)
        return {};
    app.passwordInKeyring = keep;
    std::string why = SaveAppSettings(settings.profile, app);
    if (!why.empty()) {
        // A choice that would not survive the run must not take the password out of the file.
        app.passwordInKeyring = !keep;
        PrintLine(out, std::string("Could not save ") + kAppSettingsFile + " (" + why +
                           "): the password stays where it was.");
    }
    return why;
}

void SyncKeyringPassword(const Printer& out, SettingsState& settings, bool wasChosen, bool saved)
{
    if (settings.app.passwordInKeyring) {
        StorePassword(out, settings, !wasChosen);
        return;
    }
    // Turned off: the keyring's copy goes once the file holds the password again.
    if (!wasChosen || !saved || Password(settings).empty() || settings.keyringAccount.empty())
        return;
    const std::string account = settings.keyringAccount;
    settings.keyringAccount.clear();
    settings.keyringPassword.clear();
    settings.keyring.Remove(account, [out](const KeyringAnswer& answer) {
        if (answer.outcome == KeyringAnswer::Outcome::Failed)
            PrintLine(out, "The desktop keyring kept its copy of the password (" + VisibleText(answer.error) + ").");
    });
    PrintLine(out, "The password is kept in userinfo.cfg again.");
}
