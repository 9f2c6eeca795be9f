// Reading a CHAT_INVITE: "room name:room id:inviting user:message".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace parley {

inline constexpr std::size_t kMaxInvitingUser = 511;

// The inviting user (the text after the second colon, up to the next one),
// cut to 511 characters; nothing when the text has fewer than two colons or
// names nobody.
std::optional<std::string> InvitingUser(std::string_view arguments);

}  // namespace parley
