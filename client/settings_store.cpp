#include "settings_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "settings_state.h"
#include "output.h"
#include "password_keeping.h"
#include "settings_files.h"
#include "settings_read.h"

namespace {

std::string HeldReason(const std::string& whyUnreadable)
{
    return "not written, because it could not be read at start-up (" + whyUnreadable + ")";
}


// Whether the run changed a held userinfo.cfg's record: it was loaded as the defaults.
bool UserInfoChanged(const UserInfo& info)
{
    UserInfo defaults;
    SetUserInfoDefaults(defaults);
    return std::memcmp(&defaults, &info, sizeof info) != 0;
}

// userinfo.cfg is not one settings record: how it was read, and that it is kept.
std::string OddSizeMessage(std::size_t size)
{
    const std::string record = std::to_string(kUserInfoSize);
    std::string message = std::string(kUserInfoFile) + " ";
    if (size > kUserInfoSize)
        message += "is longer than the " + record + " bytes of a settings record: only the first " + record +
                   " are read.";
    else
        message += "holds " + std::to_string(size) + " bytes, not the " + record +
                   " of a settings record: the settings it does not hold whole are the defaults.";
    return message + " The file is left as it is unless the settings are changed.";
}

}  // namespace

void LoadSettingsFiles(const Printer& out, SettingsState& settings)
{
    settings.userInfoUnreadable.clear();
    settings.buddyListUnreadable.clear();
    std::size_t userInfoSize = kUserInfoSize;
    LoadUserInfo(settings.userInfo, settings.profile.File(kUserInfoFile), &settings.userInfoUnreadable,
                 *settings.files, &userInfoSize);
    if (!settings.userInfoUnreadable.empty())
        PrintLine(out, CannotReadMessage(kUserInfoFile, settings.userInfoUnreadable));
    settings.userInfoOddSize = userInfoSize != kUserInfoSize;
    settings.userInfoAsLoaded = settings.userInfo;
    if (settings.userInfoOddSize)
        PrintLine(out, OddSizeMessage(userInfoSize));
    settings.buddyList =
        LoadBuddyList(settings.profile.File(kBuddyListFile), &settings.buddyListUnreadable, *settings.files);
    if (!settings.buddyListUnreadable.empty())
        PrintLine(out, CannotReadMessage(kBuddyListFile, settings.buddyListUnreadable));
    settings.app = LoadAppSettings(settings.profile);
}

bool SaveUserInfoNow(const Printer& out, SettingsState& settings)
{
    if (!settings.userInfoUnreadable.empty()) {
        PrintLine(out, std::string(kUserInfoFile) + " " + HeldReason(settings.userInfoUnreadable) + ".");
        return false;
    }
    if (!SaveUserInfo(RecordForFile(settings), settings.profile.File(kUserInfoFile), *settings.files)) {
        PrintLine(out, "Failed to write user info.");
        return false;
    }
    settings.userInfoOddSize = false;  // a whole record now
    return true;
}

void SaveBuddyListNow(const Printer& out, const SettingsState& settings)
{
    if (!settings.buddyListUnreadable.empty()) {
        PrintLine(out, std::string(kBuddyListFile) + " " + HeldReason(settings.buddyListUnreadable) + ".");
        return;
    }
    if (!SaveBuddyList(settings.buddyList, settings.profile.File(kBuddyListFile), *settings.files))
        PrintLine(out, "Failed to write buddy list.");
}

void SaveSettingsFilesAtExit(const Printer& out, SettingsState& settings)
{
    if (!settings.userInfoUnreadable.empty()) {
        if (UserInfoChanged(settings.userInfo))
            ReportSaveFailureAtExit(settings, {kUserInfoFile, HeldReason(settings.userInfoUnreadable)});
    } else if (settings.userInfoOddSize && SameSettings(settings.userInfo, settings.userInfoAsLoaded)) {
        // Said at start; nothing the run changed needs the file rewritten.
    } else if (!SaveUserInfo(RecordForFile(settings), settings.profile.File(kUserInfoFile), *settings.files)) {
        const int error = errno;
        PrintLine(out, "Failed to write user info.");
        ReportSaveFailureAtExit(settings, {kUserInfoFile, std::strerror(error)});
    }
    if (!settings.buddyListUnreadable.empty()) {
        if (!settings.buddyList.empty())
            ReportSaveFailureAtExit(settings, {kBuddyListFile, HeldReason(settings.buddyListUnreadable)});
    } else if (!SaveBuddyList(settings.buddyList, settings.profile.File(kBuddyListFile), *settings.files)) {
        const int error = errno;
        PrintLine(out, "Failed to write buddy list.");
        ReportSaveFailureAtExit(settings, {kBuddyListFile, std::strerror(error)});
    }
}

void ReportSaveFailureAtExit(SettingsState& settings, SaveFailure failure)
{
    std::fprintf(stderr, "quenlo: Could not save %s: %s.\n", failure.file.c_str(), failure.why.c_str());
    std::fflush(stderr);
    settings.saveFailures.push_back(std::move(failure));
}

std::string SaveFailureText(const std::vector<SaveFailure>& failures)
{
    std::string text = "These settings could not be saved:\n";
    for (const SaveFailure& failure : failures)
        text += "\n" + failure.file + ": " + failure.why + ".";
    return text;
}
