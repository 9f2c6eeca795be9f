#include "toc_command_line.h"

namespace tocserver {

namespace {
constexpr std::string_view kRoastKey = "Tic/Toc";
}  // namespace

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string CommandText(std::string_view payload)
{
    return std::string(payload.substr(0, payload.find('\0')));
}

std::vector<std::string> SplitArguments(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // also true for a word that is only `""`
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            word.push_back(line[++i]);
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string NormalizeScreenName(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c == ' ')
            continue;
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return out;
}

std::string RoastPassword(std::string_view password)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "0x";
    for (std::size_t i = 0; i < password.size(); ++i) {
        const unsigned value = static_cast<unsigned char>(password[i]) ^
                               static_cast<unsigned char>(kRoastKey[i % kRoastKey.size()]);
        out.push_back(kDigits[value >> 4]);
        out.push_back(kDigits[value & 0xF]);
    }
    return out;
}

std::optional<std::string> UnroastPassword(std::string_view roasted)
{
    if (roasted.substr(0, 2) != "0x")
        return std::nullopt;
    const std::string_view digits = roasted.substr(2);
    if (digits.size() % 2 != 0)
        return std::nullopt;
    std::string password;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const std::size_t position = i / 2;
        password.push_back(static_cast<char>((high << 4 | low) ^
                                             static_cast<unsigned char>(kRoastKey[position % kRoastKey.size()])));
    }
    return password;
}

}  // namespace tocserver
