// The profile and its settings over one run: the folder every file of the
// client lies in, userinfo.cfg and blist.cfg as loaded, what kept either
// from being read, what the close could not save, and the file operations
// they go through. Read and written by the settings code (settings_store.h,
// settings_edits.h) and the dialogs.
#pragma once

#include <string>
#include <vector>

#include "app_settings.h"
#include "file_ops.h"
#include "password_keyring.h"
#include "profile.h"
#include "user_info.h"

// A settings file the client could not save at exit, and why.
struct SaveFailure {
    std::string file;
    std::string why;
};

struct SettingsState {
    // Where the settings, the log and the "modules" folder are.
    Profile profile;
    UserInfo userInfo{};
    std::string buddyList;
    // Why a settings file that is there could not be read at start, or empty.
    // Such a file is never written in this run (settings_store.h).
    std::string userInfoUnreadable;
    std::string buddyListUnreadable;
    // userinfo.cfg was not a record of the right size: it is left as it is
    // at exit unless the settings differ from these, read from it at start.
    bool userInfoOddSize = false;
    UserInfo userInfoAsLoaded{};
    // What the close could not save, for the window to show.
    std::vector<SaveFailure> saveFailures;
    // What the settings files and /savebuffer are read and written through.
    FileOps* files = &SystemFileOps();
    // quenlo.ini: what the record has no room for.
    AppSettings app;
    // The desktop keyring, and what it is known to hold (password_keeping.h):
    // the password under the normalised screen name; no account, nothing known.
    PasswordKeyring keyring;
    std::string keyringAccount;
    std::string keyringPassword;
};
