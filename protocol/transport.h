// What the sign-on logic needs from the one TCP connection. The socket file
// implements it over QTcpSocket; tests may drive the logic through a fake.
#pragma once

#include <string>
#include <string_view>

namespace tocwire {

// Notifications from the connection, always on the thread that opened it.
class TransportEvents {
public:
    virtual void OnConnectionWritable() = 0;        // the connect completed
    virtual void OnConnectFailed(int error) = 0;     // the asynchronous connect failed
    virtual void OnBytesReceived(std::string_view bytes) = 0;
    virtual void OnConnectionClosed() = 0;           // peer closed or the connection was lost
    virtual void OnDeadline() {}                     // the time given to ArmDeadline ran out
    // The connection through a proxy failed; line says why, for the user.
    virtual void OnProxyRefused(const std::string& line) = 0;

protected:
    ~TransportEvents() = default;
};

class Transport {
public:
    virtual ~Transport() = default;
    // Starts a connection to host:port. Returns kConnected when connected at
    // once, kPending when the connect (or the host-name lookup before it) is
    // under way, or a positive error number (errno) on failure. A failure
    // after kPending comes as OnConnectFailed (EINVAL when the host name does
    // not resolve) or OnProxyRefused. kPending is negative so no error number
    // (EPERM is 1) can be mistaken for it.
    enum { kConnected = 0, kPending = -1 };
    virtual int Connect(const std::string& host, int port) = 0;
    virtual bool IsOpen() const = 0;
    // Queues bytes; everything queued goes out in order. Returns the count
    // taken, or -1 when no connection is open or the socket failed.
    virtual int Write(std::string_view bytes) = 0;
    virtual void Close() = 0;
    // While held (calls nest), nothing more is read from the connection: the
    // bytes wait in the kernel, whose flow control then holds the peer back.
    virtual void HoldReads(bool hold) { (void)hold; }
    // OnDeadline once, ms from now, unless cancelled first; a new Connect or
    // a Close cancels it too.
    virtual void ArmDeadline(int ms) { (void)ms; }
    virtual void CancelDeadline() {}
};

}  // namespace tocwire
