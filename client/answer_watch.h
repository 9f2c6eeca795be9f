// A connection attempt from TOC_Establish until the server's first word (the
// library then reports signing on). The library ends an attempt that hears
// nothing when its sign-on time limit runs out, and reports offline again
// without a change in between; a server that refused or closed at once ends
// the same way, sooner, and the library has said why. Only the silent server
// would otherwise go unmentioned.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class AnswerWatch {
public:
    using Clock = std::function<std::int64_t()>;  // milliseconds, never going back
    AnswerWatch();
    explicit AnswerWatch(Clock clockMs) : clockMs_(std::move(clockMs)) {}

    // TOC_Establish accepted a connection to host and port.
    void Started(std::string_view host, int port);
    // The server answered: the library reports a status other than offline.
    void Answered() { waiting_ = false; }
    // The client ends the attempt itself (shutting the library down), or the
    // library said why the connect failed.
    void Abandon() { waiting_ = false; }
    // An attempt was started and the server has not answered yet.
    bool Waiting() const { return waiting_; }
    // The library reported offline again while offline: the attempt is over.
    // The status line to show when it lasted the whole limit, else "".
    std::string Ended(int timeLimitMs);

private:
    Clock clockMs_;
    bool waiting_ = false;
    std::string host_;
    int port_ = 0;
    std::int64_t startedMs_ = 0;
};
