// The bytes the library puts on the wire during a sign-on: the greeting, its
// sign-on frame and the toc_signon line, compared byte for byte with what the
// TOC protocol prescribes.
#include "protocol_fixture.h"

namespace {

using namespace std::string_literals;

struct SignonCase {
    const char* label;
    const char* screenName;
    const char* password;
    const char* version;
    const char* normalisedName;
    const char* expectedLine;  // toc_signon as on the wire, without its NUL
};
void PrintTo(const SignonCase& c, std::ostream* os) { *os << c.label; }

// Roasted passwords worked out by hand: each byte XOR "Tic/Toc" (54 69 63 2f
// 54 6f 63) at position i mod 7.
const SignonCase kSignonCases[] = {
    {"Plain", "Alice Test", "password", "Quenlo 1.0", "alicetest",
     "toc_signon login.example.net 5190 alicetest 0x2408105c23001130 english \"Quenlo 1.0\""},
    // The library escapes the whole line, so the version's specials travel with backslashes.
    {"VersionWithSpecials", "Alice Test", "password", "Quenlo $1 (beta) [x]", "alicetest",
     "toc_signon login.example.net 5190 alicetest 0x2408105c23001130 english \"Quenlo \\$1 \\(beta\\) \\[x\\]\""},
    // A name starting with a digit cuts the password to its first 9 characters.
    {"LeadingDigitCutsPassword", "7of Nine", "abcdefghijkl", "Quenlo 1.0", "7ofnine",
     "toc_signon login.example.net 5190 7ofnine 0x350b004b3109043c00 english \"Quenlo 1.0\""},
    // Only the first stored character counts: a blank before the digit keeps all 12.
    {"BlankBeforeDigitKeepsPassword", " 7of Nine", "abcdefghijkl", "Quenlo 1.0", "7ofnine",
     "toc_signon login.example.net 5190 7ofnine 0x350b004b3109043c00094438 english \"Quenlo 1.0\""},
};

class SignonBytesTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<SignonCase> {};

TEST_P(SignonBytesTest, GreetingSignonFrameAndTocSignonAreExact)
{
    const SignonCase& c = GetParam();
    server.SetSignonSequence(65535);
    ASSERT_EQ(Init(c.screenName, c.password, kLoginPort, c.version), 1);
    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitFor([&] { return Peer().frames.size() >= 2; }));

    EXPECT_EQ(Peer().greeting, kGreeting);
    EXPECT_EQ(Peer().protocolError, "");

    // The first frame answers the server's frame with the server's number.
    const auto& signon = Peer().frames[0];
    EXPECT_EQ(signon.type, faketoc::kFrameSignon);
    EXPECT_EQ(signon.sequence, 65535);
    const std::string name = c.normalisedName;
    const std::string expectedPayload =
        "\x00\x00\x00\x01"s + "\x00\x01"s + static_cast<char>(name.size() >> 8) + static_cast<char>(name.size()) + name;
    EXPECT_EQ(signon.payload, expectedPayload);

    // The next number wraps to 0.
    const auto& line = Peer().frames[1];
    EXPECT_EQ(line.type, faketoc::kFrameData);
    EXPECT_EQ(line.sequence, 0);
    EXPECT_EQ(line.payload, std::string(c.expectedLine) + '\0');

    // The server took the roasted password and the name as valid.
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    EXPECT_EQ(Peer().signonError, "");
    EXPECT_EQ(Peer().screenName, name);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignonBytesTest, ::testing::ValuesIn(kSignonCases),
                         [](const auto& info) { return std::string(info.param.label); });

using WireTest = ProtocolLibraryTest;

TEST_F(WireTest, EveryConnectionStartsWithOneGreetingAndNumbersFramesOnward)
{
    server.SetSignonSequence(65533);
    calls.signonDoneResult = 0;  // the library's four completion commands add frames
    ASSERT_EQ(Init(), 1);
    for (int connection = 0; connection < 2; ++connection) {
        SCOPED_TRACE("connection " + std::to_string(connection));
        ASSERT_EQ(Establish(), 1);
        ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
        ASSERT_TRUE(WaitForCommand("toc_init_done", connection));
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(Send("toc_set_idle " + std::to_string(i)), 0);
        server.SendKeepAlive(connection);
        ASSERT_TRUE(WaitForCommand("toc_set_idle 4", connection));
        ASSERT_TRUE(WaitFor([&] { return FramesOfType(connection, faketoc::kFrameKeepAlive) == 1; }));
        api.disconnect();
        ASSERT_TRUE(WaitForServerSideClosed(connection));

        const auto& peer = Peer(connection);
        // A second greeting anywhere would have been taken as a frame without
        // its marker, and the server would have dropped the connection.
        EXPECT_EQ(peer.greeting, kGreeting);
        EXPECT_EQ(peer.protocolError, "");
        EXPECT_TRUE(peer.closedByPeer);
        ASSERT_GE(peer.frames.size(), 2u);
        EXPECT_EQ(peer.frames.front().type, faketoc::kFrameSignon);
        EXPECT_EQ(peer.frames.back().type, faketoc::kFrameSignoff);
        EXPECT_EQ(peer.frames.back().payload, "");
        // Every frame carries one more than the one before, from the server's number on.
        std::uint16_t expected = 65533;
        for (const auto& frame : peer.frames)
            EXPECT_EQ(frame.sequence, expected++) << "frame type " << int(frame.type);
    }
}

}  // namespace
