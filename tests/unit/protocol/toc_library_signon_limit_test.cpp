// The sign-on time limit: armed when the TCP connect completes, cancelled by
// SIGN_ON; when it runs out the attempt ends as a server close during the
// sign-on would end it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;

TEST(TocLibrarySignonLimit, ArmedAtTheConnectWithTheLimitGiven)
{
    LibraryHarness h;
    EXPECT_EQ(h.transport.deadlineMs, 0);
    h.Init();
    h.Establish();
    EXPECT_EQ(h.transport.deadlineMs, 0) << "armed before the TCP connect completed";
    h.library.OnConnectionWritable();
    EXPECT_EQ(h.transport.deadlineMs, tocwire::kSignonTimeLimitMs);
    EXPECT_EQ(tocwire::kSignonTimeLimitMs, 30000);

    LibraryHarness shorter;
    shorter.library.SetSignonTimeLimit(250);
    shorter.Init();
    shorter.Establish();
    shorter.library.OnConnectionWritable();
    EXPECT_EQ(shorter.transport.deadlineMs, 250);

    // Only a shorter limit is taken; anything else keeps the default.
    for (const int given : {0, -5, tocwire::kSignonTimeLimitMs + 1}) {
        LibraryHarness other;
        other.library.SetSignonTimeLimit(given);
        other.Init();
        other.Establish();
        other.library.OnConnectionWritable();
        EXPECT_EQ(other.transport.deadlineMs, tocwire::kSignonTimeLimitMs) << given;
    }
}

TEST(TocLibrarySignonLimit, RunningOutBeforeSignOnEndsTheAttempt)
{
    struct Case {
        const char* stage;
        std::function<void(LibraryHarness&)> reach;
        Log expected;
    };
    const Case cases[] = {
        {"connected, no server sign-on frame",
         [](LibraryHarness& h) {
             h.Establish();
             h.library.OnConnectionWritable();
         },
         {"close", "status 0"}},
        {"signing on", [](LibraryHarness& h) { h.ReachSigningOn(); }, {"close", "status 0"}},
        {"server messages but no SIGN_ON",
         [](LibraryHarness& h) {
             h.ReachSigningOn();
             h.Feed(Data("NICK:Some Body"));
         },
         {"close", "status 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        LibraryHarness h;
        h.Init();
        c.reach(h);
        ASSERT_NE(h.transport.deadlineMs, 0);
        h.Take();
        h.library.OnDeadline();
        EXPECT_EQ(h.Take(), c.expected);
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);
        EXPECT_FALSE(h.library.State().connected);
        EXPECT_FALSE(h.library.State().connectPending);
        EXPECT_TRUE(h.Matching("box").empty());

        // Usable again at once, and the new attempt gets the whole limit.
        EXPECT_EQ(h.Establish(), 1);
        h.library.OnConnectionWritable();
        EXPECT_EQ(h.transport.deadlineMs, tocwire::kSignonTimeLimitMs);
        h.Feed(prototest::ServerSignon(7));
        h.Feed(Data("SIGN_ON:TOC1.0"));
        EXPECT_EQ(h.Status(), STATUS_ONLINE);
    }
}

TEST(TocLibrarySignonLimit, SignOnCancelsIt)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    EXPECT_EQ(h.transport.deadlineMs, 0);
    // A stale expiry once online changes nothing.
    h.Take();
    h.library.OnDeadline();
    EXPECT_TRUE(h.Take().empty());
    EXPECT_EQ(h.Status(), STATUS_ONLINE);
}

TEST(TocLibrarySignonLimit, RunningOutUnderABoxWaitsForTheFramesBeforeIt)
{
    LibraryHarness h;
    h.Init();
    h.ReachSigningOn();
    // A box raised by an earlier frame is open when the time runs out.
    h.transport.failWrite = [](const std::string& what) { return what == "KEEPALIVE"; };
    h.onBox = [&](const char*) {
        h.onBox = nullptr;
        h.library.OnDeadline();
    };
    h.Take();
    h.Feed(prototest::KeepAlive() + Data("NICK:Some Body"));
    EXPECT_EQ(h.Take(), (Log{"send KEEPALIVE (failed)", "box Error sending KEEPALIVE", "message NICK|Some Body", "close",
                        "status 0"}));
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
}

}  // namespace
