#include "fake_toc_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include "toc_server_core.h"

namespace faketoc {

// The server's core, recording every frame before it is handled and holding
// good sign-ons back when asked.
class FakeTocServer::Core : public ServerCore {
public:
    explicit Core(FakeTocServer& owner) : owner_(owner) {}

    bool autoSignOn = true;

    void HandleFrame(Connection& connection, RecordedFrame frame) override
    {
        owner_.Record(connection.index, frame);
        ServerCore::HandleFrame(connection, std::move(frame));
    }
    void CompleteSignOn(Connection& connection) override
    {
        if (autoSignOn || connection.phase != Connection::Phase::AwaitAccept)
            ServerCore::CompleteSignOn(connection);
    }
    // Completes a sign-on that was held back.
    void Accept(Connection& connection) { ServerCore::CompleteSignOn(connection); }

private:
    FakeTocServer& owner_;
};

FakeTocServer::FakeTocServer() : core_(std::make_unique<Core>(*this)) {}
FakeTocServer::~FakeTocServer() = default;

bool FakeTocServer::Listen(quint16 port) { return core_->Listen(port); }
quint16 FakeTocServer::Port() const { return core_->server.serverPort(); }

void FakeTocServer::SetSignonSequence(std::uint16_t sequence) { core_->signonSequence = sequence; }
void FakeTocServer::SetPassword(const std::string& screenName, const std::string& password)
{
    core_->accounts[NormalizeScreenName(screenName)] = password;
}
void FakeTocServer::SetAcceptAnyPassword(bool on) { core_->acceptAnyPassword = on; }
void FakeTocServer::SetRememberFirstPassword(bool on) { core_->rememberFirstPassword = on; }
void FakeTocServer::SetRelay(bool on) { core_->relay = on; }
bool FakeTocServer::Relaying() const { return core_->relay; }
void FakeTocServer::SetEchoBot(bool on) { core_->echoBot = on; }
void FakeTocServer::SetAutoSignOn(bool on) { core_->autoSignOn = on; }
int FakeTocServer::ClientCount() const { return static_cast<int>(core_->connections.size()); }
void FakeTocServer::SetRecording(bool on) { recording_ = on; }

FakeTocServer::ClientRecord& FakeTocServer::RecordOf(int index) const
{
    while (records_.size() <= static_cast<std::size_t>(index))
        records_.push_back(std::make_unique<ClientRecord>());
    return *records_[static_cast<std::size_t>(index)];
}

void FakeTocServer::Record(int index, const RecordedFrame& frame)
{
    if (!recording_)
        return;
    ClientRecord& record = RecordOf(index);
    if (frame.type == kFrameData) {
        std::string text = CommandText(frame.payload);
        if (text.starts_with(kMarkerCommand)) {
            record.markers.push_back(std::move(text));
            return;
        }
        record.parsedCommands.push_back(SplitArguments(text));
        record.commands.push_back(std::move(text));
    }
    record.frames.push_back(frame);
}

const FakeTocServer::ClientRecord& FakeTocServer::Client(int index) const
{
    static const ClientRecord kNone = [] {
        ClientRecord none;
        none.connected = false;
        return none;
    }();
    const Connection* connection = core_->Find(index);
    if (connection == nullptr)
        return kNone;
    ClientRecord& record = RecordOf(index);
    static_cast<tocserver::ConnectionState&>(record) = connection->state;
    return record;
}

bool FakeTocServer::SendRaw(int client, const QByteArray& bytes)
{
    Connection* connection = core_->Find(client);
    return connection != nullptr &&
           core_->Write(*connection, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

qint64 FakeTocServer::BytesWaiting(int client) const
{
    const Connection* connection = core_->Find(client);
    return connection != nullptr && connection->socket != nullptr ? connection->socket->bytesToWrite() : 0;
}

QByteArray FakeTocServer::Frame(int client, std::uint8_t type, const QByteArray& payload)
{
    Connection* connection = core_->Find(client);
    const std::string_view bytes(payload.constData(), static_cast<std::size_t>(payload.size()));
    const std::string frame = connection != nullptr ? core_->NextFrame(*connection, type, bytes)
                                                    : EncodeFrame(type, 0, bytes);
    return QByteArray(frame.data(), static_cast<qsizetype>(frame.size()));
}

bool FakeTocServer::SendFrame(int client, std::uint8_t type, const QByteArray& payload)
{
    if (core_->Find(client) == nullptr)
        return false;
    return SendRaw(client, Frame(client, type, payload));
}

bool FakeTocServer::SendData(int client, const std::string& text, bool trailingNul)
{
    Connection* connection = core_->Find(client);
    return connection != nullptr && core_->SendText(*connection, text, trailingNul);
}

bool FakeTocServer::SendKeepAlive(int client) { return SendFrame(client, kFrameKeepAlive, {}); }

bool FakeTocServer::AcceptSignOn(int client)
{
    Connection* connection = core_->Find(client);
    if (connection == nullptr || connection->phase != Connection::Phase::AwaitAccept || !connection->state.connected)
        return false;
    core_->Accept(*connection);
    return true;
}

void FakeTocServer::Close(int client)
{
    Connection* connection = core_->Find(client);
    if (connection == nullptr || connection->closedByServer || !connection->state.connected)
        return;
    connection->closedByServer = true;
    core_->SignOff(*connection);
    if (connection->socket)
        connection->socket->disconnectFromHost();
}

bool FakeTocServer::WaitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // The tick wakes the loop so the deadline is noticed while nothing arrives.
    QTimer tick;
    tick.start(10);
    while (!pred()) {
        if (clock.elapsed() >= timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace faketoc
