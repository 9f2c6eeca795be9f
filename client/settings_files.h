// userinfo.cfg and blist.cfg, and the buddy list's two edit operations.
// These report success; the client turns a failure into its status line.
#pragma once

#include <string>
#include <string_view>

#include "user_info.h"

inline constexpr const char* kUserInfoFile = "userinfo.cfg";
inline constexpr const char* kBuddyListFile = "blist.cfg";

void SetUserInfoDefaults(UserInfo& info);

// Reads up to 3,472 bytes over the record (a short file leaves the rest as it
// was). A missing file gives the defaults. Returns false when the file was missing.
bool LoadUserInfo(UserInfo& info, const std::string& path = kUserInfoFile);
// Replaces the file atomically with the record's exact image, mode 0600.
bool SaveUserInfo(const UserInfo& info, const std::string& path = kUserInfoFile);

// Every byte up to the end of the file except NUL, which is dropped. A missing file gives "".
std::string LoadBuddyList(const std::string& path = kBuddyListFile);
bool SaveBuddyList(std::string_view list, const std::string& path = kBuddyListFile);

// The list is names each ended by LF; names compare by their normalised form.
bool AddBuddy(std::string& list, std::string_view screenName);
bool RemoveBuddy(std::string& list, std::string_view screenName);
