#include "settings_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "client_context.h"
#include "output.h"
#include "settings_files.h"
#include "settings_read.h"

namespace {

std::string HeldReason(const std::string& whyUnreadable)
{
    return "not written, because it could not be read at start-up (" + whyUnreadable + ")";
}

void ReportAtExit(SettingsState& settings, SaveFailure failure)
{
    std::fprintf(stderr, "quenlo: Could not save %s: %s.\n", failure.file.c_str(), failure.why.c_str());
    std::fflush(stderr);
    settings.saveFailures.push_back(std::move(failure));
}

// Whether the run changed a held userinfo.cfg's record: it was loaded as the defaults.
bool UserInfoChanged(const UserInfo& info)
{
    UserInfo defaults;
    SetUserInfoDefaults(defaults);
    return std::memcmp(&defaults, &info, sizeof info) != 0;
}

}  // namespace

void LoadSettingsFiles(ClientContext& ctx)
{
    ctx.settings.userInfoUnreadable.clear();
    ctx.settings.buddyListUnreadable.clear();
    LoadUserInfo(ctx.settings.userInfo, kUserInfoFile, &ctx.settings.userInfoUnreadable, *ctx.settings.files);
    if (!ctx.settings.userInfoUnreadable.empty())
        PrintLine(ctx, CannotReadMessage(kUserInfoFile, ctx.settings.userInfoUnreadable));
    ctx.settings.buddyList = LoadBuddyList(kBuddyListFile, &ctx.settings.buddyListUnreadable, *ctx.settings.files);
    if (!ctx.settings.buddyListUnreadable.empty())
        PrintLine(ctx, CannotReadMessage(kBuddyListFile, ctx.settings.buddyListUnreadable));
}

void SaveUserInfoNow(ClientContext& ctx)
{
    if (!ctx.settings.userInfoUnreadable.empty()) {
        PrintLine(ctx, std::string(kUserInfoFile) + " " + HeldReason(ctx.settings.userInfoUnreadable) + ".");
        return;
    }
    if (!SaveUserInfo(ctx.settings.userInfo, kUserInfoFile, *ctx.settings.files))
        PrintLine(ctx, "Failed to write user info.");
}

void SaveSettingsFilesAtExit(ClientContext& ctx)
{
    if (!ctx.settings.userInfoUnreadable.empty()) {
        if (UserInfoChanged(ctx.settings.userInfo))
            ReportAtExit(ctx.settings, {kUserInfoFile, HeldReason(ctx.settings.userInfoUnreadable)});
    } else if (!SaveUserInfo(ctx.settings.userInfo, kUserInfoFile, *ctx.settings.files)) {
        const int error = errno;
        PrintLine(ctx, "Failed to write user info.");
        ReportAtExit(ctx.settings, {kUserInfoFile, std::strerror(error)});
    }
    if (!ctx.settings.buddyListUnreadable.empty()) {
        if (!ctx.settings.buddyList.empty())
            ReportAtExit(ctx.settings, {kBuddyListFile, HeldReason(ctx.settings.buddyListUnreadable)});
    } else if (!SaveBuddyList(ctx.settings.buddyList, kBuddyListFile, *ctx.settings.files)) {
        const int error = errno;
        PrintLine(ctx, "Failed to write buddy list.");
        ReportAtExit(ctx.settings, {kBuddyListFile, std::strerror(error)});
    }
}

std::string SaveFailureText(const std::vector<SaveFailure>& failures)
{
    std::string text = "These settings could not be saved:\n";
    for (const SaveFailure& failure : failures)
        text += "\n" + failure.file + ": " + failure.why + ".";
    return text;
}
