// Writing when the server does not take the bytes: a server that stops
// reading, and a connection the server has already closed.
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "protocol_fixture.h"
#include "raw_peer.h"
#include "stderr_capture.h"

namespace {

using namespace std::string_literals;

class RawServerTest : public ProtocolLibraryTest {
protected:
    static constexpr std::uint16_t kFirstSequence = 100;

    // Greeting, both sign-on frames, SIGN_ON: the library ends up online.
    bool SignOnTo(RawPeer& raw)
    {
        if (Init() != 1 || Establish(raw.Port()) != 1 || !raw.WaitForConnection() ||
            !raw.WaitForBytes(kGreeting.size()))
            return false;
        if (!raw.Send(faketoc::EncodeFrame(faketoc::kFrameSignon, kFirstSequence, kServerSignonPayload)))
            return false;
        if (!WaitFor([&] {
                raw.Drain();
                return ParseFrames(std::string_view(raw.Received()).substr(kGreeting.size())).frames.size() >= 2;
            }))
            return false;
        if (!raw.Send(faketoc::EncodeFrame(faketoc::kFrameData, kFirstSequence + 1, "SIGN_ON:TOC1.0\0"s)))
            return false;
        return WaitForStatus(STATUS_ONLINE);
    }
};

TEST_F(RawServerTest, EverythingQueuedArrivesInOrderOnceTheServerReadsAgain)
{
    RawPeer raw(32768);
    ASSERT_TRUE(raw.Listening());
    ASSERT_TRUE(SignOnTo(raw));

    // Far more than the kernel buffers of both ends hold, sent while the
    // server reads nothing and the event loop does not run.
    constexpr int kCommands = 3000;
    std::vector<std::string> sent;
    std::size_t total = raw.Received().size();
    for (int i = 0; i < kCommands; ++i) {
        std::string text = "toc_set_info " + std::to_string(i) + " ";
        text.append(4000 - text.size(), static_cast<char>('a' + i % 26));
        std::vector<char> buffer(text.begin(), text.end());
        ASSERT_EQ(api.send(buffer.data(), static_cast<int>(buffer.size())), 0) << "command " << i;
        sent.push_back(std::move(text));
        total += 6 + 4001;
    }
    // Read what the kernel holds, still without the event loop: the rest can
    // only be in the library's queue.
    raw.DrainWhileArriving(100);
    ASSERT_LT(raw.Received().size(), total) << "the kernel took everything: the queue was never used";

    // A marker command after the queue: once it is in, nothing else can come.
    const std::string marker = "toc_test_marker 1";
    ASSERT_EQ(Send(marker), 0);
    const std::size_t withMarker = total + 6 + marker.size() + 1;
    ASSERT_TRUE(raw.WaitForBytes(withMarker, 60000)) << raw.Received().size() << " of " << withMarker << " bytes arrived";
    ASSERT_EQ(raw.Received().size(), withMarker) << "more bytes than were sent";
    ASSERT_EQ(raw.Received().substr(total + 6), marker + '\0');

    ASSERT_EQ(raw.Received().substr(0, kGreeting.size()), kGreeting);
    const ParsedStream stream =
        ParseFrames(std::string_view(raw.Received()).substr(kGreeting.size(), total - kGreeting.size()));
    EXPECT_TRUE(stream.clean) << "the stream does not end at a frame boundary, or lost its marker";
    ASSERT_EQ(stream.frames.size(), 2u + kCommands);
    std::uint16_t sequence = kFirstSequence;
    for (std::size_t i = 0; i < stream.frames.size(); ++i) {
        const auto& frame = stream.frames[i];
        ASSERT_EQ(frame.sequence, sequence++) << "frame " << i;
        if (i < 2)
            continue;
        ASSERT_EQ(frame.type, faketoc::kFrameData) << "frame " << i;
        ASSERT_EQ(frame.payload, sent[i - 2] + '\0') << "frame " << i;
    }
    EXPECT_EQ(calls.LastStatus(), STATUS_ONLINE);
}

// Counts SIGPIPE while it lives instead of the test main's SIG_IGN, so a
// write that would kill an ordinary process is seen.
class SigpipeCounter {
public:
    SigpipeCounter()
    {
        count_ = 0;
        struct sigaction action{};
        action.sa_handler = [](int) { count_ = count_ + 1; };
        sigemptyset(&action.sa_mask);
        sigaction(SIGPIPE, &action, &saved_);
    }
    ~SigpipeCounter() { sigaction(SIGPIPE, &saved_, nullptr); }
    SigpipeCounter(const SigpipeCounter&) = delete;
    SigpipeCounter& operator=(const SigpipeCounter&) = delete;
    int Count() const { return count_; }
    // Proves the counting works: a plain send into a closed socket pair.
    static bool SeesOne()
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
            return false;
        ::close(pair[1]);
        const int before = count_;
        [[maybe_unused]] const ssize_t sent = ::send(pair[0], "x", 1, 0);
        ::close(pair[0]);
        return count_ == before + 1;
    }

private:
    static inline volatile std::sig_atomic_t count_ = 0;
    struct sigaction saved_{};
};

class ClosedPeerWriteTest : public RawServerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosedPeerWriteTest, WritingIntoAClosedConnectionRaisesNoSigpipe)
{
    const bool reset = GetParam();
    RawPeer raw;
    ASSERT_TRUE(raw.Listening());
    ASSERT_TRUE(SignOnTo(raw));
    SigpipeCounter sigpipes;
    ASSERT_TRUE(SigpipeCounter::SeesOne());
    const int baseline = sigpipes.Count();
    StderrCapture errors;  // "Error sending SIGNOFF"
    raw.CloseConnection(reset);
    // The library has not seen the close yet (the event loop does not run):
    // the first writes meet the reset, the later ones a dead socket.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Send("toc_set_idle " + std::to_string(i)), 0);
        usleep(20 * 1000);
    }
    api.disconnect();  // its SIGNOFF goes the same way
    EXPECT_EQ(calls.LastStatus(), STATUS_OFFLINE);
    Settle(50);
    EXPECT_EQ(sigpipes.Count(), baseline);
}

INSTANTIATE_TEST_SUITE_P(CloseKinds, ClosedPeerWriteTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Reset"s : "Fin"s; });

TEST_F(RawServerTest, CloseWhileTheLibraryWritesReportsOfflineOnce)
{
    RawPeer raw;
    ASSERT_TRUE(raw.Listening());
    ASSERT_TRUE(SignOnTo(raw));
    const std::size_t mark = calls.log.size();
    raw.CloseConnection(true);
    usleep(20 * 1000);
    EXPECT_EQ(Send("toc_set_idle 1"), 0) << "TOC_Send reports no socket failure";
    ASSERT_TRUE(WaitForStatus(STATUS_OFFLINE));
    Settle(100);
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

}  // namespace
