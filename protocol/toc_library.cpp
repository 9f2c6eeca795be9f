#include "toc_library.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "normalize_name.h"
#include "toc_capabilities.h"

namespace tocwire {

namespace {

std::string CopyCut(const char* text)
{
    if (text == nullptr)
        return {};
    return std::string(text, strnlen(text, kMaxStoredText));
}

}  // namespace

int TocLibrary::Init(void* ownerWindow, ProtocolCallbacks* callbacks, const char* screenName,
                     const char* password, int loginPort, const char* loginHost,
                     const char* clientVersion)
{
    if (state_.loginPort != -1) {
        ShowBox(ownerWindow, "You cannot call init again without shutting down first!");
        return 0;
    }
    state_.screenName = CopyCut(screenName);
    state_.password = CopyCut(password);
    state_.loginHost = CopyCut(loginHost);
    state_.clientVersion = CopyCut(clientVersion);
    state_.callbacks = callbacks;
    state_.loginPort = loginPort;
    state_.ownerWindow = ownerWindow;
    return 1;
}

int TocLibrary::Establish(const char* host, int port)
{
    if (state_.loginPort == -1 || state_.connected || state_.connectPending || transport_ == nullptr)
        return 0;
    state_.connectPending = false;
    state_.signonState = STATUS_OFFLINE;
    state_.paused = false;
    ReportStatus(STATUS_OFFLINE);
    // The callback may itself have started a connection.
    if (state_.connected || state_.connectPending)
        return 0;

    lastHost_ = host != nullptr ? host : "";
    lastPort_ = port;
    decoder_.Reset();
    closePending_ = false;
    signonTimedOut_ = false;
    weirdSignonShown_ = false;
    ++connectionSerial_;
    lastConnectError_ = 0;
    const int result = transport_->Connect(lastHost_, port);
    if (result == Transport::kConnected) {
        state_.connected = true;
        return 1;
    }
    if (result == Transport::kPending) {
        state_.connectPending = true;
        return 1;
    }
    lastConnectError_ = result;
    ConnectFailureMessage(result);
    return 0;
}

int TocLibrary::Send(char* text, int length)
{
    if (state_.signonState != STATUS_ONLINE || state_.paused || text == nullptr)
        return -1;
    std::size_t size = 0;
    if (length < 0) {
        size = EscapeSpecialsInPlace(text);
    } else {
        size = static_cast<std::size_t>(length);
    }
    // A DATA payload is the text and one zero byte, and must fit 4090 bytes:
    // an oversize command is refused whole rather than cut mid-frame.
    if (size + 1 > kMaxOutgoingPayload)
        return -1;
    std::string payload(text, size);
    payload.push_back('\0');
    SendFrame(MSGTYPE_DATA, payload);
    return 0;
}

void TocLibrary::Disconnect()
{
    if (state_.signonState != STATUS_ONLINE)
        return;
    if (SendFrame(MSGTYPE_SIGNOFF, {}) == -1)
        Message("Error sending SIGNOFF");
    GoOffline(CloseKind::OwnClose);
}

void TocLibrary::Shutdown()
{
    state_.loginPort = -1;
    if (!state_.connected) {
        // Abandon a connect still under way: it would otherwise sign on with
        // the old credentials, or outlive the library.
        if (state_.connectPending && transport_ != nullptr) {
            transport_->Close();
            decoder_.Reset();
            state_.connectPending = false;
        }
        return;
    }
    if (state_.signonState == STATUS_ONLINE && SendFrame(MSGTYPE_SIGNOFF, {}) == -1)
        Message("Error sending SIGNOFF");
    GoOffline(CloseKind::OwnClose);
}

void TocLibrary::OnConnectionWritable()
{
    // The TCP connect is complete: count the connection as up from here, so
    // no second TOC_Establish is accepted in the middle of the handshake.
    state_.connectPending = false;
    state_.connected = true;
    transport_->ArmDeadline(signonTimeLimitMs_);
    if (transport_->Write(kFlapOn) == -1)
        Message("Error sending FLAPON");
}

void TocLibrary::OnConnectFailed(int error)
{
    lastConnectError_ = error;
    GoOffline(CloseKind::ConnectFailed, error);
}

void TocLibrary::OnProxyRefused(const std::string& line)
{
    // As a failed connect (the transport is closed already), with the
    // proxy's own reason in place of an error number.
    decoder_.Reset();
    state_.connected = false;
    state_.connectPending = false;
    state_.signonState = STATUS_OFFLINE;
    state_.paused = false;
    Message(line.c_str());
    ReportStatus(STATUS_OFFLINE);
}

void TocLibrary::OnBytesReceived(std::string_view bytes)
{
    state_.connectPending = false;
    decoder_.Feed(bytes);
    // A notification that arrives while an earlier one is still handling its
    // frames (a message box runs the event loop) only adds to the stream; the
    // earlier handler takes the new frames in order.
    if (!dispatching_)
        DispatchBuffered();
}

void TocLibrary::OnConnectionClosed()
{
    closePending_ = true;
    if (!dispatching_)
        DispatchBuffered();
}

void TocLibrary::OnDeadline()
{
    if (state_.signonState == STATUS_ONLINE || !transport_->IsOpen())
        return;
    // The same end as a server that closes during the sign-on. Frames being
    // handled right now (under a message box) finish first.
    if (dispatching_) {
        signonTimedOut_ = true;
        return;
    }
    GoOffline(CloseKind::StreamEnded);
}

void TocLibrary::DispatchBuffered()
{
    dispatching_ = true;
    const std::uint64_t serial = connectionSerial_;
    // Each frame is handled where it was read: its texts are handed on as
    // views into the decoder's buffer, which stay put until the next frame
    // is taken.
    FrameView frame;
    bool badStream = false;
    for (;;) {
        const FlapDecoder::Result result = decoder_.NextView(frame);
        if (result == FlapDecoder::Result::NeedMore)
            break;
        if (result == FlapDecoder::Result::BadMarker) {
            badStream = true;
            break;
        }
        if (!HandleFrame(frame))
            decoder_.DiscardCompleteFrames();
        if (serial != connectionSerial_)
            break;  // a callback started a new connection; its stream is fresh
    }
    decoder_.Release();
    dispatching_ = false;
    if (serial == connectionSerial_ && (badStream || closePending_ || signonTimedOut_)) {
        GoOffline(CloseKind::StreamEnded);
    }
}

bool TocLibrary::HandleFrame(const FrameView& frame)
{
    switch (frame.type) {
    case MSGTYPE_SIGNON:
        if (state_.signonState == STATUS_OFFLINE && transport_->IsOpen())
            SignonReply(frame.sequence);
        return true;
    case MSGTYPE_DATA: {
        TocMessageText message;
        if (!SplitPayloadInPlace(frame.payload, frame.size, message)) {
            copied_ = SplitPayload(std::string_view(frame.payload, frame.size));
            message = {copied_.command, copied_.arguments};
        }
        return HandleMessage(message);
    }
    case MSGTYPE_KEEPALIVE:
        if (transport_->IsOpen() && SendFrame(MSGTYPE_KEEPALIVE, {}) == -1)
            Message("Error sending KEEPALIVE");
        return true;
    default:
        return true;  // error, signoff and unknown frames are skipped by their length
    }
}

void TocLibrary::SignonReply(std::uint16_t sequence)
{
    state_.nextSequence = sequence;
    const std::string name = NormalizeName(state_.screenName);
    std::string payload(kSignonPayloadHeader);
    payload.push_back(static_cast<char>((name.size() >> 8) & 0xff));
    payload.push_back(static_cast<char>(name.size() & 0xff));
    payload.append(name);
    if (SendFrame(MSGTYPE_SIGNON, payload) == -1) {
        Message("Error sending MSGTYPE_SIGNON");
        return;
    }
    std::string password = state_.password;
    if (!state_.screenName.empty() && state_.screenName[0] >= '0' && state_.screenName[0] <= '9' &&
        password.size() > 9)
        password.resize(9);
    const std::string line = "toc_signon " + state_.loginHost + " " + std::to_string(state_.loginPort) +
                             " " + name + " " + RoastPassword(password) + " english \"" +
                             state_.clientVersion + "\"";
    // A line the escaping would cut (very long stored texts) is refused, not sent cut.
    if (line.size() > kMaxTocText || SendCommandLine(line) == -1) {
        Message("Error sending toc_signon");
        return;
    }
    state_.signonState = STATUS_SIGNING_ON;
    state_.connected = true;
    ReportStatus(STATUS_SIGNING_ON);
}

bool TocLibrary::HandleMessage(const TocMessageText& message)
{
    ProtocolCallbacks* callbacks = state_.callbacks;
    if (message.command == "SIGN_ON") {
        if (!transport_->IsOpen())
            return true;  // left over from a connection already closed
        // Only the answer to our own toc_signon, or the end of a pause, signs
        // the user on: any other SIGN_ON would put the client online without
        // a sign-on, or run the sign-on completion again. It is shown once a
        // connection and changes nothing.
        if (state_.signonState != STATUS_SIGNING_ON && !state_.paused) {
            if (!std::exchange(weirdSignonShown_, true))
                Message("Got SIGN_ON in weird state");
            return true;
        }
        transport_->CancelDeadline();
        signonTimedOut_ = false;
        state_.paused = false;
        state_.signonState = STATUS_ONLINE;
        state_.connected = true;
        ReportStatus(STATUS_ONLINE);
        if (callbacks != nullptr && callbacks->OnSignonDone() != 0)
            return true;
        return SendDefaultCompletion();
    }
    if (message.command == "ERROR") {
        if (state_.signonState == STATUS_ONLINE) {
            if (callbacks == nullptr || callbacks->OnServerError(message.arguments.data()) == 0)
                Message("Server sent unhandled error.");
            return true;
        }
        if (transport_->IsOpen() && SendFrame(MSGTYPE_SIGNOFF, {}) == -1)
            Message("Error sending SIGNOFF");
        GoOffline(CloseKind::SignonRefused);
        if (callbacks == nullptr || callbacks->OnSignonError(message.arguments.data()) == 0)
            Message("Server sent error during signon. Try again later.");
        return true;  // the frames after it are still handed on
    }
    if (message.command == "PAUSE") {
        // Until the next SIGN_ON nothing is sent; the client hears of it as
        // a move back to signing on, and the SIGN_ON as a new sign-on.
        if (state_.signonState == STATUS_ONLINE && !state_.paused) {
            state_.paused = true;
            ReportStatus(STATUS_SIGNING_ON);
        }
        return true;
    }
    if (callbacks != nullptr)
        callbacks->OnServerMessage(message.command.data(), message.arguments.data());
    return true;
}

bool TocLibrary::SendDefaultCompletion()
{
    const std::string addSelf = "toc_add_buddy " + NormalizeName(state_.screenName);
    // Its own completion announces only file transfer.
    const std::string setCaps = "toc_set_caps " + std::string(kCapSendFile) + " " + std::string(kCapGetFile);
    const std::pair<std::string_view, const char*> steps[] = {
        {std::string_view{"toc_set_config \"m 1\n\""}, "Error sending toc_set_config"},
        {addSelf, "Error sending toc_add_buddy"},
        {"toc_init_done", "Error sending toc_init_done"},
        {setCaps, "Error sending toc_set_caps"},
    };
    for (const auto& [line, failure] : steps) {
        if (SendCommandLine(line) == -1) {
            Message(failure);
            return false;
        }
    }
    return true;
}

int TocLibrary::SendFrame(std::uint8_t type, std::string_view payload)
{
    if (payload.size() > kMaxOutgoingPayload)
        return -1;
    const auto sequence = static_cast<std::uint16_t>(state_.nextSequence & 0xffff);
    ++state_.nextSequence;
    if (transport_ == nullptr)
        return -1;
    return transport_->Write(EncodeFrame(type, sequence, payload));
}

int TocLibrary::SendCommandLine(std::string_view line)
{
    std::string payload = EscapeSpecials(line);
    payload.push_back('\0');
    return SendFrame(MSGTYPE_DATA, payload);
}

void TocLibrary::GoOffline(CloseKind kind, int connectError)
{
    if (kind != CloseKind::ConnectFailed)
        transport_->Close();
    if (kind == CloseKind::OwnClose || kind == CloseKind::StreamEnded) {
        // Handlers still running on the old connection see it is gone.
        ++connectionSerial_;
        closePending_ = false;
        signonTimedOut_ = false;
    }
    // A refused sign-on keeps what was received: the frames after the ERROR
    // are still handed on.
    if (kind != CloseKind::SignonRefused)
        decoder_.Reset();
    state_.connected = false;
    state_.connectPending = false;
    state_.signonState = STATUS_OFFLINE;
    state_.paused = false;
    if (kind == CloseKind::ConnectFailed)
        ConnectFailureMessage(connectError);
    ReportStatus(STATUS_OFFLINE);
}

void TocLibrary::ReportStatus(int status)
{
    if (state_.callbacks != nullptr)
        state_.callbacks->OnStatusChange(status);
}

void TocLibrary::Message(const char* text)
{
    ShowBox(state_.ownerWindow, text);
}

void TocLibrary::ShowBox(void* ownerWindow, const char* text)
{
    if (quiet_) {
        std::fprintf(stderr, "Protocol Module: %s\n", text);
        std::fflush(stderr);
        return;
    }
    // A box runs the event loop until it is closed. Meanwhile nothing more is
    // read: the server is held back by the kernel's flow control instead of
    // filling our memory, and what it sent is handled in order afterwards.
    if (boxDepth_++ == 0 && transport_ != nullptr)
        transport_->HoldReads(true);
    sink_(ownerWindow, text);
    if (--boxDepth_ == 0 && transport_ != nullptr)
        transport_->HoldReads(false);
}

void TocLibrary::ConnectFailureMessage(int error)
{
    char text[1200];
    std::snprintf(text, sizeof text, "Can't connect to %s on port %i. LastError is %i.", lastHost_.c_str(),
                  lastPort_, error);
    Message(text);
}

}  // namespace tocwire
