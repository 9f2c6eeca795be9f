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

TEST(TocLibraryMessages, PauseRefusesSendsUntilTheNextSignOn)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.Take();
    h.Feed(Data("PAUSE"));
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);  // no callback for PAUSE

    char text[] = "toc_send_im bob \"hi\"";
    EXPECT_EQ(h.library.Send(text, -1), -1);
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);

    // SIGN_ON after PAUSE is expected: no message, and the completion runs again.
    h.Feed(Data("SIGN_ON:TOC1.0"));
    EXPECT_EQ(h.Take(), (Log{"status 2", "signon-done"}));
    EXPECT_EQ(h.library.Send(text, -1), 0);
    EXPECT_EQ(h.Take(), Log{"send DATA toc_send_im bob \"hi\""});
}

TEST(TocLibraryMessages, SignOnInAWeirdStateIsReportedAndStillHandled)
{
    struct Case {
        const char* name;
        bool online;  // otherwise: connected, before the server's sign-on frame
    };
    for (const Case& c : {Case{"second SIGN_ON while online", true},
                          Case{"SIGN_ON before the server's sign-on frame", false}}) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        if (c.online) {
            h.ReachOnline();
        } else {
            h.Establish();
            h.library.OnConnectionWritable();
        }
        h.Take();
        h.Feed(Data("SIGN_ON:TOC1.0"));
        EXPECT_EQ(h.Take(), (Log{"box Got SIGN_ON in weird state", "status 2", "signon-done"}));
        EXPECT_EQ(h.Status(), STATUS_ONLINE);
    }
}

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

TEST(TocLibraryMessages, ErrorWhileOnlineKeepsTheConnection)
{
    for (int handled : {1, 0}) {
        SCOPED_TRACE(handled ? "handled" : "not handled");
        LibraryHarness h;
        h.Init();
        h.ReachOnline();
        h.callbacks.serverErrorResult = handled;
        h.Take();
        h.Feed(Data("ERROR:901:bob"));
        Log expected{"server-error 901:bob"};
        if (!handled)
            expected.push_back("box Server sent unhandled error.");
        EXPECT_EQ(h.Take(), expected);
        EXPECT_TRUE(h.transport.open);
        EXPECT_EQ(h.Status(), STATUS_ONLINE);
        char text[] = "toc_init_done";
        EXPECT_EQ(h.library.Send(text, -1), 0);
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

TEST(TocLibraryMessages, ManyFramesInOneReadAreHandledInOrder)
{
    LibraryHarness h;
    h.Init();
    h.ReachSigningOn();
    h.Take();
    std::string read = Data("SIGN_ON:TOC1.0") + Data("CONFIG:m 1\n");
    Log expected{"status 2", "signon-done", "message CONFIG|m 1\n"};
    for (int i = 0; i < 50; ++i) {
        const std::string args = "bud" + std::to_string(i) + ":T:0:1000:0: O";
        read += Data("UPDATE_BUDDY:" + args);
        expected.push_back("message UPDATE_BUDDY|" + args);
    }
    h.Feed(read);
    EXPECT_EQ(h.Take(), expected);
}

TEST(TocLibraryMessages, FieldsAreCutAndEndAtTheFirstNul)
{
    using namespace std::string_literals;
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.Take();
    h.Feed(prototest::DataWithoutNul("IM_IN:a:F:no nul") + prototest::RawFrame(2, 0, "IM_IN:b:F:x\0junk:y"s) +
           Data(std::string(1500, 'C') + ":" + std::string(4000, 'a')));
    EXPECT_EQ(h.Take(), (Log{"message IM_IN|a:F:no nul", "message IM_IN|b:F:x",
                              "message " + std::string(1023, 'C') + "|" + std::string(2047, 'a')}));
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
