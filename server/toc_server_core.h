// Inside the TOC server: per-connection state and the operations shared by
// the connection handling (toc_server.cpp) and the command handling
// (toc_server_commands.cpp, toc_server_privacy.cpp). TocServer is its public
// face; a layer that needs more (the test suite's server) composes a
// ServerCore of its own and may take over the two steps marked virtual.
#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "flap_frames.h"

namespace tocserver {

inline constexpr std::string_view kEchoBotName = "Echo Bot";
inline constexpr std::string_view kEchoBotKey = "echobot";

// What a connection did, as its server saw it.
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

struct Connection {
    enum class Phase {
        Greeting,         // waiting for "FLAPON\r\n\r\n" (or an HTTP request line)
        HttpRequest,      // an HTTP request for a profile page, until its headers end
        AwaitSignonFrame, // server SIGNON sent, waiting for the client's
        AwaitTocSignon,   // waiting for toc_signon
        AwaitAccept,      // good toc_signon, until CompleteSignOn
        Online,
        Finished,         // refused, signed off or dropped
    };

    QPointer<QTcpSocket> socket;
    int index = 0;  // in accept order
    ConnectionState state;
    FrameParser parser;
    Phase phase = Phase::Greeting;
    std::uint16_t nextSequence = 0;
    std::set<std::string> buddies;  // normalised names registered with toc_add_buddy
    // Who may reach this user: in deny mode everyone but the listed names
    // (an empty list: everyone), in permit mode only the listed names.
    bool permitMode = false;
    std::set<std::string> privacyList;
    std::int64_t signonTime = 0;
    std::string profile;      // as toc_set_info last set it
    std::string httpRequest;  // what has come of an HTTP request
    int warningLevel = 0;
    bool away = false;          // toc_set_away with a message
    std::int64_t idleSince = 0; // toc_set_idle: when the user went idle; 0: not idle
    bool closedByServer = false;
};

class ServerCore {
public:
    ServerCore();
    virtual ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    bool Listen(quint16 port);

    // connection handling
    void AcceptPending();
    void OnReadyRead(Connection& connection);
    void OnDisconnected(Connection& connection);
    void TakeGreeting(Connection& connection, std::string_view& bytes);
    // Every frame a connection sends after its greeting, in order.
    virtual void HandleFrame(Connection& connection, RecordedFrame frame);
    void HandleSignonFrame(Connection& connection, const RecordedFrame& frame);
    void DropConnection(Connection& connection, std::string reason);
    void TakeHttpRequest(Connection& connection, std::string_view bytes);  // toc_server_http.cpp

    // sign-on
    void HandleTocSignon(Connection& connection, const std::vector<std::string>& args);
    void RefuseSignOn(Connection& connection, std::string reason);
    // A good toc_signon was checked: answer SIGN_ON and announce the user.
    virtual void CompleteSignOn(Connection& connection);
    void SignOff(Connection& connection);

    // commands after sign-on
    void HandleCommand(Connection& connection, const std::vector<std::string>& args);
    void HandleSendIm(Connection& sender, const std::vector<std::string>& args);
    void HandleAddBuddy(Connection& connection, const std::vector<std::string>& args);
    void HandleEvil(Connection& sender, const std::vector<std::string>& args);
    void HandlePrivacy(Connection& connection, const std::vector<std::string>& args, bool permit);
    // What `changed` sees of others, and what others see of it, after its
    // privacy state moved from the one given.
    void ShowPresenceChanges(Connection& changed, const std::set<std::string>& blockedBefore, bool permitBefore,
                             const std::set<std::string>& listBefore);
    std::set<std::string> BlockedNames(const Connection& watcher);
    void AnswerAsEchoBot(Connection& sender, const std::string& message, const char* flag);
    void AnnounceArrival(const Connection& arriving);
    void AnnounceDeparture(const Connection& departing);
    // Tells everyone who lists the user of a change of away, idle or warning.
    void AnnouncePresence(const Connection& changed);
    void HandlePresence(Connection& connection, const std::vector<std::string>& args);  // toc_server_presence.cpp
    std::vector<Connection*> OnlineAs(const std::string& name);

    // output
    std::string NextFrame(Connection& connection, std::uint8_t type, std::string_view payload);
    bool Write(Connection& connection, std::string_view bytes);
    bool SendText(Connection& connection, std::string_view text, bool trailingNul = true);
    Connection* Find(int index);

    QTcpServer server;
    std::vector<std::unique_ptr<Connection>> connections;
    std::map<std::string, std::string> accounts;  // normalised name -> password
    std::map<std::string, std::string> configs;   // normalised name -> what toc_set_config stored
    std::uint16_t signonSequence = 1000;  // of each connection's SIGNON frame
    bool acceptAnyPassword = true;
    bool rememberFirstPassword = false;
    bool relay = true;
    bool echoBot = false;
    std::int64_t startTime = 0;  // the Echo Bot's sign-on time
};

// Whether the first bytes of a connection can still be an HTTP GET request.
bool StartsHttpRequest(std::string_view bytes);

// Whether the watcher keeps this (normalised) name's messages and presence away.
bool Blocks(const Connection& watcher, const std::string& name);

std::string BuddyOnlineText(std::string_view name, std::int64_t signonTime);
std::string BuddyOfflineText(std::string_view name);
// UPDATE_BUDDY for a signed-on user with their warning level, idle minutes
// and away flag (the user class's third character).
std::string BuddyPresenceText(const Connection& user);

}  // namespace tocserver
