// The library's one connection as the TOC conversation sees it: the state
// record, the six exported operations, the sign-on reply, the handling of
// SIGN_ON, ERROR and PAUSE, and the hand-off of every other message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "flap_codec.h"
#include "toc_limits.h"
#include "tocwire.h"
#include "toc_text.h"
#include "transport.h"

namespace tocwire {

inline constexpr std::size_t kMaxStoredText = 1023;  // TOC_Init's texts are cut to this
// A server that accepts the connection but never answers the sign-on would
// otherwise keep the client signing on for ever.
using ::kSignonTimeLimitMs;

struct LibraryState {
    void* ownerWindow = nullptr;
    ProtocolCallbacks* callbacks = nullptr;
    std::string screenName;
    std::string password;
    std::string loginHost;
    std::string clientVersion;
    int loginPort = -1;  // -1: not initialised
    int signonState = STATUS_OFFLINE;
    bool connected = false;
    std::uint32_t nextSequence = 0;
    bool paused = false;
    bool connectPending = false;
};

using MessageSink = void (*)(void* ownerWindow, const char* text);

class TocLibrary : public TransportEvents {
public:
    explicit TocLibrary(MessageSink sink) : sink_(sink) {}
    void SetTransport(Transport* transport) { transport_ = transport; }
    // Time from the TCP connect to SIGN_ON before the attempt is given up;
    // only a shorter one than the default is taken.
    void SetSignonTimeLimit(int ms)
    {
        signonTimeLimitMs_ = ms > 0 && ms <= kSignonTimeLimitMs ? ms : kSignonTimeLimitMs;
    }
    // While quiet, the library's messages go to standard error instead of the
    // sink: the host is trying on its own and nobody is waiting at a box.
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    // The error number (errno) of the last connection that could not be made;
    // 0 from the start of each accepted Establish until a connect fails.
    int LastConnectError() const { return lastConnectError_; }
    // True while one of the library's message boxes is open (its frames are
    // on the stack below the box's event loop).
    bool MessageOpen() const { return boxDepth_ > 0; }

    int Init(void* ownerWindow, ProtocolCallbacks* callbacks, const char* screenName,
             const char* password, int loginPort, const char* loginHost, const char* clientVersion);
    int Establish(const char* host, int port);
    int Send(char* text, int length);
    void Disconnect();
    void Shutdown();

    const LibraryState& State() const { return state_; }

    // TransportEvents
    void OnConnectionWritable() override;
    void OnConnectFailed(int error) override;
    void OnBytesReceived(std::string_view bytes) override;
    void OnConnectionClosed() override;
    void OnDeadline() override;
    void OnProxyRefused(const std::string& line) override;

private:
    int SendFrame(std::uint8_t type, std::string_view payload);
    int SendCommandLine(std::string_view line);
    void DispatchBuffered();
    bool HandleFrame(const FrameView& frame);  // false: drop the rest of what was received
    // The texts end in a NUL (TocMessageText).
    bool HandleMessage(const TocMessageText& message);
    bool SendDefaultCompletion();
    void SignonReply(std::uint16_t sequence);
    // How a connection ends. Each kind leaves out the steps that do not apply.
    enum class CloseKind {
        OwnClose,       // TOC_Disconnect or TOC_Shutdown: SIGNOFF already sent
        StreamEnded,    // the peer closed, the stream is unusable or the sign-on took too long
        SignonRefused,  // an ERROR before SIGN_ON: the frames after it are still handed on
        ConnectFailed,  // the TCP connect did not complete (connectError says why)
    };
    // Back to offline: the transport closed, the state reset, the status reported.
    void GoOffline(CloseKind kind, int connectError = 0);
    void ReportStatus(int status);
    void Message(const char* text);
    void ShowBox(void* ownerWindow, const char* text);
    void ConnectFailureMessage(int error);

    MessageSink sink_;
    Transport* transport_ = nullptr;
    LibraryState state_;
    FlapDecoder decoder_;
    std::string lastHost_;
    int lastPort_ = 0;
    bool dispatching_ = false;
    bool closePending_ = false;
    bool signonTimedOut_ = false;  // the limit passed while frames were being handled
    bool weirdSignonShown_ = false;  // an unasked-for SIGN_ON was shown on this connection
    int signonTimeLimitMs_ = kSignonTimeLimitMs;
    TocMessage copied_;  // a message whose payload had no room for its NULs
    int boxDepth_ = 0;
    bool quiet_ = false;
    int lastConnectError_ = 0;
    // Names the connection a handler works on: a handler that finds it
    // changed after a callback or a box stops.
    std::uint64_t connectionSerial_ = 0;
};

}  // namespace tocwire
