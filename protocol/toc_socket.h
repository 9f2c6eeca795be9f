// The one TCP connection: a non-blocking IPv4 socket whose readable and
// writable notifications arrive on the opening thread's Qt event loop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport.h"

class QSocketNotifier;
class QTimer;

namespace tocwire {

class TocSocket : public Transport {
public:
    explicit TocSocket(TransportEvents& events) : events_(events) {}
    ~TocSocket() override;
    TocSocket(const TocSocket&) = delete;
    TocSocket& operator=(const TocSocket&) = delete;

    int Connect(const std::string& host, int port) override;
    bool IsOpen() const override { return fd_ >= 0; }
    int Write(std::string_view bytes) override;
    void Close() override;
    void HoldReads(bool hold) override;
    void ArmDeadline(int ms) override;
    void CancelDeadline() override;

private:
    void EnsureNotifiers();
    void HandleReadable();
    void HandleWritable();
    bool Flush();  // false: the socket failed
    void UpdateWriteNotifier();
    void UpdateReadNotifier();

    TransportEvents& events_;
    int fd_ = -1;
    bool awaitingConnect_ = false;
    bool readEnded_ = false;    // end of stream seen; the library closes next
    int readHolds_ = 0;
    std::uint64_t serial_ = 0;  // changes with every close, so a handler sees its socket go
    std::string pending_;       // bytes queued, in order, not yet taken by the socket
    std::size_t pendingStart_ = 0;
    // One chunk of a read; the read budget's clock is looked at between chunks.
    std::vector<char> readBuffer_ = std::vector<char>(16384);
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer* deadline_ = nullptr;
};

}  // namespace tocwire
