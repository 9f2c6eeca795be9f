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

void ReportAtExit(ClientContext& ctx, SaveFailure failure)
{
    std::fprintf(stderr, "quenlo: Could not save %s: %s.\n", failure.file.c_str(), failure.why.c_str());
    std::fflush(stderr);
    ctx.saveFailures.push_back(std::move(failure));
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
    ctx.userInfoUnreadable.clear();
    ctx.buddyListUnreadable.clear();
    LoadUserInfo(ctx.userInfo, ctx.profile.File(kUserInfoFile), &ctx.userInfoUnreadable, *ctx.files);
    if (!ctx.userInfoUnreadable.empty())
        PrintLine(ctx, CannotReadMessage(kUserInfoFile, ctx.userInfoUnreadable));
    ctx.buddyList = LoadBuddyList(ctx.profile.File(kBuddyListFile), &ctx.buddyListUnreadable, *ctx.files);
    if (!ctx.buddyListUnreadable.empty())
        PrintLine(ctx, CannotReadMessage(kBuddyListFile, ctx.buddyListUnreadable));
}

void SaveUserInfoNow(ClientContext& ctx)
{
    if (!ctx.userInfoUnreadable.empty()) {
        PrintLine(ctx, std::string(kUserInfoFile) + " " + HeldReason(ctx.userInfoUnreadable) + ".");
        return;
    }
    if (!SaveUserInfo(ctx.userInfo, ctx.profile.File(kUserInfoFile), *ctx.files))
        PrintLine(ctx, "Failed to write user info.");
}

void SaveSettingsFilesAtExit(ClientContext& ctx)
{
    if (!ctx.userInfoUnreadable.empty()) {
        if (UserInfoChanged(ctx.userInfo))
            ReportAtExit(ctx, {kUserInfoFile, HeldReason(ctx.userInfoUnreadable)});
    } else if (!SaveUserInfo(ctx.userInfo, ctx.profile.File(kUserInfoFile), *ctx.files)) {
        const int error = errno;
        PrintLine(ctx, "Failed to write user info.");
        ReportAtExit(ctx, {kUserInfoFile, std::strerror(error)});
    }
    if (!ctx.buddyListUnreadable.empty()) {
        if (!ctx.buddyList.empty())
            ReportAtExit(ctx, {kBuddyListFile, HeldReason(ctx.buddyListUnreadable)});
    } else if (!SaveBuddyList(ctx.buddyList, ctx.profile.File(kBuddyListFile), *ctx.files)) {
        const int error = errno;
        PrintLine(ctx, "Failed to write buddy list.");
        ReportAtExit(ctx, {kBuddyListFile, std::strerror(error)});
    }
}

std::string SaveFailureText(const std::vector<SaveFailure>& failures)
{
    std::string text = "These settings could not be saved:\n";
    for (const SaveFailure& failure : failures)
        text += "\n" + failure.file + ": " + failure.why + ".";
    return text;
}
