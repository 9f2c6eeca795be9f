// Splitting a received DATA payload into command name and argument text.
#include <gtest/gtest.h>

#include <string>

#include "toc_text.h"

namespace {

using namespace std::string_literals;

TEST(SplitPayload, CommandAndArguments)
{
    struct Case {
        const char* name;
        std::string payload;
        std::string command;
        std::string arguments;
    };
    const Case cases[] = {
        {"ordinary", "IM_IN:bob:F:hi", "IM_IN", "bob:F:hi"},
        {"trailing NUL", "IM_IN:bob:F:hi\0"s, "IM_IN", "bob:F:hi"},
        {"no colon: the whole payload is the command", "SIGN_ON", "SIGN_ON", ""},
        {"no colon, trailing NUL", "SIGN_ON\0"s, "SIGN_ON", ""},
        {"colons in the arguments are kept", "IM_IN:bob:F:a:b::c:", "IM_IN", "bob:F:a:b::c:"},
        {"NUL in the arguments ends them", "IM_IN:bob\0:F:junk"s, "IM_IN", "bob"},
        {"NUL before any colon ends the command", "AB\0CD:EF"s, "AB", ""},
        {"empty", "", "", ""},
        {"only a NUL", "\0"s, "", ""},
        {"leading colon", ":x", "", "x"},
        {"trailing colon", "ERROR:", "ERROR", ""},
        {"high bytes pass", "IM_IN:b\xf6" "b:F:\xff\x80", "IM_IN", "b\xf6" "b:F:\xff\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const tocwire::TocMessage m = tocwire::SplitPayload(c.payload);
        EXPECT_EQ(m.command, c.command);
        EXPECT_EQ(m.arguments, c.arguments);
    }
}

TEST(SplitPayload, FieldsAreCutToTheirRoom)
{
    const auto longCommand = tocwire::SplitPayload(std::string(1500, 'C') + ":args");
    EXPECT_EQ(longCommand.command, std::string(1023, 'C'));
    EXPECT_EQ(longCommand.arguments, "args");

    const auto longArguments = tocwire::SplitPayload("IM_IN:" + std::string(3000, 'a') + "\0"s);
    EXPECT_EQ(longArguments.command, "IM_IN");
    EXPECT_EQ(longArguments.arguments, std::string(2047, 'a'));

    // At the limits nothing is lost.
    const auto exact = tocwire::SplitPayload(std::string(1023, 'C') + ":" + std::string(2047, 'a'));
    EXPECT_EQ(exact.command.size(), 1023u);
    EXPECT_EQ(exact.arguments.size(), 2047u);

    // A long command without a colon is cut as well, and leaves no arguments.
    const auto noColon = tocwire::SplitPayload(std::string(5000, 'Z'));
    EXPECT_EQ(noColon.command, std::string(1023, 'Z'));
    EXPECT_EQ(noColon.arguments, "");
}

// The split in place gives the same texts, each ended by a NUL, or says
// it cannot (a text that runs to the payload's end with no NUL after it).
TEST(SplitPayload, InPlaceGivesTheSameTextsEndedByANul)
{
    const std::string payloads[] = {
        "IM_IN:bob:F:hi\0"s, "IM_IN:bob:F:hi", "SIGN_ON\0"s, "SIGN_ON", "IM_IN:bob\0:F:junk"s, "AB\0CD:EF"s,
        "", "\0"s, ":x\0"s, "ERROR:\0"s, "ERROR:", std::string(1500, 'C') + ":args\0",
        "IM_IN:" + std::string(3000, 'a'), std::string(5000, 'Z'), std::string(1500, 'C') + ":" + std::string(10, 'a'),
    };
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload.substr(0, 40));
        const tocwire::TocMessage copied = tocwire::SplitPayload(payload);
        std::string bytes = payload;
        tocwire::TocMessageText text;
        if (!tocwire::SplitPayloadInPlace(bytes.data(), bytes.size(), text)) {
            EXPECT_EQ(bytes, payload);
            EXPECT_EQ(payload.find('\0'), std::string::npos);
            continue;
        }
        EXPECT_EQ(text.command, copied.command);
        EXPECT_EQ(text.arguments, copied.arguments);
        EXPECT_EQ(text.command.data()[text.command.size()], '\0');
        EXPECT_EQ(text.arguments.data()[text.arguments.size()], '\0');
        EXPECT_GE(text.command.data(), bytes.data());
        EXPECT_LT(text.arguments.data(), bytes.data() + bytes.size());
    }
}

}  // namespace
