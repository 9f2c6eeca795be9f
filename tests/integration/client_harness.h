// One client under test: the real client logic and the real libtocwire.so,
// a recording window, a fresh profile folder, and a
// fake TOC server on 127.0.0.1.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "client_context.h"
#include "client_test_base.h"
#include "client_lifecycle.h"
#include "connection.h"
#include "fake_toc_server.h"
#include "recording_window.h"
#include "test_profile.h"
#include "tocwire.h"

class ClientHarness : public ClientTestBase {
protected:
    void SetUp() override
    {
        ClientTestBase::SetUp();
        if (HasFatalFailure())
            return;
        ctx.online.Watch(&window);  // as the real window's list model does
        StartClient(ctx, window, kLibraryPath);
        ASSERT_TRUE(ctx.session.api.Bound());
        PointAtFakeServer(ctx.settings.userInfo, server.Port());
        // The fake server sends no CONFIG unless a test says so: the
        // configuration goes at once.
        ctx.config.waitMs = 0;
    }

    void TearDown() override
    {
        ShutdownClient(ctx);
    }

    // Connects and waits for the completed sign-on (toc_set_info is the last
    // command of the completion, toc_set_config follows when no CONFIG came).
    bool SignOn(int client = 0)
    {
        ConnectToServer(ctx.Out(), ctx.session, ctx.settings);
        if (!faketoc::FakeTocServer::WaitFor([&] {
                return ctx.session.connectionStatus == STATUS_ONLINE && HasCommandStartingWith(client, "toc_set_info") &&
                       HasCommandStartingWith(client, "toc_set_config");
            }))
            return false;
        // A relaying server reports the user's own name like any buddy; let
        // that line arrive so later checks start from a quiet transcript.
        if (expectSelfPresence && server.Relaying())
            faketoc::FakeTocServer::WaitFor([&] { return !ctx.online.Empty(); }, 1000);
        return true;
    }

    // The transcript's lines without buddy arrivals and departures.
    std::vector<std::string> LinesWithoutPresence() const
    {
        std::vector<std::string> out;
        for (const std::string& line : Lines()) {
            if (!line.ends_with(" signed on.") && !line.ends_with(" signed off."))
                out.push_back(line);
        }
        return out;
    }

    const faketoc::FakeTocServer::ClientRecord& Peer(int client = 0) const { return server.Client(client); }

    // The commands sent after the sign-on's toc_signon, as on the wire.
    std::vector<std::string> CommandsAfterSignon(int client = 0) const
    {
        std::vector<std::string> out;
        bool seen = false;
        for (const std::string& command : server.Client(client).commands) {
            if (seen)
                out.push_back(command);
            if (command.rfind("toc_signon", 0) == 0)
                seen = true;
        }
        return out;
    }

    // Lines of the transcript, without their CR LF.
    std::vector<std::string> Lines() const { return SplitLines(ctx.transcript.output.Text(), "\r\n"); }

    bool TranscriptHas(std::string_view line) const
    {
        for (const std::string& l : Lines()) {
            if (l == line)
                return true;
        }
        return false;
    }

    bool WaitForLine(std::string_view line, int timeoutMs = 5000)
    {
        return faketoc::FakeTocServer::WaitFor([&] { return TranscriptHas(line); }, timeoutMs);
    }

    // Waits for `marker`, a line the server had the client show after what a
    // test checks. The first line from line `from` on that contains `kind`
    // (the marker's fixed words), after `earlier` such lines that what is
    // checked shows itself, decides: any other text there, or a connection
    // that ends first, fails at once rather than after the whole wait.
    ::testing::AssertionResult WaitForMarker(std::size_t from, std::string_view marker, std::string_view kind,
                                             std::size_t earlier = 0, int timeoutMs = 5000) const
    {
        std::string seen;
        bool ended = false;
        faketoc::FakeTocServer::WaitFor([&] {
            const std::vector<std::string> lines = Lines();
            std::size_t skip = earlier;
            for (std::size_t i = from; i < lines.size(); ++i) {
                if (lines[i].find(kind) != std::string::npos && skip-- == 0) {
                    seen = lines[i];
                    return true;
                }
            }
            ended = ctx.session.connectionStatus == STATUS_OFFLINE;
            return ended;
        }, timeoutMs);
        if (seen == marker)
            return ::testing::AssertionSuccess();
        if (!seen.empty())
            return ::testing::AssertionFailure() << "a wrong marker line: \"" << seen << "\"";
        return ::testing::AssertionFailure() << (ended ? "the connection ended before the marker"
                                                       : "no marker line within the wait");
    }

    // A round trip: returns once the server has what the client sent so far,
    // the client has handled what the server sent in answer (a warning the
    // server sends after it is shown), and whatever the client sent in turn
    // has reached the server (a second marker command).
    ::testing::AssertionResult AnswersArrived(int client = 0)
    {
        if (::testing::AssertionResult sent = ClientSendsArrived(client); !sent)
            return sent;
        const std::size_t before = Lines().size();
        const std::string name = "answer marker " + std::to_string(++answerMarkers_);
        server.SendData(client, "EVILED:0:" + name);
        if (::testing::AssertionResult shown = WaitForMarker(
                before, "STATUS MESSAGE: You have been warned by " + name + ". Your warning level is now 0%.",
                "You have been ");
            !shown)
            return shown;
        return ClientSendsArrived(client);
    }

    // Whether the server reports the user's own arrival (it does while it relays).
    bool expectSelfPresence = true;
    RecordingWindow window;

private:
    int answerMarkers_ = 0;
};
