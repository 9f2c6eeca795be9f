// TocLibrary's exported operations outside the conversation itself: Init,
// Establish and its failures, Disconnect and Shutdown in each state.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::LibraryHarness;

const std::string kConnect = "connect toc.example.net:9898";

TEST(TocLibraryInit, SecondInitIsRefusedAndTheFirstValuesStay)
{
    LibraryHarness h;
    ASSERT_EQ(h.Init("First One", "pw1"), 1);
    int otherWindow = 0;
    EXPECT_EQ(h.library.Init(&otherWindow, &h.callbacks, "Second", "pw2", 1234, "other.host", "v2"), 0);
    EXPECT_EQ(h.Take(), Log{"box You cannot call init again without shutting down first!"});
    // The refusal is owned by the window of the refused call.
    EXPECT_EQ(h.boxOwners, std::vector<void*>{&otherWindow});

    h.ReachSigningOn();
    // "pw1" roasted: 70^54 77^69 31^63.
    EXPECT_EQ(h.Matching("send DATA"),
              Log{"send DATA toc_signon login.example.net 5190 firstone 0x241e52 english \"zorvane\""});
}

TEST(TocLibraryInit, LoginPortMinusOneLeavesTheLibraryUninitialised)
{
    LibraryHarness h;
    EXPECT_EQ(h.Init("Some Body", "password", -1), 1);
    EXPECT_EQ(h.Establish(), 0);
    EXPECT_EQ(h.transport.connects, 0);
    EXPECT_EQ(h.Init(), 1);  // accepted again, no refusal
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
    EXPECT_EQ(h.Establish(), 1);
}

TEST(TocLibraryInit, EstablishBeforeInitDoesNothing)
{
    LibraryHarness h;
    EXPECT_EQ(h.Establish(), 0);
    EXPECT_EQ(h.transport.connects, 0);
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
}

TEST(TocLibraryEstablish, ReportsOfflineBeforeEveryConnect)
{
    LibraryHarness h;
    h.Init();
    EXPECT_EQ(h.Establish(), 1);
    EXPECT_EQ(h.Take(), (Log{"status 0", kConnect}));
    EXPECT_TRUE(h.library.State().connectPending);
}

TEST(TocLibraryEstablish, RefusedWhileAConnectionIsUnderWayOrUp)
{
    struct Case {
        const char* name;
        int connectResult;
        bool writable;  // the TCP connect has completed
        bool signingOn;
    };
    const Case cases[] = {
        {"connect pending", tocwire::Transport::kPending, false, false},
        {"connected at once", tocwire::Transport::kConnected, false, false},
        {"TCP connect complete, before the server's sign-on frame", tocwire::Transport::kPending, true, false},
        {"signing on", tocwire::Transport::kPending, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.transport.connectResult = c.connectResult;
        ASSERT_EQ(h.Establish(), 1);
        if (c.writable)
            h.library.OnConnectionWritable();
        if (c.signingOn)
            h.Feed(prototest::ServerSignon(1));
        h.Take();
        EXPECT_EQ(h.Establish(), 0);
        EXPECT_EQ(h.transport.connects, 1);
        EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
    }
}

TEST(TocLibraryEstablish, ConnectFailuresAreReportedAndEstablishWorksAgain)
{
    static_assert(ECONNREFUSED == 111 && EINVAL == 22, "Linux error numbers");
    struct Case {
        const char* name;
        int connectResult;  // what Connect answers
        int asyncError;     // 0: no later failure
        int establishResult;
        Log log;
    };
    const Case cases[] = {
        {"refused at once", ECONNREFUSED, 0, 0,
         {"status 0", kConnect, "box Can't connect to toc.example.net on port 9898. LastError is 111."}},
        {"host does not resolve", EINVAL, 0, 0,
         {"status 0", kConnect, "box Can't connect to toc.example.net on port 9898. LastError is 22."}},
        {"refused later", tocwire::Transport::kPending, ECONNREFUSED, 1,
         {"status 0", kConnect, "box Can't connect to toc.example.net on port 9898. LastError is 111.",
          "status 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.transport.connectResult = c.connectResult;
        EXPECT_EQ(h.Establish(), c.establishResult);
        if (c.asyncError != 0) {
            h.transport.open = false;  // the socket gave up the attempt
            h.library.OnConnectFailed(c.asyncError);
        }
        EXPECT_EQ(h.Take(), c.log);
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);

        h.transport.connectResult = tocwire::Transport::kPending;
        EXPECT_EQ(h.Establish(), 1);
        EXPECT_EQ(h.transport.connects, 2);
    }
}

TEST(TocLibraryDisconnect, WhileSigningOnDoesNothing)
{
    LibraryHarness h;
    h.Init();
    h.ReachSigningOn();
    h.Take();
    h.library.Disconnect();
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
    EXPECT_TRUE(h.transport.open);

    h.Feed(prototest::Data("SIGN_ON:TOC1.0"));  // the sign-on carries on
    EXPECT_EQ(h.Take(), (Log{"status 2", "signon-done"}));
}

TEST(TocLibraryDisconnect, WhileOnlineSignsOffAndCloses)
{
    for (bool signoffFails : {false, true}) {
        SCOPED_TRACE(signoffFails ? "SIGNOFF send fails" : "SIGNOFF sent");
        LibraryHarness h;
        h.Init();
        h.ReachOnline();
        h.Take();
        if (signoffFails)
            h.transport.failWrite = [](const std::string& what) { return what == "SIGNOFF"; };
        h.library.Disconnect();
        const Log expected = signoffFails
                                 ? Log{"send SIGNOFF (failed)", "box Error sending SIGNOFF", "close", "status 0"}
                                 : Log{"send SIGNOFF", "close", "status 0"};
        EXPECT_EQ(h.Take(), expected);
        char text[] = "toc_init_done";
        EXPECT_EQ(h.library.Send(text, -1), -1);
        EXPECT_EQ(h.Establish(), 1);
    }
}

TEST(TocLibraryShutdown, ClosesWhatIsOpenAndAllowsInitAgain)
{
    struct Case {
        const char* name;
        int stage;  // 0 initialised only, 1 connect pending, 2 signing on, 3 online
        Log log;
    };
    const Case cases[] = {
        {"no connection: no callback", 0, {}},
        {"connect pending: abandoned quietly", 1, {"close"}},
        {"signing on: closed without SIGNOFF", 2, {"close", "status 0"}},
        {"online: SIGNOFF, then closed", 3, {"send SIGNOFF", "close", "status 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        if (c.stage == 1)
            h.Establish();
        if (c.stage == 2)
            h.ReachSigningOn();
        if (c.stage == 3)
            h.ReachOnline();
        h.Take();
        h.library.Shutdown();
        EXPECT_EQ(h.Take(), c.log);
        EXPECT_FALSE(h.transport.open);
        EXPECT_EQ(h.Establish(), 0);  // not initialised any more
        EXPECT_EQ(h.Init(), 1);
        EXPECT_TRUE(h.Matching("box").empty());
    }
}

}  // namespace
