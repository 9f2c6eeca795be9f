// The block list of user_shun: the lines of blocklst.cfg, kept byte for byte,
// each naming a user the user blocked (as typed); its three commands; and
// the deny list the server is given at each sign-on.
//
// Only lines that are screen names (and no longer than a name /block takes)
// ever reach the server, normalised, so no line can change the meaning of a
// deny command; other lines are kept in the file and never sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "user_module.h"

namespace shun {

inline constexpr std::size_t kMaxNameLength = 511;
inline constexpr std::size_t kMaxTextForBlock = 4096;   // /block refuses above this
inline constexpr std::size_t kMaxListBytes = 8191;      // the most blocklst.cfg may hold
inline constexpr std::size_t kDenyCommandSplit = 1024;  // a deny command is sent once it passes this
inline constexpr std::size_t kMaxDenyNames = 8192;

// Whether a line of the list is a name the server is told of.
bool IsSentName(std::string_view line);


class BlockList {
public:
    // The list as read from the file (the file's own bytes); and as saved.
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    // Grows with every change to the text.
    std::uint64_t Revision() const { return revision_; }

    // Keeps the list (writes the file); called after a change, before the
    // user or the server hears of it.
    using Saver = std::function<void()>;
    // "block", "unblock" and "blocklist" in any case; false for every other word.
    bool HandleCommand(std::string_view word, std::string_view arguments, HostServices& host,
                       const Saver& save = {});
    // Whether the server is told to deny this name (in any spelling).
    bool Lists(std::string_view name) const;
    // Every sent name, normalised, in list order, in "toc_add_deny" commands
    // of about 1024 characters that always fit the server's line.
    std::vector<std::string> DenyCommands() const;
    void SendDenyList(HostServices& host) const;
    // What a new sign-on tells the server: the deny list.
    void SendServerState(HostServices& host) const;

private:
    void Block(std::string_view name, HostServices& host, const Saver& save);
    void Unblock(std::string_view name, HostServices& host, const Saver& save);
    void PrintList(HostServices& host) const;
    bool HasSentName(const std::string& normalizedName) const;

    std::string text_;
    std::uint64_t revision_ = 0;
    bool unblockSent_ = false;  // the server has been sent an unblock in this run
};

}  // namespace shun
