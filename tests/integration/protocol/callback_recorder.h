// The host side of the protocol library in these tests: logs every callback
// in order with its arguments, answers with configurable results, and can run
// an action inside a callback (calling back into the library, as a host may).
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tocwire.h"

class CallbackRecorder final : public ProtocolCallbacks {
public:
    CallbackRecorder() = default;
    CallbackRecorder(const CallbackRecorder&) = delete;
    CallbackRecorder& operator=(const CallbackRecorder&) = delete;
    ~CallbackRecorder() = default;

    int OnSignonError(const char* errorText) override
    {
        log.push_back("OnSignonError(" + std::string(errorText) + ")");
        if (onSignonError)
            onSignonError();
        return signonErrorResult;
    }
    int OnServerError(const char* errorText) override
    {
        log.push_back("OnServerError(" + std::string(errorText) + ")");
        return serverErrorResult;
    }
    void OnServerMessage(const char* command, const char* arguments) override
    {
        log.push_back(Message(command, arguments));
        if (onServerMessage)
            onServerMessage(command, arguments);
    }
    int OnSignonDone() override
    {
        log.push_back("OnSignonDone()");
        if (onSignonDone)
            onSignonDone();
        return signonDoneResult;
    }
    void OnStatusChange(int status) override
    {
        log.push_back(Status(status));
        if (onStatusChange)
            onStatusChange(status);
    }

    // The log entries, so tests can write the expected sequence.
    static std::string Status(int status) { return "OnStatusChange(" + std::to_string(status) + ")"; }
    static std::string Message(const std::string& command, const std::string& arguments)
    {
        return "OnServerMessage(" + command + ", " + arguments + ")";
    }

    // The last status reported, or -1 when none was.
    int LastStatus() const
    {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (it->starts_with("OnStatusChange("))
                return std::stoi(it->substr(15));
        }
        return -1;
    }
    std::size_t Count(const std::string& entry) const
    {
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), entry));
    }
    bool Has(const std::string& entry) const { return Count(entry) > 0; }
    std::vector<std::string> Since(std::size_t mark) const
    {
        return mark >= log.size() ? std::vector<std::string>{}
                                  : std::vector<std::string>(log.begin() + static_cast<long>(mark), log.end());
    }
    void ClearActions()
    {
        onSignonError = nullptr;
        onServerMessage = nullptr;
        onSignonDone = nullptr;
        onStatusChange = nullptr;
    }

    std::vector<std::string> log;
    int signonErrorResult = 1;
    int serverErrorResult = 1;
    int signonDoneResult = 1;  // by default the host "sends its own completion": nothing more on the wire
    std::function<void()> onSignonError;
    std::function<void(const char*, const char*)> onServerMessage;
    std::function<void()> onSignonDone;
    std::function<void(int)> onStatusChange;
};
