// tocd's TOC server, on 127.0.0.1 in the caller's Qt event loop. It checks
// the greeting, the sign-on frame and toc_signon, answers a good sign-on,
// relays instant messages and presence between signed-on clients, keeps deny
// and permit lists, serves profiles over HTTP on the same port, and can run
// an "Echo Bot".
//
// Needs a QCoreApplication (or QApplication) object; one thread only. The
// machinery is ServerCore (toc_server_core.h); the test suite builds its own
// server on that core in tests/support.
#pragma once

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flap_frames.h"

namespace tocserver {

class ServerCore;

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

    // Sends frames of one type to a connection in a single write, each with
    // the connection's next sequence number. False if there is no such
    // connection or it is closed.
    bool SendFrames(int connection, std::uint8_t type, const std::vector<std::string>& payloads);

private:
    std::unique_ptr<ServerCore> core_;
};

}  // namespace tocserver
