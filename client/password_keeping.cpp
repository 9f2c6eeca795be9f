#include "password_keeping.h"

#include "app_settings.h"
#include "client_context.h"
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

void StorePassword(ClientContext& ctx, bool announce)
{
    SettingsState& settings = ctx.settings;
    const std::string account = Account(settings);
    const std::string password = Password(settings);
    if (account.empty() || password.empty() || KeyringHoldsPassword(settings))
        return;
    settings.keyring.Write(account, password, [&ctx, account, password, announce](const KeyringAnswer& answer) {
        SettingsState& settings = ctx.settings;
        if (answer.outcome != KeyringAnswer::Outcome::Done) {
            PrintLine(ctx, "The desktop keyring did not take the password (" + VisibleText(answer.error) +
                               "): it stays in userinfo.cfg.");
            return;
        }
        settings.keyringAccount = account;
        settings.keyringPassword = password;
        // Only now may the file's copy go, and only if nothing changed meanwhile.
        if (settings.app.passwordInKeyring && KeyringHoldsPassword(settings)) {
            SaveUserInfoNow(ctx);
            if (announce)
                PrintLine(ctx, "The password is kept in the desktop keyring; userinfo.cfg no longer holds it.");
        }
    });
}

void FetchPassword(ClientContext& ctx)
{
    const std::string account = Account(ctx.settings);
    if (account.empty())
        return;
    ctx.settings.keyring.Read(account, [&ctx, account](const KeyringAnswer& answer) {
        SettingsState& settings = ctx.settings;
        const std::string name = VisibleText(FieldText(settings.userInfo.screenName));
        if (answer.outcome == KeyringAnswer::Outcome::NotFound) {
            PrintLine(ctx, "The desktop keyring has no password for " + name +
                               " (or it is locked): type the password in User Configuration.");
            return;
        }
        if (answer.outcome != KeyringAnswer::Outcome::Done) {
            PrintLine(ctx, "Could not read the password from the desktop keyring (" + VisibleText(answer.error) +
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

void StartKeyringPassword(ClientContext& ctx)
{
    if (!ctx.settings.app.passwordInKeyring)
        return;
    if (Password(ctx.settings).empty())
        FetchPassword(ctx);
    else
        StorePassword(ctx, false);  // typed into an older build, or the keyring refused it last time
}

UserInfo RecordForFile(const SettingsState& settings)
{
    UserInfo record = settings.userInfo;
    if (settings.app.passwordInKeyring && !Password(settings).empty() && KeyringHoldsPassword(settings))
        SetFieldText(record.password, "");
    return record;
}

std::string ChooseKeyring(ClientContext& ctx, bool keep)
{
    AppSettings& app = ctx.settings.app;
    if (app.passwordInKeyring == keep)
        return {};
    app.passwordInKeyring = keep;
    std::string why = SaveAppSettings(ctx.settings.profile, app);
    if (!why.empty()) {
        // A choice that would not survive the run must not take the password out of the file.
        app.passwordInKeyring = !keep;
        PrintLine(ctx, std::string("Could not save ") + kAppSettingsFile + " (" + why +
                           "): the password stays where it was.");
    }
    return why;
}

void SyncKeyringPassword(ClientContext& ctx, bool wasChosen, bool saved)
{
    SettingsState& settings = ctx.settings;
    if (settings.app.passwordInKeyring) {
        StorePassword(ctx, !wasChosen);
        return;
    }
    // Turned off: the keyring's copy goes once the file holds the password again.
    if (!wasChosen || !saved || Password(settings).empty() || settings.keyringAccount.empty())
        return;
    const std::string account = settings.keyringAccount;
    settings.keyringAccount.clear();
    settings.keyringPassword.clear();
    settings.keyring.Remove(account, [&ctx](const KeyringAnswer& answer) {
        if (answer.outcome == KeyringAnswer::Outcome::Failed)
            PrintLine(ctx, "The desktop keyring kept its copy of the password (" + VisibleText(answer.error) + ").");
    });
    PrintLine(ctx, "The password is kept in userinfo.cfg again.");
}
