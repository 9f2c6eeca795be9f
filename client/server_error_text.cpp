#include "server_error_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {
// The most of an ERROR argument read as its number.
constexpr std::size_t kMaxErrorCodeText = 63;
// The most of a server's own words quoted back in a status line.
constexpr std::size_t kMaxQuotedDetail = 200;
}  // namespace

long ErrorCode(std::string_view argument)
{
    const std::string code(argument.substr(0, std::min<std::size_t>(argument.find(':'), kMaxErrorCodeText)));
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(code.c_str(), &end, 10);
    return errno == ERANGE ? 0 : value;
}

std::string_view ErrorCodeText(std::string_view argument)
{
    switch (ErrorCode(argument)) {
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

std::string SignonErrorText(std::string_view argument)
{
    switch (ErrorCode(argument)) {
    case 980: return "Incorrect nickname or password.";
    case 981: return "The service is temporarily unavailable.";
    case 982: return "Your warning level is currently too high to sign on.";
    case 983:
        return "You have been connecting and disconnecting too frequently. Wait 10 minutes and try again. "
               "If you continue to try, you will need to wait even longer.";
    case 989: {
        // The server may add its own words after the code.
        const std::size_t colon = argument.find(':');
        const std::string_view detail =
            colon == std::string_view::npos ? std::string_view{} : argument.substr(colon + 1, kMaxQuotedDetail);
        if (detail.empty())
            return "An unknown signon error has occurred.";
        return "An unknown signon error has occurred: " + std::string(detail);
    }
    default: return {};
    }
}

bool RetryingCannotMend(long code)
{
    return code == kIncorrectPassword || code == 982 || code == 983;
}
