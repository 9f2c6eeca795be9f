// userinfo.cfg and blist.cfg, and the buddy list's two edit operations.
// These report success; the client turns a failure into its status line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "user_info.h"

inline constexpr const char* kUserInfoFile = "userinfo.cfg";
inline constexpr const char* kBuddyListFile = "blist.cfg";
inline constexpr std::size_t kMaxBuddyNameLength = 1023;

void SetUserInfoDefaults(UserInfo& info);

// Reads up to 3,472 bytes over the record (a short file leaves the rest as it
// was). A missing file (or anything but a regular file under the name) gives
// the defaults. Returns false when the file was missing.
bool LoadUserInfo(UserInfo& info, const std::string& path = kUserInfoFile);
// Replaces the file atomically with the record's exact image, mode 0600.
bool SaveUserInfo(const UserInfo& info, const std::string& path = kUserInfoFile);

// Every byte up to the end of the file except NUL, which is dropped; never
// cut, so a later save loses nothing. A missing file gives "".
std::string LoadBuddyList(const std::string& path = kBuddyListFile);
bool SaveBuddyList(std::string_view list, const std::string& path = kBuddyListFile);

// The list is names each ended by LF; names compare by their normalised form.
// A CR just before an LF is part of the line end, not of the name.
// AddBuddy also refuses a name of more than 1,023 characters, one holding
// CR, LF or NUL, and one whose normalised form is empty.
bool AddBuddy(std::string& list, std::string_view screenName);
bool RemoveBuddy(std::string& list, std::string_view screenName);
// The list's names in list order, as stored, without line ends; blank lines skipped.
std::vector<std::string> BuddyListNames(std::string_view list);
