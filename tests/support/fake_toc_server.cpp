#include "fake_toc_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include "toc_server_impl.h"

namespace faketoc {

FakeTocServer::FakeTocServer()
{
    Core().onFrame = [this](int index, const RecordedFrame& frame) { Record(index, frame); };
}

void FakeTocServer::SetAutoSignOn(bool on) { Core().autoSignOn = on; }
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
    if (index < 0 || index >= ConnectionCount())
        return kNone;
    ClientRecord& record = RecordOf(index);
    static_cast<ConnectionState&>(record) = State(index);
    return record;
}

bool FakeTocServer::SendRaw(int client, const QByteArray& bytes)
{
    Connection* connection = Core().Find(client);
    return connection != nullptr &&
           Core().Write(*connection, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

qint64 FakeTocServer::BytesWaiting(int client) const
{
    const Connection* connection = const_cast<Impl&>(Core()).Find(client);
    return connection != nullptr && connection->socket != nullptr ? connection->socket->bytesToWrite() : 0;
}

QByteArray FakeTocServer::Frame(int client, std::uint8_t type, const QByteArray& payload)
{
    Connection* connection = Core().Find(client);
    const std::string_view bytes(payload.constData(), static_cast<std::size_t>(payload.size()));
    const std::string frame = connection != nullptr ? Core().NextFrame(*connection, type, bytes)
                                                    : EncodeFrame(type, 0, bytes);
    return QByteArray(frame.data(), static_cast<qsizetype>(frame.size()));
}

bool FakeTocServer::SendFrame(int client, std::uint8_t type, const QByteArray& payload)
{
    if (Core().Find(client) == nullptr)
        return false;
    return SendRaw(client, Frame(client, type, payload));
}

bool FakeTocServer::SendData(int client, const std::string& text, bool trailingNul)
{
    Connection* connection = Core().Find(client);
    return connection != nullptr && Core().SendText(*connection, text, trailingNul);
}

bool FakeTocServer::SendKeepAlive(int client) { return SendFrame(client, kFrameKeepAlive, {}); }

bool FakeTocServer::AcceptSignOn(int client)
{
    Connection* connection = Core().Find(client);
    if (connection == nullptr || connection->phase != Connection::Phase::AwaitAccept || !connection->state.connected)
        return false;
    Core().CompleteSignOn(*connection);
    return true;
}

void FakeTocServer::Close(int client)
{
    Connection* connection = Core().Find(client);
    if (connection == nullptr || connection->closedByServer || !connection->state.connected)
        return;
    connection->closedByServer = true;
    Core().SignOff(*connection);
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
