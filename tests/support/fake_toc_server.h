// A TOC server for tests (and for the local server tocd), on 127.0.0.1 in the
// caller's Qt event loop. It checks the greeting, the sign-on frame and
// toc_signon, records everything each client sends, answers a good sign-on,
// relays instant messages and presence between signed-on clients, can run an
// "Echo Bot", and lets a test send any bytes: whole, split or joined frames.
//
// Needs a QCoreApplication (or QApplication) object; one thread only.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_flap.h"

namespace faketoc {

class FakeTocServer {
public:
    FakeTocServer();
    ~FakeTocServer();
    FakeTocServer(const FakeTocServer&) = delete;
    FakeTocServer& operator=(const FakeTocServer&) = delete;

    // Listens on 127.0.0.1; port 0 picks a free port. False if the port is taken.
    bool Listen(quint16 port = 0);
    quint16 Port() const;

    // --- behaviour (set before clients connect) ---
    // Sequence number of the server's SIGNON frame; each later frame to that
    // client carries one more, wrapping from 65535 to 0. Default 1000.
    void SetSignonSequence(std::uint16_t sequence);
    // Answer a good toc_signon with SIGN_ON:TOC1.0 at once (default true).
    // When off, the sign-on waits for AcceptSignOn.
    void SetAutoSignOn(bool on);
    // An account: the name is normalised here. A name with an account must
    // sign on with exactly this password, or gets ERROR:980.
    void SetPassword(const std::string& screenName, const std::string& password);
    // A name without an account signs on with any password (default true);
    // when false it gets ERROR:980.
    void SetAcceptAnyPassword(bool on);
    // The first accepted sign-on of a name without an account makes its
    // password that name's account (default false).
    void SetRememberFirstPassword(bool on);
    // Instant messages, warnings and UPDATE_BUDDY between signed-on clients
    // (default true). Off: such commands are only recorded.
    void SetRelay(bool on);
    // "Echo Bot" (normalised "echobot"), always online: announced to every
    // user right after SIGN_ON with UPDATE_BUDDY, and answers every IM with
    // the same text, keeping the auto-response flag (so an away reply is not
    // answered with a fresh message); to "invite me" it adds a CHAT_INVITE.
    // No one else may sign on as echobot while it runs. Default false.
    //
    // toc_add_deny and toc_add_permit work as in TOC: a user's messages and
    // presence are kept from whoever denies them (the sender gets ERROR:901).
    void SetEchoBot(bool on);
    // Keep frames and commands in the client records (default true). tocd
    // turns it off so a long-running server does not grow.
    void SetRecording(bool on);

    // --- what each connection did, in accept order ---
    struct ClientRecord {
        std::string greeting;  // the bytes received before the first frame (at most 10)
        bool greetingOk = false;  // exactly "FLAPON\r\n\r\n"
        std::vector<RecordedFrame> frames;  // every frame received, any type
        // Every DATA payload up to its first NUL, as on the wire (still escaped).
        std::vector<std::string> commands;
        // The same commands split into arguments after the server's unescaping.
        std::vector<std::vector<std::string>> parsedCommands;
        std::string screenName;  // as the SIGNON frame carries it (a correct client sends it normalised)
        bool signedOn = false;   // the sign-on was accepted (stays set afterwards)
        bool online = false;     // signed on and not yet signed off or disconnected
        bool connected = true;   // the TCP connection is still open
        bool closedByPeer = false;
        std::string signonError;    // why the sign-on was refused, if it was
        std::string protocolError;  // why the server dropped the connection (greeting, framing)
    };
    int ClientCount() const;
    // An index out of range gives an empty record (not connected, nothing received).
    const ClientRecord& Client(int index) const;

    // --- sending to a client (index in accept order); false if there is no
    // such client or its connection is closed ---
    bool SendRaw(int client, const QByteArray& bytes);
    // Bytes sent to the client that the kernel has not taken yet: they stay
    // here while the client does not read and its socket buffers are full.
    qint64 BytesWaiting(int client) const;
    // Builds a frame with the client's next server sequence number (and uses
    // it up), for joining or cutting frames with SendRaw.
    QByteArray Frame(int client, std::uint8_t type, const QByteArray& payload);
    bool SendFrame(int client, std::uint8_t type, const QByteArray& payload);
    bool SendData(int client, const std::string& text, bool trailingNul = true);
    bool SendKeepAlive(int client);
    // Completes a sign-on held back by SetAutoSignOn(false): sends SIGN_ON and
    // does what follows it (Echo Bot, presence). False if none is waiting.
    bool AcceptSignOn(int client);
    // The server closes the connection (after sending what is queued).
    void Close(int client);

    // Runs the Qt event loop until pred() is true or timeoutMs has passed;
    // returns the last value of pred().
    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace faketoc
