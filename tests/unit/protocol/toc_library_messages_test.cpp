// The server messages the library keeps (SIGN_ON, ERROR, PAUSE) and the
// hand-off of every other message to the client.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;

TEST(TocLibraryMessages, ErrorDuringSignonDisconnectsFirstThenReports)
{
    struct Case {
        const char* name;
        bool serverSignonSeen;  // otherwise still before the server's sign-on frame
        int handled;            // what OnSignonError answers
    };
    const Case cases[] = {
        {"signing on, handled", true, 1},
        {"signing on, not handled", true, 0},
        {"before the server's sign-on frame", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.Establish();
        h.library.OnConnectionWritable();
        if (c.serverSignonSeen)
            h.Feed(prototest::ServerSignon(1));
        h.callbacks.signonErrorResult = c.handled;
        h.Take();
        h.Feed(Data("ERROR:980") + Data("IM_IN:bob:F:still delivered") + Data("SIGN_ON:TOC1.0"));

        Log expected{"send SIGNOFF", "close", "status 0", "signon-error 980"};
        if (c.handled == 0)
            expected.push_back("box Server sent error during signon. Try again later.");
        // Later frames of the same read still reach the client; a SIGN_ON
        // from the closed connection cannot bring it back online.
        expected.push_back("message IM_IN|bob:F:still delivered");
        EXPECT_EQ(h.Take(), expected);
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);
        EXPECT_FALSE(h.library.State().connected);
        EXPECT_EQ(h.Establish(), 1);
    }
}

TEST(TocLibraryMessages, OtherMessagesReachTheClientInEveryState)
{
    struct Case {
        const char* name;
        int stage;  // 0 connected, 1 signing on, 2 online
    };
    for (const Case& c : {Case{"before the server's sign-on frame", 0}, Case{"signing on", 1}, Case{"online", 2}}) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.Establish();
        h.library.OnConnectionWritable();
        if (c.stage >= 1)
            h.Feed(prototest::ServerSignon(1));
        if (c.stage == 2)
            h.Feed(Data("SIGN_ON:TOC1.0"));
        const int status = h.Status();
        h.Take();
        // Names are compared exactly: other spellings are ordinary messages.
        h.Feed(Data("IM_IN:bob:F:hi") + Data("sign_on:TOC1.0") + Data("Error:901") + Data("PAUSED") +
               Data("NICK:Some Body"));
        EXPECT_EQ(h.Take(), (Log{"message IM_IN|bob:F:hi", "message sign_on|TOC1.0", "message Error|901",
                                  "message PAUSED|", "message NICK|Some Body"}));
        EXPECT_EQ(h.Status(), status);
    }
}

TEST(TocLibraryMessages, SendReturnsZeroEvenWhenTheSocketRefuses)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.Take();
    h.transport.failWrite = [](const std::string&) { return true; };
    char text[] = "toc_init_done";
    EXPECT_EQ(h.library.Send(text, -1), 0);
    EXPECT_TRUE(h.Matching("box").empty());
}

}  // namespace
