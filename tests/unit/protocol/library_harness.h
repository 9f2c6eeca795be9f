// Drives a TocLibrary without sockets: a fake transport, recording callbacks
// and a recording message sink all write to one ordered log, so a test can
// check what happened and in which order.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "frame_bytes.h"
#include "toc_library.h"

namespace prototest {

class LibraryHarness;

class FakeTransport : public tocwire::Transport {
public:
    explicit FakeTransport(std::vector<std::string>& log) : log_(log) {}

    int Connect(const std::string& host, int port) override
    {
        log_.push_back("connect " + host + ":" + std::to_string(port));
        ++connects;
        deadlineMs = 0;
        open = connectResult == kConnected || connectResult == kPending;
        return connectResult;
    }
    bool IsOpen() const override { return open; }
    int Write(std::string_view bytes) override
    {
        const std::string what = Describe(bytes);
        if (!open) {
            log_.push_back("send " + what + " (closed)");
            return -1;
        }
        if (failWrite && failWrite(what)) {
            log_.push_back("send " + what + " (failed)");
            return -1;
        }
        log_.push_back("send " + what);
        sent.emplace_back(bytes);
        return static_cast<int>(bytes.size());
    }
    void Close() override
    {
        if (open)
            log_.push_back("close");
        open = false;
        deadlineMs = 0;
    }
    void HoldReads(bool hold) override { readHolds += hold ? 1 : -1; }
    void ArmDeadline(int ms) override { deadlineMs = ms; }
    void CancelDeadline() override { deadlineMs = 0; }

    int connectResult = kPending;        // what the next Connect answers
    std::function<bool(const std::string&)> failWrite;  // given Describe() of the bytes
    bool open = false;
    int connects = 0;
    std::vector<std::string> sent;       // every write taken, byte for byte
    int readHolds = 0;                   // reads are held while above 0
    int deadlineMs = 0;                  // the deadline armed, 0 when none is

private:
    std::vector<std::string>& log_;
};

class RecordingCallbacks : public ProtocolCallbacks {
public:
    explicit RecordingCallbacks(std::vector<std::string>& log) : log_(log) {}

    int OnSignonError(const char* errorText) override
    {
        log_.push_back(std::string("signon-error ") + errorText);
        if (onSignonError)
            onSignonError();
        return signonErrorResult;
    }
    int OnServerError(const char* errorText) override
    {
        log_.push_back(std::string("server-error ") + errorText);
        return serverErrorResult;
    }
    void OnServerMessage(const char* command, const char* arguments) override
    {
        log_.push_back(std::string("message ") + command + "|" + arguments);
        if (onMessage)
            onMessage(command, arguments);
    }
    int OnSignonDone() override
    {
        log_.push_back("signon-done");
        if (onSignonDone)
            return onSignonDone();
        return signonDoneResult;
    }
    void OnStatusChange(int status) override
    {
        log_.push_back("status " + std::to_string(status));
        if (onStatus)
            onStatus(status);
    }

    int signonErrorResult = 1;
    int serverErrorResult = 1;
    int signonDoneResult = 1;  // the client sends its own completion unless a test says otherwise
    std::function<void()> onSignonError;
    std::function<void(const char*, const char*)> onMessage;
    std::function<int()> onSignonDone;
    std::function<void(int)> onStatus;

private:
    std::vector<std::string>& log_;
};

inline constexpr const char* kTocHost = "toc.example.net";
inline constexpr int kTocPort = 9898;

class LibraryHarness {
public:
    LibraryHarness()
    {
        current_ = this;
        library.SetTransport(&transport);
    }
    ~LibraryHarness() { current_ = nullptr; }
    LibraryHarness(const LibraryHarness&) = delete;
    LibraryHarness& operator=(const LibraryHarness&) = delete;

    int Init(const char* screenName = "Some Body", const char* password = "password", int loginPort = 5190,
             const char* loginHost = "login.example.net", const char* clientVersion = "zorvane")
    {
        return library.Init(&window, &callbacks, screenName, password, loginPort, loginHost, clientVersion);
    }
    int Establish() { return library.Establish(kTocHost, kTocPort); }
    void Feed(std::string_view bytes) { library.OnBytesReceived(bytes); }

    // Connected, FLAPON sent, the server's sign-on frame answered.
    void ReachSigningOn(std::uint16_t serverSequence = 100)
    {
        Establish();
        library.OnConnectionWritable();
        Feed(ServerSignon(serverSequence));
    }
    void ReachOnline(std::uint16_t serverSequence = 100)
    {
        ReachSigningOn(serverSequence);
        Feed(Data("SIGN_ON:TOC1.0"));
    }

    // The log so far, emptied.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }
    std::vector<std::string> Messages() const { return Matching("message "); }
    std::vector<std::string> Matching(std::string_view prefix) const
    {
        std::vector<std::string> out;
        for (const auto& entry : log)
            if (entry.rfind(prefix, 0) == 0)
                out.push_back(entry);
        return out;
    }
    int Status() const { return library.State().signonState; }

    std::vector<std::string> log;
    std::vector<void*> boxOwners;  // the owner window of each message shown
    std::function<void(const char*)> onBox;
    int window = 0;  // its address is the owner window handed to Init
    FakeTransport transport{log};
    RecordingCallbacks callbacks{log};
    tocwire::TocLibrary library{&RecordBox};

private:
    static void RecordBox(void* owner, const char* text)
    {
        current_->log.push_back(std::string("box ") + text);
        current_->boxOwners.push_back(owner);
        if (current_->onBox)
            current_->onBox(text);
    }
    static inline LibraryHarness* current_ = nullptr;
};

}  // namespace prototest
