#include "chat_invite.h"

namespace parley {

std::optional<std::string> InvitingUser(std::string_view arguments)
{
    const std::size_t first = arguments.find(':');
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t second = arguments.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    std::string_view user = arguments.substr(second + 1);
    user = user.substr(0, user.find(':'));
    if (user.empty())
        return std::nullopt;
    return std::string(user.substr(0, kMaxInvitingUser));
}

}  // namespace parley
