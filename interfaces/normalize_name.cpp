#include "normalize_name.h"

std::string NormalizeName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == ' ')
            continue;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        out.push_back(c);
    }
    return out;
}

bool IsValidScreenName(std::string_view name)
{
    bool hasNonBlank = false;
    for (char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != ' ' && c != '@' && c != '.' && c != '_' && c != '-')
            return false;
        hasNonBlank = hasNonBlank || c != ' ';
    }
    return hasNonBlank;
}
