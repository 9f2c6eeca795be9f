// Incoming frames however the server's bytes are cut or joined: keep-alives,
// frames split across reads, many frames per read, odd payloads, unknown
// frame types and a stream that loses its marker.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>

#include "protocol_fixture.h"

namespace {

using namespace std::string_literals;

using FramesTest = ProtocolLibraryTest;

// --- keep-alive ---

class KeepAliveStateTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KeepAliveStateTest, AnsweredWithExactlyOneEmptyKeepAlive)
{
    const bool online = GetParam();
    ASSERT_EQ(Init(), 1);
    if (online) {
        ASSERT_EQ(Establish(), 1);
        ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    } else {
        ASSERT_TRUE(SignOnHeld());
    }
    const std::vector<std::string> before = calls.log;
    const std::uint16_t last = Peer().frames.back().sequence;
    ASSERT_TRUE(server.SendKeepAlive(0));
    ASSERT_TRUE(WaitFor([&] { return FramesOfType(0, faketoc::kFrameKeepAlive) >= 1; }));
    if (online)
        ASSERT_TRUE(LibrarySendsArrived());
    else
        Settle();  // while signing on no command can follow the answer as a marker
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameKeepAlive), 1u);
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameKeepAlive);
    EXPECT_EQ(Peer().frames.back().payload, "");
    EXPECT_EQ(Peer().frames.back().sequence, static_cast<std::uint16_t>(last + 1));
    EXPECT_EQ(calls.log, before) << "a keep-alive is not a message";
}

INSTANTIATE_TEST_SUITE_P(States, KeepAliveStateTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Online"s : "SigningOn"s; });

// A keep-alive first, between, or last among DATA frames of one write.
class KeepAliveAmongDataTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(KeepAliveAmongDataTest, DataFramesAllDeliveredAndKeepAliveAnsweredOnce)
{
    const int position = GetParam();
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    QByteArray bytes;
    for (int i = 0; i <= 3; ++i) {
        if (i == position)
            bytes += server.Frame(0, faketoc::kFrameKeepAlive, {});
        if (i < 3)
            bytes += DataFrame("IM_IN:Bob:F:message " + std::to_string(i));
    }
    server.SendRaw(0, bytes);
    ASSERT_TRUE(ServerSendsReported());
    ASSERT_TRUE(LibrarySendsArrived());
    EXPECT_EQ(calls.Since(mark),
              (std::vector<std::string>{Message("IM_IN", "Bob:F:message 0"), Message("IM_IN", "Bob:F:message 1"),
                                        Message("IM_IN", "Bob:F:message 2")}));
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameKeepAlive), 1u);
}

INSTANTIATE_TEST_SUITE_P(Positions, KeepAliveAmongDataTest, ::testing::Values(0, 1, 2, 3));

// --- frames cut across reads ---

const std::vector<std::string> kSignonStream = {
    "SIGN_ON:TOC1.0",
    "IM_IN:Bob Smith:F:hello <b>there</b>",
    "UPDATE_BUDDY:Bob Smith:T:0:1234567:5: O",
};
const std::vector<std::string> kExpectedAfterSignOn = {
    CallbackRecorder::Status(STATUS_ONLINE),
    "OnSignonDone()",
    CallbackRecorder::Message("IM_IN", "Bob Smith:F:hello <b>there</b>"),
    CallbackRecorder::Message("UPDATE_BUDDY", "Bob Smith:T:0:1234567:5: O"),
};

// Holds the sign-on back on a fresh connection, delivers the stream in the
// given pieces with the event loop running between them, and returns what
// the library reported.
class CutStreamTest : public ProtocolLibraryTest {
protected:
    std::vector<std::string> Deliver(int client, const std::vector<int>& cuts)
    {
        if (!SignOnHeld(client)) {
            ADD_FAILURE() << "no held sign-on on connection " << client;
            return {};
        }
        QByteArray stream;
        for (const std::string& text : kSignonStream)
            stream += DataFrame(text, client);
        const std::size_t mark = calls.log.size();
        int from = 0;
        for (int cut : cuts) {
            server.SendRaw(client, stream.mid(from, cut - from));
            // On loopback the piece is in the library's socket once the
            // server's socket has handed it to the kernel; a turn of the loop
            // then lets the library read it alone.
            if (!WaitFor([&] { return server.BytesWaiting(client) == 0; })) {
                ADD_FAILURE() << "the server kept the piece before " << cut;
                return {};
            }
            QCoreApplication::processEvents();
            from = cut;
        }
        server.SendRaw(client, stream.mid(from));
        WaitFor([&] { return calls.Since(mark).size() >= kExpectedAfterSignOn.size(); });
        std::vector<std::string> got = calls.Since(mark);
        api.disconnect();
        WaitForServerSideClosed(client);
        return got;
    }

    int StreamSize()
    {
        int size = 0;
        for (const std::string& text : kSignonStream)
            size += 6 + static_cast<int>(text.size()) + 1;
        return size;
    }
};

// Each cut costs a connection, so not every cut of the stream is tried here:
// every cut of the first frame and of the next one's header, every cut around
// each later frame's header, and a seeded sample of the rest. The decoder's
// unit tests and the stream fuzzer go through every cut without sockets.
TEST_F(CutStreamTest, CutsThroughFramesAndHeadersGiveTheSameMessages)
{
    ASSERT_EQ(Init(), 1);
    const int size = StreamSize();
    std::set<int> cuts;
    int start = 0;
    for (const std::string& text : kSignonStream) {
        const int end = start + 6 + static_cast<int>(text.size()) + 1;
        for (int cut = std::max(1, start - 1); cut <= start + 6; ++cut)
            cuts.insert(cut);
        if (start == 0)
            for (int cut = 1; cut < end; ++cut)
                cuts.insert(cut);
        start = end;
    }
    const char* given = std::getenv("QUENLO_CUT_SEED");
    const std::uint32_t seed = given ? static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10))
                                     : std::random_device{}();
    std::cout << "cut sample seed " << seed << " (QUENLO_CUT_SEED=" << seed << " repeats it)\n";
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> anywhere(1, size - 1);
    for (int i = 0; i < 12; ++i)
        cuts.insert(anywhere(random));
    std::erase_if(cuts, [size](int cut) { return cut >= size; });

    int client = 0;
    for (int cut : cuts) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut) + ", seed " + std::to_string(seed));
        ASSERT_EQ(Deliver(client++, {cut}), kExpectedAfterSignOn);
    }
}

TEST_F(CutStreamTest, OneByteAtATime)
{
    ASSERT_EQ(Init(), 1);
    std::vector<int> cuts;
    for (int i = 1; i < StreamSize(); ++i)
        cuts.push_back(i);
    EXPECT_EQ(Deliver(0, cuts), kExpectedAfterSignOn);
}

TEST_F(FramesTest, ManyFramesInOneWriteAreAllHandledInOrder)
{
    ASSERT_EQ(Init(), 1);
    ASSERT_TRUE(SignOnHeld());
    const std::size_t mark = calls.log.size();
    std::vector<std::string> expected = {Status(STATUS_ONLINE), "OnSignonDone()", Message("CONFIG", "m 1\nb Bob\n")};
    QByteArray bytes = DataFrame("SIGN_ON:TOC1.0") + DataFrame("CONFIG:m 1\nb Bob\n");
    // Well over one 4096-byte read.
    for (int i = 0; i < 200; ++i) {
        const std::string arguments = "Buddy" + std::to_string(i) + ":T:0:1000:" + std::to_string(i) + ": O";
        bytes += DataFrame("UPDATE_BUDDY:" + arguments);
        expected.push_back(Message("UPDATE_BUDDY", arguments));
    }
    ASSERT_GT(bytes.size(), 8192);
    server.SendRaw(0, bytes);
    ASSERT_TRUE(ServerSendsReported());
    EXPECT_EQ(calls.Since(mark), expected);
}

TEST_F(FramesTest, CloseMidFrameDropsThePartialFrame)
{
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    const QByteArray frame = DataFrame("IM_IN:Bob:F:never whole");
    server.SendRaw(0, DataFrame("IM_IN:Bob:F:whole") + frame.left(10));
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:whole")));
    Settle(20);
    server.Close(0);
    ASSERT_TRUE(WaitForStatus(STATUS_OFFLINE));
    EXPECT_EQ(calls.Since(mark), (std::vector<std::string>{Message("IM_IN", "Bob:F:whole"), Status(STATUS_OFFLINE)}));

    // Nothing of the old stream is left over to spoil the next one.
    const std::size_t again = calls.log.size();
    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    server.SendData(1, "IM_IN:Bob:F:fresh");
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:fresh")));
    EXPECT_EQ(calls.Since(again), (std::vector<std::string>{Status(STATUS_OFFLINE), Status(STATUS_SIGNING_ON),
                                                           Status(STATUS_ONLINE), "OnSignonDone()",
                                                           Message("IM_IN", "Bob:F:fresh")}));
}

// --- payloads ---

struct PayloadCase {
    const char* label;
    std::string payload;      // the whole DATA payload as sent
    std::string command;      // what the host must be handed
    std::string arguments;
};
void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.label; }

const PayloadCase kPayloadCases[] = {
    {"WithoutTrailingNul", "IM_IN:Bob:F:no terminator"s, "IM_IN", "Bob:F:no terminator"},
    {"NulInTheMiddle", "IM_IN:Bob:F:before\0after:x\0"s, "IM_IN", "Bob:F:before"},
    {"NoColon", "NICK\0"s, "NICK", ""},
    {"EmptyArguments", "EVILED:\0"s, "EVILED", ""},
    // A received argument text holds at most 2047 characters.
    {"LongArgumentsCut", "IM_IN:" + std::string(8000, 'x') + '\0', "IM_IN", std::string(2047, 'x')},
    {"LongestLengthField", "IM_IN:" + std::string(65535 - 6, 'y'), "IM_IN", std::string(2047, 'y')},
    // A received command name holds at most 1023 characters.
    {"LongCommandCut", std::string(5000, 'C') + ":tail\0"s, std::string(1023, 'C'), "tail"},
};

class PayloadTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<PayloadCase> {};

TEST_P(PayloadTest, TextEndsAtTheFirstNulAndTheStreamStaysInStep)
{
    const PayloadCase& c = GetParam();
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    ASSERT_LE(c.payload.size(), 65535u);
    server.SendRaw(0, server.Frame(0, faketoc::kFrameData, Bytes(c.payload)) + DataFrame("IM_IN:Bob:F:next"));
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:next")));
    EXPECT_EQ(calls.Since(mark),
              (std::vector<std::string>{Message(c.command, c.arguments), Message("IM_IN", "Bob:F:next")}));
    EXPECT_EQ(calls.LastStatus(), STATUS_ONLINE);
}

INSTANTIATE_TEST_SUITE_P(Cases, PayloadTest, ::testing::ValuesIn(kPayloadCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(FramesTest, EmptyDataFrameKeepsTheStreamInStep)
{
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    server.SendRaw(0, server.Frame(0, faketoc::kFrameData, {}) + DataFrame("IM_IN:Bob:F:next"));
    ASSERT_TRUE(ServerSendsReported());
    EXPECT_EQ(calls.log.back(), Message("IM_IN", "Bob:F:next"));
    EXPECT_LE(calls.Since(mark).size(), 2u);
    EXPECT_EQ(calls.LastStatus(), STATUS_ONLINE);
}

// --- frame types the library does not handle ---

class SkippedTypeTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(SkippedTypeTest, SkippedByItsLengthConnectionStays)
{
    const auto type = static_cast<std::uint8_t>(GetParam());
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    // Alone in its read, and first in a read followed by a DATA frame.
    server.SendFrame(0, type, Bytes("IM_IN:Eve:F:hidden\0"s));
    Settle(50);
    server.SendRaw(0, server.Frame(0, type, Bytes("IM_IN:Eve:F:hidden too\0"s)) + DataFrame("IM_IN:Bob:F:seen"));
    ASSERT_TRUE(ServerSendsReported());
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Message("IM_IN", "Bob:F:seen")});
    EXPECT_TRUE(Peer().connected);
    EXPECT_EQ(Send("toc_init_done"), 0);
    EXPECT_TRUE(WaitForCommand("toc_init_done"));
}

INSTANTIATE_TEST_SUITE_P(Types, SkippedTypeTest, ::testing::Values(0, 3, 4, 6, 255));

// --- a stream out of step ---

struct BadMarkerCase {
    const char* label;
    bool afterGoodFrame;  // the bad byte follows a good frame in the same write
    char marker;
};
void PrintTo(const BadMarkerCase& c, std::ostream* os) { *os << c.label; }

class BadMarkerTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<BadMarkerCase> {};

TEST_P(BadMarkerTest, ClosesTheConnectionLikeAServerClose)
{
    const BadMarkerCase& c = GetParam();
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    // A frame whose marker is wrong; its length bytes ask for far more than follows.
    QByteArray bad = server.Frame(0, faketoc::kFrameData, Bytes("IM_IN:Eve:F:garbage\0"s));
    bad[0] = c.marker;
    bad[4] = '\x7f';
    std::vector<std::string> expected;
    if (c.afterGoodFrame) {
        bad.prepend(DataFrame("IM_IN:Bob:F:before"));
        expected.push_back(Message("IM_IN", "Bob:F:before"));
    }
    expected.push_back(Status(STATUS_OFFLINE));
    server.SendRaw(0, bad);
    ASSERT_TRUE(WaitForStatus(STATUS_OFFLINE));
    ASSERT_TRUE(WaitForServerSideClosed());
    Settle(50);
    EXPECT_EQ(calls.Since(mark), expected);
    EXPECT_TRUE(Peer().closedByPeer);
    EXPECT_EQ(Send("toc_init_done"), -1);

    // Ready for the next connection.
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

const BadMarkerCase kBadMarkerCases[] = {
    {"FirstInRead", false, '#'},
    {"AfterGoodFrame", true, '#'},
    {"NulMarker", true, '\0'},
    {"GreetingAgain", false, 'F'},
};
INSTANTIATE_TEST_SUITE_P(Cases, BadMarkerTest, ::testing::ValuesIn(kBadMarkerCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
