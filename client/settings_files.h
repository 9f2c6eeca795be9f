// userinfo.cfg and blist.cfg, and the buddy list's two edit operations.
// These report success; the client turns a failure into its status line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "file_ops.h"
#include "user_info.h"

inline constexpr const char* kUserInfoFile = "userinfo.cfg";
inline constexpr const char* kBuddyListFile = "blist.cfg";

void SetUserInfoDefaults(UserInfo& info);

// Reads the record. A file of another size than the record is read as far
// as it goes: each field it holds whole is taken, every other field gets its
// default, and nothing past 3,472 bytes is used; *fileSize then tells how
// many bytes it holds (kUserInfoSize + 1 for any longer file), and is
// kUserInfoSize otherwise. A file that is not there, or cannot be read,
// gives the defaults and false. *whyUnreadable gets the reason when the file
// is there but cannot be read (anything but ENOENT, or not a regular file),
// "" otherwise; the caller must then not save over that file. Files are
// opened, written and synced through `files` (file_ops.h).
bool LoadUserInfo(UserInfo& info, const std::string& path, std::string* whyUnreadable = nullptr,
                  FileOps& files = SystemFileOps(), std::size_t* fileSize = nullptr);
// Whether two records hold the same settings (the bytes after a text's
// terminator mean nothing).
bool SameSettings(const UserInfo& a, const UserInfo& b);
// Replaces the file atomically with the record's exact image, mode 0600.
bool SaveUserInfo(const UserInfo& info, const std::string& path, FileOps& files = SystemFileOps());

// Every byte up to the end of the file, NUL and high bytes included; never
// cut, so a later save writes back byte for byte every line the run did
// not change. A missing or unreadable file gives "";
// whyUnreadable as for LoadUserInfo.
std::string LoadBuddyList(const std::string& path, std::string* whyUnreadable = nullptr,
                          FileOps& files = SystemFileOps());
bool SaveBuddyList(std::string_view list, const std::string& path,
                   FileOps& files = SystemFileOps());

// The list is names each ended by LF (walked by ForEachBuddyLine); names
// compare by their normalised form.
// AddBuddy also refuses a name of more than 1,023 characters and one that is
// no valid screen name (IsValidScreenName).
bool AddBuddy(std::string& list, std::string_view screenName);
bool RemoveBuddy(std::string& list, std::string_view screenName);
// The list's names in list order, as stored, without line ends; blank lines
// skipped. The editor shows these.
std::vector<std::string> BuddyListNames(std::string_view list);
