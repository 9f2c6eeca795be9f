// What every test of a whole client shares, with or without a real window:
// a fresh profile folder, the fake TOC server on
// 127.0.0.1 in the same event loop, the client's state with short reconnect
// waits and file operations that fail on request, and questions about what
// the server received.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client_context.h"
#include "send_command.h"
#include "fake_toc_server.h"
#include "faulty_files.h"
#include "test_profile.h"

inline constexpr const char* kLibraryPath = QUENLO_LIB_DIR "/libtocwire.so";

// The lines of a text, without their separator; a last line without one counts.
inline std::vector<std::string> SplitLines(const std::string& text, std::string_view separator)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return lines;
}

class ClientTestBase : public ::testing::Test {
protected:
    ClientTestBase() { ctx.settings.profile.folder = dir.Folder(); }

    void SetUp() override
    {
        ASSERT_TRUE(dir.Ok());
        ASSERT_TRUE(server.Listen());
        ctx.session.reconnect.SetRetryDelaysMs({50});
        ctx.session.reconnect.SetAfterCommandDelayMs(50);
        ctx.settings.files = &files;
    }

    bool HasCommandStartingWith(int client, std::string_view prefix) const
    {
        for (const std::string& sent : server.Client(client).commands) {
            if (sent.rfind(prefix, 0) == 0)
                return true;
        }
        return false;
    }

    // The server's argument lists of commands with this name, after unescaping.
    std::vector<std::vector<std::string>> Parsed(const std::string& name, int client = 0) const
    {
        std::vector<std::vector<std::string>> out;
        for (const auto& parsed : server.Client(client).parsedCommands) {
            if (!parsed.empty() && parsed[0] == name)
                out.push_back(parsed);
        }
        return out;
    }

    // For what must not happen: runs the event loop until `happened` is true
    // (returned at once, so the test fails fast) or the time in which it
    // would have happened has passed. Where a marker can stand behind it
    // (ClientSendsArrived), use that instead.
    static bool HappensWithin(const std::function<bool()>& happened, int ms)
    {
        return faketoc::FakeTocServer::WaitFor(happened, ms);
    }

    // Returns once everything the client has handed to the library so far
    // has reached the server: a marker command written after it arrives, so
    // whatever was written before it is in. What still waits in the pacer
    // has not been handed over (see pacer.Waiting()).
    ::testing::AssertionResult ClientSendsArrived(int client = 0)
    {
        const std::string marker = std::string(faketoc::kMarkerCommand) + std::to_string(++sentMarkers_);
        if (SendCommandNow(ctx.session, marker) != 0)
            return ::testing::AssertionFailure() << "the client could not send a marker";
        if (!faketoc::FakeTocServer::WaitFor([&] {
                const auto& markers = server.Client(client).markers;
                return std::find(markers.begin(), markers.end(), marker) != markers.end();
            }))
            return ::testing::AssertionFailure() << "the marker did not reach the server";
        return ::testing::AssertionSuccess();
    }

    ProfileFolder dir;
    faketoc::FakeTocServer server;
    FaultyFiles files;  // the client's settings files go through these
    ClientContext ctx;

private:
    int sentMarkers_ = 0;
};
