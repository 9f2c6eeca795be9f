// The one TCP connection, over QTcpSocket: its notifications arrive on the
// opening thread's Qt event loop. Host names are looked up off that thread;
// the addresses found (IPv6 and IPv4) are tried in turn, or the connection
// goes through a SOCKS5 or HTTP CONNECT proxy.
#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host_resolver.h"
#include "proxy_setting.h"
#include "transport.h"

class QTcpSocket;
class QTimer;

namespace tocwire {

// A lookup that takes longer than this is given up (glibc's own limit with
// unreachable name servers is about as long).
inline constexpr int kLookupTimeLimitMs = 30000;

class TocSocket : public Transport {
public:
    // Without a resolver the system's is used.
    explicit TocSocket(TransportEvents& events, HostResolver* resolver = nullptr);
    ~TocSocket() override;
    TocSocket(const TocSocket&) = delete;
    TocSocket& operator=(const TocSocket&) = delete;

    // For the connections that follow.
    void SetProxy(const ProxySetting& proxy) { proxy_ = proxy; }

    int Connect(const std::string& host, int port) override;
    bool IsOpen() const override { return open_; }
    int Write(std::string_view bytes) override;
    void Close() override;
    void HoldReads(bool hold) override;
    void ArmDeadline(int ms) override;
    void CancelDeadline() override;

private:
    void EnsureSocket();
    void StartConnecting();
    void TryNextAddress();
    void HandleConnected();
    void HandleError(QAbstractSocket::SocketError error);
    void HandleDisconnected();
    void FailConnect(int error);
    void FailThroughProxy(QAbstractSocket::SocketError error);
    void Drain();
    void ScheduleDrain();
    // Runs fn from the event loop if this connection is still the one open.
    template <typename Fn>
    void Later(Fn fn);

    TransportEvents& events_;
    std::unique_ptr<HostResolver> ownResolver_;
    HostResolver* resolver_;
    ProxySetting proxy_;
    std::string host_;
    int port_ = 0;
    QList<QHostAddress> addresses_;  // in the order they are tried
    qsizetype nextAddress_ = 0;
    int lastError_ = 0;
    bool open_ = false;        // from Connect until Close
    bool connecting_ = false;  // the TCP connect has not completed
    bool ended_ = false;       // the peer closed; reported once the bytes before it are handed on
    bool closeReported_ = false;
    bool drainQueued_ = false;
    int readHolds_ = 0;
    std::uint64_t serial_ = 0;  // changes with every connection, so a handler sees its socket go
    std::string beforeConnect_;  // written before the connect completed
    std::vector<char> readBuffer_ = std::vector<char>(16384);
    QTcpSocket* socket_ = nullptr;
    QTimer* deadline_ = nullptr;
    QTimer* lookupLimit_ = nullptr;
};

}  // namespace tocwire
