#include "fake_toc_server.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include "fake_toc_server_impl.h"
#include "toc_command_line.h"

namespace faketoc {

namespace {
// The client's SIGNON payload: version 1 (4 bytes), TLV tag 1, name length, name.
constexpr std::size_t kSignonFixedPart = 8;

unsigned Byte(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}
}  // namespace

FakeTocServer::Impl::Impl() : startTime(QDateTime::currentSecsSinceEpoch()) {}

// --- connection handling ---

void FakeTocServer::Impl::AcceptPending()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->nextSequence = signonSequence;
        Connection* raw = connection.get();
        connections.push_back(std::move(connection));
        // The socket is the context object: the connections die with it.
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, raw] { OnReadyRead(*raw); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, raw] { OnDisconnected(*raw); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(*raw);
    }
}

void FakeTocServer::Impl::OnReadyRead(Connection& connection)
{
    if (!connection.socket)
        return;
    const QByteArray data = connection.socket->readAll();
    if (connection.closedByServer)
        return;  // already dropped: what still arrives is not looked at
    std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
    if (connection.phase == Connection::Phase::Greeting) {
        TakeGreeting(connection, bytes);
        if (connection.phase == Connection::Phase::Greeting || connection.closedByServer)
            return;
    }
    connection.parser.Append(bytes);
    RecordedFrame frame;
    while (!connection.closedByServer) {
        const FrameParser::Status status = connection.parser.Next(frame);
        if (status == FrameParser::Status::NeedMore)
            break;
        if (status == FrameParser::Status::BadMarker) {
            DropConnection(connection, "a frame does not start with '*'");
            break;
        }
        HandleFrame(connection, std::move(frame));
    }
}

void FakeTocServer::Impl::TakeGreeting(Connection& connection, std::string_view& bytes)
{
    std::string& greeting = connection.record.greeting;
    const std::size_t wanted = kGreeting.size() - greeting.size();
    const std::size_t taken = std::min(wanted, bytes.size());
    greeting.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    // Refuse as soon as the bytes so far cannot become the greeting.
    if (greeting != kGreeting.substr(0, greeting.size())) {
        DropConnection(connection, "bad greeting");
        return;
    }
    if (greeting.size() < kGreeting.size())
        return;
    connection.record.greetingOk = true;
    connection.phase = Connection::Phase::AwaitSignonFrame;
    Write(connection, NextFrame(connection, kFrameSignon, std::string_view("\0\0\0\1", 4)));
}

void FakeTocServer::Impl::HandleFrame(Connection& connection, RecordedFrame frame)
{
    switch (frame.type) {
    case kFrameSignon:
        if (connection.phase == Connection::Phase::AwaitSignonFrame)
            HandleSignonFrame(connection, frame);
        break;  // a later one is only recorded
    case kFrameData: {
        std::string text = CommandText(frame.payload);
        std::vector<std::string> args = SplitArguments(text);
        if (recording) {
            connection.record.commands.push_back(std::move(text));
            connection.record.parsedCommands.push_back(args);
        }
        HandleCommand(connection, args);
        break;
    }
    case kFrameSignoff:
        SignOff(connection);
        break;
    default:
        break;  // keep-alive, error and unknown types are only recorded
    }
    if (recording)
        connection.record.frames.push_back(std::move(frame));
}

void FakeTocServer::Impl::HandleSignonFrame(Connection& connection, const RecordedFrame& frame)
{
    const std::string& p = frame.payload;
    if (p.size() < kSignonFixedPart) {
        connection.record.signonError = "sign-on frame shorter than 8 bytes";
    } else if (Byte(p, 0) != 0 || Byte(p, 1) != 0 || Byte(p, 2) != 0 || Byte(p, 3) != 1) {
        connection.record.signonError = "sign-on frame: FLAP version is not 1";
    } else if (Byte(p, 4) != 0 || Byte(p, 5) != 1) {
        connection.record.signonError = "sign-on frame: TLV tag is not 1";
    } else if ((Byte(p, 6) << 8 | Byte(p, 7)) != p.size() - kSignonFixedPart) {
        connection.record.signonError = "sign-on frame: name length does not match the frame";
    } else if (p.size() == kSignonFixedPart) {
        connection.record.signonError = "sign-on frame: empty screen name";
    } else {
        connection.record.screenName = p.substr(kSignonFixedPart);
        connection.phase = Connection::Phase::AwaitTocSignon;
        return;
    }
    DropConnection(connection, "bad sign-on frame");
}

void FakeTocServer::Impl::DropConnection(Connection& connection, std::string reason)
{
    if (connection.record.protocolError.empty())
        connection.record.protocolError = std::move(reason);
    SignOff(connection);
    connection.closedByServer = true;
    if (connection.socket)
        connection.socket->disconnectFromHost();
}

void FakeTocServer::Impl::OnDisconnected(Connection& connection)
{
    connection.record.connected = false;
    if (!connection.closedByServer)
        connection.record.closedByPeer = true;
    SignOff(connection);
    connection.phase = Connection::Phase::Finished;
    if (connection.socket)
        connection.socket->deleteLater();
}

// --- sign-on ---

void FakeTocServer::Impl::HandleTocSignon(Connection& connection, const std::vector<std::string>& args)
{
    // toc_signon <host> <port> <name> <roasted> english "<version>"
    if (args.size() < 5) {
        RefuseSignOn(connection, "toc_signon without host, port, name and password");
        return;
    }
    const std::string name = NormalizeScreenName(args[3]);
    if (name != connection.record.screenName) {
        RefuseSignOn(connection, "toc_signon names " + name + ", the sign-on frame " +
                                     connection.record.screenName);
        return;
    }
    if (echoBot && name == kEchoBotKey) {
        RefuseSignOn(connection, "the name belongs to the Echo Bot");
        return;
    }
    const std::optional<std::string> password = UnroastPassword(args[4]);
    if (!password) {
        RefuseSignOn(connection, "malformed roasted password");
        return;
    }
    const auto account = accounts.find(name);
    if (account != accounts.end()) {
        if (account->second != *password) {
            RefuseSignOn(connection, "wrong password");
            return;
        }
    } else if (!acceptAnyPassword) {
        RefuseSignOn(connection, "no such account");
        return;
    } else if (rememberFirstPassword) {
        accounts.emplace(name, *password);
    }
    connection.phase = Connection::Phase::AwaitAccept;
    if (autoSignOn)
        CompleteSignOn(connection);
}

void FakeTocServer::Impl::RefuseSignOn(Connection& connection, std::string reason)
{
    connection.record.signonError = std::move(reason);
    connection.phase = Connection::Phase::Finished;
    SendText(connection, "ERROR:980");
}

void FakeTocServer::Impl::CompleteSignOn(Connection& connection)
{
    connection.phase = Connection::Phase::Online;
    connection.record.signedOn = true;
    connection.record.online = true;
    connection.signonTime = QDateTime::currentSecsSinceEpoch();
    SendText(connection, "SIGN_ON:TOC1.0");
    if (echoBot && !Blocks(connection, std::string(kEchoBotKey)))
        SendText(connection, BuddyOnlineText(kEchoBotName, startTime));
    if (relay)
        AnnounceArrival(connection);
}

void FakeTocServer::Impl::SignOff(Connection& connection)
{
    if (!connection.record.online)
        return;
    connection.record.online = false;
    connection.phase = Connection::Phase::Finished;
    if (relay && OnlineAs(connection.record.screenName).empty())
        AnnounceDeparture(connection.record.screenName);
}

// --- output ---

std::string FakeTocServer::Impl::NextFrame(Connection& connection, std::uint8_t type, std::string_view payload)
{
    return EncodeFrame(type, connection.nextSequence++, payload);
}

bool FakeTocServer::Impl::Write(Connection& connection, std::string_view bytes)
{
    QTcpSocket* socket = connection.socket;
    if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState)
        return false;
    return socket->write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

bool FakeTocServer::Impl::SendText(Connection& connection, std::string_view text, bool trailingNul)
{
    std::string payload(text);
    if (trailingNul)
        payload.push_back('\0');
    return Write(connection, NextFrame(connection, kFrameData, payload));
}

Connection* FakeTocServer::Impl::Find(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= connections.size())
        return nullptr;
    return connections[static_cast<std::size_t>(index)].get();
}

std::string BuddyOnlineText(std::string_view name, std::int64_t signonTime)
{
    return "UPDATE_BUDDY:" + std::string(name) + ":T:0:" + std::to_string(signonTime) + ":0: O";
}

std::string BuddyOfflineText(std::string_view name)
{
    return "UPDATE_BUDDY:" + std::string(name) + ":F:0:0:0: O";
}

// --- the public face ---

FakeTocServer::FakeTocServer() : impl_(std::make_unique<Impl>())
{
    Impl* impl = impl_.get();
    QObject::connect(&impl->server, &QTcpServer::newConnection, &impl->server, [impl] { impl->AcceptPending(); });
}

FakeTocServer::~FakeTocServer()
{
    // Silence every socket first: closing one must not call back into a
    // server that is half destroyed.
    QObject::disconnect(&impl_->server, nullptr, nullptr, nullptr);
    for (const auto& connection : impl_->connections) {
        if (connection->socket) {
            QObject::disconnect(connection->socket, nullptr, nullptr, nullptr);
            connection->socket->abort();
            delete connection->socket.data();
        }
    }
}

bool FakeTocServer::Listen(quint16 port)
{
    if (impl_->server.isListening())
        impl_->server.close();
    return impl_->server.listen(QHostAddress(QHostAddress::LocalHost), port);
}

quint16 FakeTocServer::Port() const { return impl_->server.serverPort(); }

void FakeTocServer::SetSignonSequence(std::uint16_t sequence) { impl_->signonSequence = sequence; }
void FakeTocServer::SetAutoSignOn(bool on) { impl_->autoSignOn = on; }
void FakeTocServer::SetPassword(const std::string& screenName, const std::string& password)
{
    impl_->accounts[NormalizeScreenName(screenName)] = password;
}
void FakeTocServer::SetAcceptAnyPassword(bool on) { impl_->acceptAnyPassword = on; }
void FakeTocServer::SetRememberFirstPassword(bool on) { impl_->rememberFirstPassword = on; }
void FakeTocServer::SetRelay(bool on) { impl_->relay = on; }
void FakeTocServer::SetEchoBot(bool on) { impl_->echoBot = on; }
void FakeTocServer::SetRecording(bool on) { impl_->recording = on; }

int FakeTocServer::ClientCount() const { return static_cast<int>(impl_->connections.size()); }

const FakeTocServer::ClientRecord& FakeTocServer::Client(int index) const
{
    static const ClientRecord kNone = [] {
        ClientRecord none;
        none.connected = false;
        return none;
    }();
    const Connection* connection = impl_->Find(index);
    return connection != nullptr ? connection->record : kNone;
}

bool FakeTocServer::SendRaw(int client, const QByteArray& bytes)
{
    Connection* connection = impl_->Find(client);
    return connection != nullptr &&
           impl_->Write(*connection, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

qint64 FakeTocServer::BytesWaiting(int client) const
{
    const Connection* connection = impl_->Find(client);
    return connection != nullptr && connection->socket != nullptr ? connection->socket->bytesToWrite() : 0;
}

QByteArray FakeTocServer::Frame(int client, std::uint8_t type, const QByteArray& payload)
{
    Connection* connection = impl_->Find(client);
    const std::string_view bytes(payload.constData(), static_cast<std::size_t>(payload.size()));
    const std::string frame = connection != nullptr ? impl_->NextFrame(*connection, type, bytes)
                                                    : EncodeFrame(type, 0, bytes);
    return QByteArray(frame.data(), static_cast<qsizetype>(frame.size()));
}

bool FakeTocServer::SendFrame(int client, std::uint8_t type, const QByteArray& payload)
{
    if (impl_->Find(client) == nullptr)
        return false;
    return SendRaw(client, Frame(client, type, payload));
}

bool FakeTocServer::SendData(int client, const std::string& text, bool trailingNul)
{
    Connection* connection = impl_->Find(client);
    return connection != nullptr && impl_->SendText(*connection, text, trailingNul);
}

bool FakeTocServer::SendKeepAlive(int client) { return SendFrame(client, kFrameKeepAlive, {}); }

bool FakeTocServer::AcceptSignOn(int client)
{
    Connection* connection = impl_->Find(client);
    if (connection == nullptr || connection->phase != Connection::Phase::AwaitAccept || !connection->record.connected)
        return false;
    impl_->CompleteSignOn(*connection);
    return true;
}

void FakeTocServer::Close(int client)
{
    Connection* connection = impl_->Find(client);
    if (connection == nullptr || connection->closedByServer || !connection->record.connected)
        return;
    connection->closedByServer = true;
    impl_->SignOff(*connection);
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
