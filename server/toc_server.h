// tocd's TOC server, on 127.0.0.1 in the caller's Qt event loop. It checks
// the greeting, the sign-on frame and toc_signon, answers a good sign-on,
// relays instant messages and presence between signed-on clients, keeps deny
// and permit lists, serves profiles over HTTP on the same port, and can run
// an "Echo Bot".
//
// Needs a QCoreApplication (or QApplication) object; one thread only. The
// test suite layers its controls (recording, held sign-ons, raw bytes) on
// this class in tests/support.
#pragma once

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flap_frames.h"

namespace tocserver {

class TocServer {
public:
    TocServer();
    ~TocServer();
    TocServer(const TocServer&) = delete;
    TocServer& operator=(const TocServer&) = delete;

    // Listens on 127.0.0.1; port 0 picks a free port. False if the port is taken.
    bool Listen(quint16 port = 0);
    quint16 Port() const;

    // --- behaviour (set before clients connect) ---
    // Sequence number of the server's SIGNON frame; each later frame to that
    // client carries one more, wrapping from 65535 to 0. Default 1000.
    void SetSignonSequence(std::uint16_t sequence);
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
    // (default true). Off: such commands are ignored.
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

    // --- what each connection did, in accept order ---
    struct ConnectionState {
        std::string greeting;  // the bytes received before the first frame (at most 10)
        bool greetingOk = false;  // exactly "FLAPON\r\n\r\n"
        bool httpRequest = false;  // a request for a profile page instead of TOC
        std::string screenName;  // as the SIGNON frame carries it (a correct client sends it normalised)
        bool signedOn = false;   // the sign-on was accepted (stays set afterwards)
        bool online = false;     // signed on and not yet signed off or disconnected
        bool connected = true;   // the TCP connection is still open
        bool closedByPeer = false;
        std::string signonError;    // why the sign-on was refused, if it was
        std::string protocolError;  // why the server dropped the connection (greeting, framing)
    };
    int ConnectionCount() const;
    // An index out of range gives an empty state (not connected).
    const ConnectionState& State(int index) const;

    // Sends frames of one type to a connection in a single write, each with
    // the connection's next sequence number. False if there is no such
    // connection or it is closed.
    bool SendFrames(int connection, std::uint8_t type, const std::vector<std::string>& payloads);

protected:
    // For layers that add controls (the test suite's): the inside of the
    // server, declared in toc_server_impl.h.
    struct Impl;
    Impl& Core() { return *impl_; }
    const Impl& Core() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace tocserver
