// The user's presence on a connection: what a new connection's server must
// be told again after its sign-on (an away set with /away, the idle time),
// and the regular look at the idle time while signed on.
#pragma once

#include <QObject>
#include <QTimer>

struct ClientContext;
class IdleReport;
struct SessionState;

// After the sign-on completion of each SIGN_ON: the configuration waits for
// the server's CONFIG (config_sync.h). A SIGN_ON that ends a pause
// continues the same connection, whose server still knows: nothing is sent
// again then (one server drops a client that sets an away already set).
void RestorePresence(ClientContext& ctx);

// Sends what the idle time calls for, when signed on (idle_report.h).
void CheckIdle(SessionState& session, IdleReport& idle);

// Looks at the idle time every few seconds while the client runs.
class IdleWatch final : public QObject {
public:
    IdleWatch(SessionState& session, IdleReport& idle, int intervalMs = 5000);

private:
    SessionState& session_;
    IdleReport& idle_;
    QTimer timer_;
};
