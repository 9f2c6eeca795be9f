// The test suite's TOC server: the core of server/ (what tocd runs) with the
// controls a test needs on top. It records everything each client sends, can
// hold a sign-on back until the test accepts it, and lets a test send any
// bytes: whole, split or joined frames.
//
// Needs a QCoreApplication (or QApplication) object; one thread only.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "flap_frames.h"
#include "toc_command_line.h"
#include "toc_server_core.h"

namespace faketoc {

// The server's framing and command-line helpers, under the tests' name.
using namespace tocserver;

// A command a test has the client send after what it checks, to know all
// of that has arrived; the server ignores it and records it apart.
inline constexpr std::string_view kMarkerCommand = "toc_test_marker ";

class FakeTocServer {
public:
    FakeTocServer();
    ~FakeTocServer();
    FakeTocServer(const FakeTocServer&) = delete;
    FakeTocServer& operator=(const FakeTocServer&) = delete;

    // Listens on 127.0.0.1; port 0 picks a free port. False if the port is taken.
    bool Listen(quint16 port = 0);
    quint16 Port() const;

    // --- behaviour (set before clients connect); see TocServer for those it shares ---
    // Sequence number of the server's SIGNON frame; each later frame to that
    // client carries one more, wrapping from 65535 to 0. Default 1000.
    void SetSignonSequence(std::uint16_t sequence);
    // An account: the name is normalised here. A name with an account must
    // sign on with exactly this password, or gets ERROR:980.
    void SetPassword(const std::string& screenName, const std::string& password);
    void SetAcceptAnyPassword(bool on);        // default true
    void SetRememberFirstPassword(bool on);    // default false
    void SetRelay(bool on);                    // default true
    bool Relaying() const;
    void SetEchoBot(bool on);                  // default false

    // Answer a good toc_signon with SIGN_ON:TOC1.0 at once (default true).
    // When off, the sign-on waits for AcceptSignOn.
    void SetAutoSignOn(bool on);
    // Keep frames and commands in the client records (default true).
    void SetRecording(bool on);

    // What a connection did: its state, and what it sent while recording.
    struct ClientRecord : tocserver::ConnectionState {
        std::vector<RecordedFrame> frames;  // every frame received, any type
        // Every DATA payload up to its first NUL, as on the wire (still escaped).
        std::vector<std::string> commands;
        // The same commands split into arguments after the server's unescaping.
        std::vector<std::vector<std::string>> parsedCommands;
        // Marker commands (kMarkerCommand), kept out of the lists above.
        std::vector<std::string> markers;
    };
    int ClientCount() const;
    // An index out of range gives an empty record (not connected, nothing
    // received). The state part is as of this call.
    const ClientRecord& Client(int index) const;

    // --- sending to a client (index in accept order); false if there is no
    // such client or its connection is closed ---
    bool SendRaw(int client, const QByteArray& bytes);
    // Bytes sent to the client that the kernel has not taken yet: they stay
    // here while the client does not read and its socket buffers are full.
    qint64 BytesWaiting(int client) const;
    // Builds a frame with the client's next server sequence number (and uses
    // it up), for joining or cutting frames with SendRaw.
    QByteArray Frame(int client, std::uint8_t type, const QByteArray& payload);
    bool SendFrame(int client, std::uint8_t type, const QByteArray& payload);
    bool SendData(int client, const std::string& text, bool trailingNul = true);
    bool SendKeepAlive(int client);
    // Completes a sign-on held back by SetAutoSignOn(false): sends SIGN_ON and
    // does what follows it (Echo Bot, presence). False if none is waiting.
    bool AcceptSignOn(int client);
    // The server closes the connection (after sending what is queued).
    void Close(int client);

    // Runs the Qt event loop until pred() is true or timeoutMs has passed;
    // returns the last value of pred().
    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

private:
    class Core;
    void Record(int index, const RecordedFrame& frame);
    ClientRecord& RecordOf(int index) const;

    std::unique_ptr<Core> core_;
    bool recording_ = true;
    // Indexed like the connections; grown as they arrive. Mutable: Client()
    // refreshes the state part.
    mutable std::vector<std::unique_ptr<ClientRecord>> records_;
};

}  // namespace faketoc
