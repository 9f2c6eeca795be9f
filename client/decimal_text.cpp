#include "decimal_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

int LeadingDecimal(std::string_view text)
{
    const std::string copy(text);
    errno = 0;
    long value = std::strtol(copy.c_str(), nullptr, 10);
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return static_cast<int>(value);
}
