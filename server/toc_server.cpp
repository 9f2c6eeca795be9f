#include "toc_server.h"

#include <QDateTime>
#include <QHostAddress>

#include "toc_server_core.h"
#include "toc_command_line.h"

namespace tocserver {

namespace {
// The client's SIGNON payload before the name: version, TLV tag, name length.
constexpr std::size_t kSignonFixedPart = kFlapVersion.size() + kScreenNameTlvTag.size() + 2;

unsigned Byte(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}
}  // namespace

ServerCore::ServerCore() : startTime(QDateTime::currentSecsSinceEpoch())
{
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this] { AcceptPending(); });
}

ServerCore::~ServerCore()
{
    // Silence every socket first: closing one must not call back into a
    // server that is half destroyed.
    QObject::disconnect(&server, nullptr, nullptr, nullptr);
    for (const auto& connection : connections) {
        if (connection->socket) {
            QObject::disconnect(connection->socket, nullptr, nullptr, nullptr);
            connection->socket->abort();
            delete connection->socket.data();
        }
    }
}

bool ServerCore::Listen(quint16 port)
{
    if (server.isListening())
        server.close();
    return server.listen(QHostAddress(QHostAddress::LocalHost), port);
}

// --- connection handling ---

void ServerCore::AcceptPending()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->nextSequence = signonSequence;
        connection->index = static_cast<int>(connections.size());
        Connection* raw = connection.get();
        connections.push_back(std::move(connection));
        // The socket is the context object: the connections die with it.
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, raw] { OnReadyRead(*raw); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, raw] { OnDisconnected(*raw); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(*raw);
    }
}

void ServerCore::OnReadyRead(Connection& connection)
{
    if (!connection.socket)
        return;
    const QByteArray data = connection.socket->readAll();
    if (connection.closedByServer)
        return;  // already dropped: what still arrives is not looked at
    std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
    if (connection.phase == Connection::Phase::HttpRequest) {
        TakeHttpRequest(connection, bytes);
        return;
    }
    if (connection.phase == Connection::Phase::Greeting) {
        TakeGreeting(connection, bytes);
        if (connection.phase != Connection::Phase::AwaitSignonFrame || connection.closedByServer)
            return;
    }
    connection.parser.Append(bytes);
    RecordedFrame frame;
    while (!connection.closedByServer) {
        const FrameParser::Status status = connection.parser.Next(frame);
        if (status == FrameParser::Status::NeedMore)
            break;
        if (status == FrameParser::Status::BadMarker) {
            DropConnection(connection, "a frame without its '*' marker");
            break;
        }
        HandleFrame(connection, std::move(frame));
    }
}

void ServerCore::TakeGreeting(Connection& connection, std::string_view& bytes)
{
    std::string& greeting = connection.state.greeting;
    const std::size_t wanted = kGreeting.size() - greeting.size();
    const std::size_t taken = std::min(wanted, bytes.size());
    greeting.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    // A web browser or the client asking for a profile page.
    if (greeting != kGreeting.substr(0, greeting.size()) && StartsHttpRequest(greeting)) {
        connection.phase = Connection::Phase::HttpRequest;
        connection.state.httpRequest = true;
        TakeHttpRequest(connection, greeting + std::string(bytes));
        bytes = {};
        return;
    }
    // Refuse as soon as the bytes so far cannot become the greeting.
    if (greeting != kGreeting.substr(0, greeting.size())) {
        DropConnection(connection, "bad greeting");
        return;
    }
    if (greeting.size() < kGreeting.size())
        return;
    connection.state.greetingOk = true;
    connection.phase = Connection::Phase::AwaitSignonFrame;
    Write(connection, NextFrame(connection, kFrameSignon, kFlapVersion));
}

void ServerCore::HandleFrame(Connection& connection, RecordedFrame frame)
{
    switch (frame.type) {
    case kFrameSignon:
        if (connection.phase == Connection::Phase::AwaitSignonFrame)
            HandleSignonFrame(connection, frame);
        break;  // a later one is ignored
    case kFrameData:
        HandleCommand(connection, SplitArguments(CommandText(frame.payload)));
        break;
    case kFrameSignoff:
        SignOff(connection);
        break;
    default:
        break;  // keep-alive, error and unknown types are ignored
    }
}

void ServerCore::HandleSignonFrame(Connection& connection, const RecordedFrame& frame)
{
    const std::string& p = frame.payload;
    if (p.size() < kSignonFixedPart) {
        connection.state.signonError = "sign-on frame shorter than 8 bytes";
    } else if (p.compare(0, kFlapVersion.size(), kFlapVersion) != 0) {
        connection.state.signonError = "sign-on frame: FLAP version is not 1";
    } else if (p.compare(kFlapVersion.size(), kScreenNameTlvTag.size(), kScreenNameTlvTag) != 0) {
        connection.state.signonError = "sign-on frame: TLV tag is not 1";
    } else if ((Byte(p, 6) << 8 | Byte(p, 7)) != p.size() - kSignonFixedPart) {
        connection.state.signonError = "sign-on frame: name length does not match the frame";
    } else if (p.size() == kSignonFixedPart) {
        connection.state.signonError = "sign-on frame: empty screen name";
    } else {
        connection.state.screenName = p.substr(kSignonFixedPart);
        connection.phase = Connection::Phase::AwaitTocSignon;
        return;
    }
    DropConnection(connection, "bad sign-on frame");
}

void ServerCore::DropConnection(Connection& connection, std::string reason)
{
    if (connection.state.protocolError.empty())
        connection.state.protocolError = std::move(reason);
    SignOff(connection);
    connection.closedByServer = true;
    if (connection.socket)
        connection.socket->disconnectFromHost();
}

void ServerCore::OnDisconnected(Connection& connection)
{
    connection.state.connected = false;
    if (!connection.closedByServer)
        connection.state.closedByPeer = true;
    SignOff(connection);
    connection.phase = Connection::Phase::Finished;
    if (connection.socket)
        connection.socket->deleteLater();
}

// --- sign-on ---

void ServerCore::HandleTocSignon(Connection& connection, const std::vector<std::string>& args)
{
    // toc_signon <host> <port> <name> <roasted> english "<version>"
    if (args.size() < 5) {
        RefuseSignOn(connection, "toc_signon without host, port, name and password");
        return;
    }
    const std::string name = NormalizeScreenName(args[3]);
    if (name != connection.state.screenName) {
        RefuseSignOn(connection, "toc_signon names " + name + ", the sign-on frame " +
                                     connection.state.screenName);
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
    CompleteSignOn(connection);
}

void ServerCore::RefuseSignOn(Connection& connection, std::string reason)
{
    connection.state.signonError = std::move(reason);
    connection.phase = Connection::Phase::Finished;
    SendText(connection, "ERROR:980");
}

void ServerCore::CompleteSignOn(Connection& connection)
{
    connection.phase = Connection::Phase::Online;
    connection.state.signedOn = true;
    connection.state.online = true;
    connection.signonTime = QDateTime::currentSecsSinceEpoch();
    SendText(connection, "SIGN_ON:TOC1.0");
    // The account's stored configuration, as toc_set_config last left it.
    if (const auto config = configs.find(connection.state.screenName); config != configs.end())
        SendText(connection, "CONFIG:" + config->second);
    if (echoBot && !Blocks(connection, std::string(kEchoBotKey)))
        SendText(connection, BuddyOnlineText(kEchoBotName, startTime));
    if (relay)
        AnnounceArrival(connection);
}

void ServerCore::SignOff(Connection& connection)
{
    if (!connection.state.online)
        return;
    connection.state.online = false;
    connection.phase = Connection::Phase::Finished;
    if (relay && OnlineAs(connection.state.screenName).empty())
        AnnounceDeparture(connection);
}

// --- output ---

std::string ServerCore::NextFrame(Connection& connection, std::uint8_t type, std::string_view payload)
{
    return EncodeFrame(type, connection.nextSequence++, payload);
}

bool ServerCore::Write(Connection& connection, std::string_view bytes)
{
    QTcpSocket* socket = connection.socket;
    if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState)
        return false;
    return socket->write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

bool ServerCore::SendText(Connection& connection, std::string_view text, bool trailingNul)
{
    std::string payload(text);
    if (trailingNul)
        payload.push_back('\0');
    return Write(connection, NextFrame(connection, kFrameData, payload));
}

Connection* ServerCore::Find(int index)
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

TocServer::TocServer() : core_(std::make_unique<ServerCore>()) {}
TocServer::~TocServer() = default;

bool TocServer::Listen(quint16 port) { return core_->Listen(port); }
quint16 TocServer::Port() const { return core_->server.serverPort(); }

void TocServer::SetAcceptAnyPassword(bool on) { core_->acceptAnyPassword = on; }
void TocServer::SetRememberFirstPassword(bool on) { core_->rememberFirstPassword = on; }
void TocServer::SetRelay(bool on) { core_->relay = on; }
void TocServer::SetEchoBot(bool on) { core_->echoBot = on; }

bool TocServer::SendFrames(int index, std::uint8_t type, const std::vector<std::string>& payloads)
{
    Connection* connection = core_->Find(index);
    if (connection == nullptr)
        return false;
    std::string bytes;
    for (const std::string& payload : payloads)
        bytes += core_->NextFrame(*connection, type, payload);
    return core_->Write(*connection, bytes);
}

}  // namespace tocserver
