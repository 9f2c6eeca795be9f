// libFuzzer target: arbitrary server bytes, cut into reads of fuzzer-chosen
// sizes, through the FLAP decoder, the payload split and the whole sign-on
// state machine (fake transport, no sockets).
//
// Input: byte 0 chooses the client's behaviour (see the Option bits), bytes
// 1 to 3 the read sizes (each value + 1, used in turn), the rest is the
// stream the server sends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "flap_codec.h"
#include "toc_library.h"
#include "toc_text.h"

namespace {

enum Option : std::uint8_t {
    kDefaultCompletion = 1 << 0,  // OnSignonDone returns 0
    kReplyFromCallbacks = 1 << 1, // Send from OnSignonDone and OnServerMessage
    kReconnectOnOffline = 1 << 2, // Establish from OnStatusChange(STATUS_OFFLINE)
    kCloseAtEnd = 1 << 3,         // the server closes after the last byte
    kDigitScreenName = 1 << 4,
    kFlakyWrites = 1 << 5,        // every third write fails
    kDisconnectOnMessage = 1 << 6,// Disconnect from OnServerMessage, once
    kExplicitLengthReplies = 1 << 7,
};

// ---- The decoder on its own: pieces must give what one feed gives. ----

struct Seen {
    std::uint8_t type;
    std::uint16_t sequence;
    std::string payload;
    bool operator==(const Seen&) const = default;
};

tocwire::FlapDecoder::Result Drain(tocwire::FlapDecoder& decoder, std::vector<Seen>& out)
{
    tocwire::Frame frame;
    for (;;) {
        const auto result = decoder.Next(frame);
        if (result != tocwire::FlapDecoder::Result::Frame)
            return result;
        FUZZ_CHECK(frame.payload.size() <= 0xffff);
        out.push_back({frame.type, frame.sequence, frame.payload});
    }
}

void CheckSplit(const std::string& payload)
{
    const tocwire::TocMessage m = tocwire::SplitPayload(payload);
    FUZZ_CHECK(m.command.size() <= tocwire::kMaxCommandName);
    FUZZ_CHECK(m.arguments.size() <= kMaxTocText);
    FUZZ_CHECK(m.command.find('\0') == std::string::npos);
    FUZZ_CHECK(m.arguments.find('\0') == std::string::npos);
    FUZZ_CHECK(m.command.find(':') == std::string::npos);
    const std::string_view text(payload.data(), std::min(payload.size(), std::strlen(payload.c_str())));
    FUZZ_CHECK(text.substr(0, m.command.size()) == m.command);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        FUZZ_CHECK(m.arguments.empty());
    else
        FUZZ_CHECK(text.substr(colon + 1, m.arguments.size()) == m.arguments);
}

void FuzzDecoder(std::string_view stream, const std::uint8_t* pieceSizes)
{
    tocwire::FlapDecoder whole;
    std::vector<Seen> wholeFrames;
    whole.Feed(stream);
    const auto wholeResult = Drain(whole, wholeFrames);

    tocwire::FlapDecoder pieces;
    std::vector<Seen> pieceFrames;
    auto pieceResult = tocwire::FlapDecoder::Result::NeedMore;
    for (std::size_t at = 0, turn = 0; at < stream.size(); ++turn) {
        const std::size_t size = std::min<std::size_t>(pieceSizes[turn % 3] + 1u, stream.size() - at);
        pieces.Feed(stream.substr(at, size));
        at += size;
        pieceResult = Drain(pieces, pieceFrames);
    }
    if (stream.empty())
        pieceResult = Drain(pieces, pieceFrames);

    FUZZ_CHECK(wholeFrames == pieceFrames);
    FUZZ_CHECK(wholeResult == pieceResult);
    if (wholeResult == tocwire::FlapDecoder::Result::NeedMore)
        FUZZ_CHECK(whole.Buffered() == pieces.Buffered());

    std::size_t consumed = 0;
    for (const Seen& frame : wholeFrames) {
        consumed += tocwire::kFrameHeaderSize + frame.payload.size();
        if (frame.type == tocwire::MSGTYPE_DATA)
            CheckSplit(frame.payload);
    }
    FUZZ_CHECK(consumed <= stream.size());
}

// ---- The library: invariants checked at every callback and write. ----

struct Run;
Run* g_run = nullptr;

class FuzzTransport : public tocwire::Transport {
public:
    int Connect(const std::string&, int) override
    {
        FUZZ_CHECK(!open);  // the library never starts a second connection over an open one
        open = true;
        return kPending;
    }
    bool IsOpen() const override { return open; }
    int Write(std::string_view bytes) override;
    void Close() override { open = false; }

    bool open = false;
    bool flaky = false;
    int writes = 0;
};

class FuzzCallbacks : public ProtocolCallbacks {
public:
    int OnSignonError(const char* text) override;
    int OnServerError(const char* text) override;
    void OnServerMessage(const char* command, const char* arguments) override;
    int OnSignonDone() override;
    void OnStatusChange(int status) override;
};

struct Run {
    std::uint8_t options = 0;
    FuzzTransport transport;
    FuzzCallbacks callbacks;
    tocwire::TocLibrary library{&Sink};
    bool started = false;  // the first connection is under way; reconnecting allowed from here
    int reconnects = 0;
    bool disconnected = false;
    bool reconnectedSinceWritable = false;

    static void Sink(void*, const char* text)
    {
        FUZZ_CHECK(text != nullptr);
        FUZZ_CHECK(std::strlen(text) < 1200);
    }

    void CheckState() const
    {
        const tocwire::LibraryState& s = library.State();
        FUZZ_CHECK(s.signonState >= STATUS_OFFLINE && s.signonState <= STATUS_ONLINE);
        if (s.signonState != STATUS_OFFLINE)
            FUZZ_CHECK(transport.open);
        FUZZ_CHECK(!(s.connected && s.connectPending));
    }

    // Sends the text the way the client does, and checks the answer.
    void Reply(std::string_view text)
    {
        const tocwire::LibraryState& s = library.State();
        const bool accepted = s.signonState == STATUS_ONLINE && !s.paused;
        std::vector<char> buffer(2 * kMaxTocText + 2, '\0');
        const std::size_t copied = std::min(text.size(), buffer.size() - 1);
        std::memcpy(buffer.data(), text.data(), copied);
        const std::size_t length = std::strlen(buffer.data());
        int result;
        std::size_t payload;
        if ((options & kExplicitLengthReplies) != 0) {
            result = library.Send(buffer.data(), static_cast<int>(length));
            payload = length + 1;
        } else {
            payload = tocwire::EscapeSpecials(std::string_view(buffer.data(), length)).size() + 1;
            result = library.Send(buffer.data(), -1);
        }
        FUZZ_CHECK(result == ((accepted && payload <= tocwire::kMaxOutgoingPayload) ? 0 : -1));
    }
};

int FuzzTransport::Write(std::string_view bytes)
{
    if (!open)
        return -1;  // as a closed socket answers
    ++writes;
    if (bytes == tocwire::kFlapOn)
        return static_cast<int>(bytes.size());
    FUZZ_CHECK(bytes.size() >= tocwire::kFrameHeaderSize);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    FUZZ_CHECK(p[0] == '*');
    const std::size_t length = (std::size_t{p[4]} << 8) | p[5];
    FUZZ_CHECK(bytes.size() == tocwire::kFrameHeaderSize + length);
    FUZZ_CHECK(length <= tocwire::kMaxOutgoingPayload);
    switch (p[1]) {
    case tocwire::MSGTYPE_SIGNON: {
        FUZZ_CHECK(length >= 8);
        FUZZ_CHECK(std::memcmp(p + 6, "\0\0\0\1\0\1", 6) == 0);
        const std::size_t nameLength = (std::size_t{p[12]} << 8) | p[13];
        FUZZ_CHECK(length == 8 + nameLength);
        break;
    }
    case tocwire::MSGTYPE_DATA:
        FUZZ_CHECK(length >= 1 && p[6 + length - 1] == '\0');
        break;
    case tocwire::MSGTYPE_SIGNOFF:
    case tocwire::MSGTYPE_KEEPALIVE:
        FUZZ_CHECK(length == 0);
        break;
    default:
        FUZZ_CHECK(false && "unexpected frame type");
    }
    if (flaky && writes % 3 == 0)
        return -1;
    return static_cast<int>(bytes.size());
}

int FuzzCallbacks::OnSignonError(const char* text)
{
    FUZZ_CHECK(std::strlen(text) <= kMaxTocText);
    FUZZ_CHECK(g_run->library.State().signonState == STATUS_OFFLINE);
    g_run->CheckState();
    return text[0] == '9' ? 0 : 1;
}

int FuzzCallbacks::OnServerError(const char* text)
{
    FUZZ_CHECK(std::strlen(text) <= kMaxTocText);
    FUZZ_CHECK(g_run->library.State().signonState == STATUS_ONLINE);
    return text[0] == '9' ? 0 : 1;
}

void FuzzCallbacks::OnServerMessage(const char* command, const char* arguments)
{
    FUZZ_CHECK(std::strlen(command) <= tocwire::kMaxCommandName);
    FUZZ_CHECK(std::strlen(arguments) <= kMaxTocText);
    FUZZ_CHECK(std::strcmp(command, "SIGN_ON") != 0 && std::strcmp(command, "ERROR") != 0 &&
               std::strcmp(command, "PAUSE") != 0);
    g_run->CheckState();
    Run& run = *g_run;
    if ((run.options & kDisconnectOnMessage) != 0 && !run.disconnected && arguments[0] == '\0') {
        run.disconnected = true;
        run.library.Disconnect();
        return;
    }
    if ((run.options & kReplyFromCallbacks) != 0)
        run.Reply(std::string("toc_send_im bob \"") + arguments + "\"");
}

int FuzzCallbacks::OnSignonDone()
{
    FUZZ_CHECK(g_run->library.State().signonState == STATUS_ONLINE);
    g_run->CheckState();
    if ((g_run->options & kReplyFromCallbacks) != 0)
        g_run->Reply("toc_init_done");
    return (g_run->options & kDefaultCompletion) != 0 ? 0 : 1;
}

void FuzzCallbacks::OnStatusChange(int status)
{
    const tocwire::LibraryState& s = g_run->library.State();
    // A pause is reported as signing on again while the connection stays online.
    FUZZ_CHECK(s.signonState == status || (status == STATUS_SIGNING_ON && s.paused && s.signonState == STATUS_ONLINE));
    if (status == STATUS_OFFLINE) {
        // The client may reconnect from here: everything is already closed.
        FUZZ_CHECK(!s.connected && !s.connectPending);
        if ((g_run->options & kReconnectOnOffline) != 0 && g_run->started && g_run->reconnects < 2 &&
            s.loginPort != -1) {
            ++g_run->reconnects;
            if (g_run->library.Establish("toc.example.net", 9898) == 1)
                g_run->reconnectedSinceWritable = true;
        }
    }
    g_run->CheckState();
}

void FuzzLibrary(std::uint8_t options, std::string_view stream, const std::uint8_t* pieceSizes)
{
    Run run;
    g_run = &run;
    run.options = options;
    run.transport.flaky = (options & kFlakyWrites) != 0;
    run.library.SetTransport(&run.transport);
    const char* screenName = (options & kDigitScreenName) != 0 ? "9 Lives" : "Some Body";
    FUZZ_CHECK(run.library.Init(nullptr, &run.callbacks, screenName, "pass$word(12)", 5190,
                                "login.example.net", "zorvane") == 1);
    FUZZ_CHECK(run.library.Establish("toc.example.net", 9898) == 1);
    run.started = true;
    run.library.OnConnectionWritable();
    run.CheckState();

    for (std::size_t at = 0, turn = 0; at < stream.size(); ++turn) {
        if (run.reconnectedSinceWritable && run.transport.open) {
            run.reconnectedSinceWritable = false;
            run.library.OnConnectionWritable();
        }
        if (!run.transport.open)
            break;  // a closed socket delivers nothing more
        const std::size_t size = std::min<std::size_t>(pieceSizes[turn % 3] + 1u, stream.size() - at);
        run.library.OnBytesReceived(stream.substr(at, size));
        at += size;
        run.CheckState();
    }
    if ((options & kCloseAtEnd) != 0 && run.transport.open) {
        if (run.reconnectedSinceWritable) {
            run.reconnectedSinceWritable = false;
            run.library.OnConnectionWritable();
        }
        run.library.OnConnectionClosed();
        run.CheckState();
        if (!run.reconnectedSinceWritable)  // unless the client reconnected at once
            FUZZ_CHECK(run.library.State().signonState == STATUS_OFFLINE && !run.transport.open);
    }
    run.library.Shutdown();
    const tocwire::LibraryState& s = run.library.State();
    FUZZ_CHECK(!run.transport.open);
    FUZZ_CHECK(s.signonState == STATUS_OFFLINE && !s.connected && !s.connectPending);
    g_run = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data + 4), size - 4);
    FuzzDecoder(stream, data + 1);
    FuzzLibrary(data[0], stream, data + 1);
    return 0;
}
