// Password roasting: "0x" and two lower-case hex digits per byte XOR "Tic/Toc".
#include <gtest/gtest.h>

#include <string>

#include "toc_text.h"

namespace {

using tocwire::RoastPassword;

TEST(Roasting, KnownResults)
{
    struct Case {
        const char* name;
        std::string password;
        std::string roasted;
    };
    // Worked out by hand from the key bytes 54 69 63 2f 54 6f 63.
    const Case cases[] = {
        {"TOC protocol example", "password", "0x2408105c23001130"},
        {"empty", "", "0x"},
        {"one byte at 0x80", "\x80", "0xd4"},
        {"high bytes keep two digits", "\xff\xff", "0xab96"},
        {"byte equal to the key gives 00", "T", "0x00"},
        {"key wraps after seven bytes", "aaaaaaaa", "0x3508024e350e0235"},
        {"NUL inside the password is roasted too", std::string("T\0", 2), "0x0069"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RoastPassword(c.password), c.roasted);
    }
}

TEST(Roasting, PasswordsOver510BytesAreCutTo510)
{
    // 'a' XOR the key, one full turn of seven bytes.
    const std::string turn = "3508024e350e02";
    std::string expected510 = "0x";
    while (expected510.size() < 2 + 2 * 510)
        expected510 += turn;
    expected510.resize(2 + 2 * 510);

    EXPECT_EQ(RoastPassword(std::string(510, 'a')), expected510);
    EXPECT_EQ(RoastPassword(std::string(511, 'a')), expected510);
    const std::string long600 = RoastPassword(std::string(600, 'a'));
    EXPECT_EQ(long600.size(), 1022u);  // fits 1024 bytes with its terminator
    EXPECT_EQ(long600, expected510);
}

}  // namespace
