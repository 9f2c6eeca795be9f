// The real main window, offscreen, in this process: the client's own
// context, the real libtocwire.so and a fresh profile folder as the current
// directory. Needs a QApplication.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QApplication>

#include "client_context.h"
#include "main_dialog.h"
#include "transcript_pane.h"
#include "temp_folder.h"

namespace bench {

class WindowClient {
public:
    WindowClient();
    ~WindowClient();
    WindowClient(const WindowClient&) = delete;
    WindowClient& operator=(const WindowClient&) = delete;

    // Shows the window, starts the client and waits for the pane's first refresh.
    bool Start();
    // Settings for the local server; with log, every line also goes to a log file.
    void PointAt(std::uint16_t port, bool log);
    std::string LogPath() const;
    // Connects and waits until signed on, with the user's own arrival shown.
    bool SignOn();

    ClientContext& Context() { return ctx_; }
    MainDialog& Window() { return window_; }
    // The pane's last non-empty line, as shown.
    std::string PaneLastLine() const;
    std::string PaneText() const;

    // Runs the event loop until pred() holds or timeoutMs has passed; a
    // single deadline timer, so the wait itself adds no wake-ups.
    static bool RunUntil(const std::function<bool()>& pred, int timeoutMs);
    static void Settle(int ms) { RunUntil([] { return false; }, ms); }

private:
    const TranscriptPane& Pane() const;

    TempFolder profile_;
    ClientContext ctx_;
    MainDialog window_{ctx_};
    bool started_ = false;
};

// What every measurement runs in: a QApplication and the window client in it,
// started (and, with a server, signed on); failures are reported as `what`.
class ClientProcess {
public:
    ClientProcess() : app_(argc_, argv_) {}
    // Starts the window; with a server port, also points at it and signs on.
    bool Start(const char* what, int serverPort = -1, bool log = false);
    WindowClient& Client() { return client_; }

private:
    int argc_ = 1;
    char name_[13] = "quenlo_bench";
    char* argv_[2] = {name_, nullptr};
    QApplication app_;
    WindowClient client_;
};

// Whether text ends with the given tail.
inline bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace bench
