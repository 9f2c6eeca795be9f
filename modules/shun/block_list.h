// The block list of user_shun: the names the user blocked, one per line as
// typed, each line ended by LF; its three commands; and the deny list the
// server is given at each sign-on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "user_module.h"

namespace shun {

inline constexpr std::size_t kMaxNameLength = 511;
inline constexpr std::size_t kMaxTextForBlock = 4096;  // /block refuses above this
inline constexpr std::size_t kDenyCommandSplit = 1024;  // a deny command is sent once it passes this
inline constexpr std::size_t kMaxDenyNames = 8192;

class BlockList {
public:
    const std::string& Text() const { return text_; }
    // The list as read from the file; a last line without its LF gets one.
    void SetText(std::string text);

    // "block", "unblock" and "blocklist" in any case; false for every other word.
    bool HandleCommand(std::string_view word, std::string_view arguments, HostServices& host);
    // Every name, normalised, in "toc_add_deny" commands of about 1024 characters.
    void SendDenyList(HostServices& host) const;

private:
    void Block(std::string_view name, HostServices& host);
    void Unblock(std::string_view name, HostServices& host);
    void PrintList(HostServices& host) const;
    // Where the first line with this normalised form starts, or npos.
    std::size_t FindLine(const std::string& normalizedName) const;

    std::string text_;
};

}  // namespace shun
