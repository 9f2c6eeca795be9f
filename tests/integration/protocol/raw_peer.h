// A bare TCP server on 127.0.0.1 for the cases the fake TOC server cannot
// play: closing right after the greeting, holding back its reads so the
// client's socket fills, resetting the connection. The test drives every
// step; nothing is answered on its own. One connection at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "flap_frames.h"

class RawPeer {
public:
    // receiveBuffer > 0 shrinks the kernel's receive buffer of the accepted
    // connection, so a client that keeps writing fills it quickly.
    explicit RawPeer(int receiveBuffer = 0);
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool Listening() const { return listenFd_ >= 0; }
    int Port() const { return port_; }

    // Runs the Qt event loop until a client connects, then accepts it.
    bool WaitForConnection(int timeoutMs = 5000);
    // Takes whatever the kernel holds for us without running the event
    // loop; returns the number of bytes taken. Notes an end of stream.
    std::size_t Drain();
    // Drains, without the event loop, as long as bytes keep arriving: returns
    // once none has come for quietMs.
    void DrainWhileArriving(int quietMs);
    // Runs the event loop (so the client can write) until at least total
    // bytes have arrived in all.
    bool WaitForBytes(std::size_t total, int timeoutMs = 5000);
    bool Send(std::string_view bytes);
    // Closes the accepted connection: with a FIN, or with a reset.
    void CloseConnection(bool reset = false);

    const std::string& Received() const { return received_; }
    bool ClientClosed() const { return clientClosed_; }

private:
    int listenFd_ = -1;
    int fd_ = -1;
    int port_ = 0;
    bool clientClosed_ = false;
    std::string received_;
};

// The frames in a byte stream, and whether it ended exactly at a frame
// boundary with every frame well marked.
struct ParsedStream {
    std::vector<tocserver::RecordedFrame> frames;
    bool clean = true;
};
ParsedStream ParseFrames(std::string_view bytes);
