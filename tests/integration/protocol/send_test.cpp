// TOC_Send: when it is accepted, the DATA frame it produces, the escaping in
// the caller's buffer, and the refusal of frames that would not fit.
#include <cstring>

#include "protocol_fixture.h"

namespace {

using namespace std::string_literals;

using SendTest = ProtocolLibraryTest;

// The frames the server received after the first count of them.
std::vector<faketoc::RecordedFrame> FramesAfter(const faketoc::FakeTocServer::ClientRecord& peer, std::size_t count)
{
    return count >= peer.frames.size() ? std::vector<faketoc::RecordedFrame>{}
                                       : std::vector<faketoc::RecordedFrame>(peer.frames.begin() + static_cast<long>(count),
                                                                             peer.frames.end());
}

TEST_F(SendTest, RefusedUntilSignOnThenDelivered)
{
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(Send("toc_init_done"), -1) << "no connection yet";
    ASSERT_TRUE(SignOnHeld());
    EXPECT_EQ(Send("toc_init_done"), -1) << "signing on";
    ASSERT_TRUE(KeepAliveAnswered());
    EXPECT_EQ(Peer().frames.size(), 3u) << "only the sign-on frame, toc_signon and the keep-alive's answer";

    ASSERT_TRUE(server.AcceptSignOn(0));
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    EXPECT_EQ(Send("toc_init_done"), 0);
    ASSERT_TRUE(WaitForCommand("toc_init_done"));
    EXPECT_EQ(CommandsAfterSignon(), std::vector<std::string>{"toc_init_done"});
}

TEST_F(SendTest, RefusedFromPauseUntilTheNextSignOn)
{
    ASSERT_TRUE(SignOn());
    // PAUSE has no callback of its own: the message after it shows it was read.
    server.SendRaw(0, DataFrame("PAUSE") + DataFrame("IM_IN:Bob:F:during pause"));
    ASSERT_TRUE(WaitForEntry(Message("IM_IN", "Bob:F:during pause")));
    const std::size_t framesBefore = Peer().frames.size();
    EXPECT_EQ(Send("toc_send_im bob \"refused\""), -1);

    const std::size_t mark = calls.log.size();
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(WaitFor([&] { return calls.Since(mark).size() >= 2; }));
    // The sign-on completion runs again after a PAUSE.
    EXPECT_EQ(calls.Since(mark), (std::vector<std::string>{Status(STATUS_ONLINE), "OnSignonDone()"}));
    EXPECT_EQ(Send("toc_send_im bob \"accepted\""), 0);
    ASSERT_TRUE(WaitForCommand("toc_send_im bob \"accepted\""));
    const auto after = FramesAfter(Peer(), framesBefore);
    ASSERT_EQ(after.size(), 1u) << "the refused command must not have been sent";
    EXPECT_EQ(after[0].payload, "toc_send_im bob \"accepted\"\0"s);
}

TEST_F(SendTest, OnlineSendIsOneDataFrameEndingWithNul)
{
    ASSERT_TRUE(SignOn());
    const std::uint16_t lastSequence = Peer().frames.back().sequence;
    char text[] = "toc_send_im bob \"hello there\"";
    EXPECT_EQ(api.send(text, -1), 0);
    ASSERT_TRUE(WaitFor([&] { return Peer().frames.size() == 3; }));
    const auto& frame = Peer().frames.back();
    EXPECT_EQ(frame.type, faketoc::kFrameData);
    EXPECT_EQ(frame.sequence, static_cast<std::uint16_t>(lastSequence + 1));
    EXPECT_EQ(frame.payload, "toc_send_im bob \"hello there\"\0"s);
}

TEST_F(SendTest, DollarIsEscapedInTheCallersBuffer)
{
    ASSERT_TRUE(SignOn());
    char text[8] = "a$b";
    EXPECT_EQ(api.send(text, -1), 0);
    EXPECT_STREQ(text, "a\\$b");
    ASSERT_TRUE(WaitFor([&] { return Peer().frames.size() == 3; }));
    EXPECT_EQ(Peer().frames.back().payload, "a\\$b\0"s);
    EXPECT_EQ(Peer().frames.back().payload.size(), 5u);
}

TEST_F(SendTest, ExplicitLengthSendsTheBytesAsTheyAre)
{
    ASSERT_TRUE(SignOn());
    char text[] = "toc_x $(y)\0tail";
    EXPECT_EQ(api.send(text, 10), 0);
    EXPECT_STREQ(text, "toc_x $(y)") << "nothing is rewritten with an explicit length";
    ASSERT_TRUE(WaitFor([&] { return Peer().frames.size() == 3; }));
    EXPECT_EQ(Peer().frames.back().payload, "toc_x $(y)\0"s);
}

TEST_F(SendTest, LongTextIsCutTo2047CharactersInTheCallersBufferToo)
{
    ASSERT_TRUE(SignOn());
    std::vector<char> text(3001, 'a');
    text[3000] = '\0';
    EXPECT_EQ(api.send(text.data(), -1), 0);
    EXPECT_EQ(std::strlen(text.data()), 2047u);
    ASSERT_TRUE(WaitFor([&] { return Peer().frames.size() == 3; }));
    EXPECT_EQ(Peer().frames.back().payload, std::string(2047, 'a') + '\0');
}

struct SizeCase {
    const char* label;
    std::string text;
    int length;             // as passed to TOC_Send
    int expectedResult;
    std::string expectedPayload;  // empty: nothing may be sent
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.label; }

// A DATA payload (text and its NUL) must fit 4090 bytes.
const SizeCase kSizeCases[] = {
    {"AllDollarsEscapeTo4094", std::string(2047, '$'), -1, -1, ""},
    {"EscapedTo4090IsOneTooMany", std::string(2043, '$') + "abcd", -1, -1, ""},
    {"EscapedTo4089Fits", std::string(2042, '$') + "abcde", -1, 0,
     [] {
         std::string s;
         for (int i = 0; i < 2042; ++i)
             s += "\\$";
         return s + "abcde" + '\0';
     }()},
    {"ExplicitLength4090", std::string(4090, 'x'), 4090, -1, ""},
    {"ExplicitLength4089", std::string(4089, 'x'), 4089, 0, std::string(4089, 'x') + '\0'},
};

class SendSizeTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SendSizeTest, OversizeFramesAreRefusedWhole)
{
    const SizeCase& c = GetParam();
    ASSERT_TRUE(SignOn());
    const std::size_t framesBefore = Peer().frames.size();
    std::vector<char> buffer(c.text.size() * 2 + 1, '\0');
    c.text.copy(buffer.data(), c.text.size());
    EXPECT_EQ(api.send(buffer.data(), c.length), c.expectedResult);

    ASSERT_EQ(Send("toc_marker"), 0);
    ASSERT_TRUE(WaitForCommand("toc_marker"));
    const auto after = FramesAfter(Peer(), framesBefore);
    if (c.expectedPayload.empty()) {
        ASSERT_EQ(after.size(), 1u) << "a refused frame reached the server";
    } else {
        ASSERT_EQ(after.size(), 2u);
        EXPECT_EQ(after[0].payload, c.expectedPayload);
    }
    EXPECT_EQ(after.back().payload, "toc_marker\0"s);
    EXPECT_EQ(Peer().protocolError, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, SendSizeTest, ::testing::ValuesIn(kSizeCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
