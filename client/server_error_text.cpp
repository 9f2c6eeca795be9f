#include "server_error_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {
// The most of an ERROR argument read as its number.
constexpr std::size_t kMaxErrorCodeText = 63;
}  // namespace

std::string_view ErrorCodeText(std::string_view argument)
{
    std::string code(argument.substr(0, std::min<std::size_t>(argument.find(':'), kMaxErrorCodeText)));
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(code.c_str(), &end, 10);
    if (errno == ERANGE)
        return "Server sent unhandled error.";
    switch (value) {
    case 901: return "User not currently available";
    case 902: return "Warning of user not currently allowed";
    case 903: return "A message has been dropped, you are exceeding the server speed limit";
    case 911: return "Error validating input";
    case 912: return "Invalid account";
    case 913: return "Error encountered while processing request";
    case 914: return "Service unavailable";
    case 950: return "Chat in room is unavailable.";
    case 960: return "You are sending messages too fast to the room";
    case 961: return "You missed an IM from a user because it was too big.";
    case 962: return "You missed an IM from a user because it was sent too fast.";
    default: return "Server sent unhandled error.";
    }
}
