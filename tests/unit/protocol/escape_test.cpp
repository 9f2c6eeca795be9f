// Escaping of outgoing command lines: a backslash before each of the five
// TOC specials, the text cut to 2047 characters first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toc_text.h"

namespace {

using tocwire::EscapeSpecials;
using tocwire::EscapeSpecialsInPlace;

std::string Repeat(std::string_view unit, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

struct EscapeCase {
    const char* name;
    std::string in;
    std::string out;
};

std::vector<EscapeCase> Cases()
{
    return {
        {"dollar", "a$b", "a\\$b"},
        {"all five specials", "$()[]", "\\$\\(\\)\\[\\]"},
        {"specials inside a command", "toc_send_im bob \"(hi) [1] $2\"", "toc_send_im bob \"\\(hi\\) \\[1\\] \\$2\""},
        {"quotes, braces and backslashes are the client's to escape", "{\"\\}", "{\"\\}"},
        {"plain", "toc_init_done", "toc_init_done"},
        {"empty", "", ""},
        {"high bytes and controls", "\xff\x80\n\t", "\xff\x80\n\t"},
        {"over 2047 cut before escaping", Repeat("x", 3000), Repeat("x", 2047)},
        {"specials past the cut add nothing", Repeat("x", 2047) + "$$$", Repeat("x", 2047)},
        {"2047 specials double", Repeat("$", 2047), Repeat("\\$", 2047)},
        {"2048 specials are cut first", Repeat("]", 2048), Repeat("\\]", 2047)},
    };
}

TEST(Escaping, CopyingForm)
{
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EscapeSpecials(c.in), c.out);
    }
}

TEST(Escaping, InPlaceRewritesTheCallersBufferAndReturnsItsLength)
{
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        // Exactly the room the result needs, so a write past it is an
        // AddressSanitizer error.
        const std::size_t room = std::max(c.in.size(), c.out.size()) + 1;
        std::vector<char> buffer(room, '#');
        std::copy(c.in.begin(), c.in.end(), buffer.begin());
        buffer[c.in.size()] = '\0';
        const std::size_t length = EscapeSpecialsInPlace(buffer.data());
        EXPECT_EQ(length, c.out.size());
        EXPECT_EQ(std::string(buffer.data()), c.out);
    }
}

TEST(Escaping, LongestResultIs4094Characters)
{
    std::vector<char> buffer(4095);
    std::fill(buffer.begin(), buffer.begin() + 2047, '(');
    buffer[2047] = '\0';
    EXPECT_EQ(EscapeSpecialsInPlace(buffer.data()), 4094u);
    EXPECT_EQ(buffer[4094], '\0');
    EXPECT_EQ(std::string(buffer.data(), 4), "\\(\\(");
}

}  // namespace
