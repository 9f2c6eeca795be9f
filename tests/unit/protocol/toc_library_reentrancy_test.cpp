// Callbacks that call back into the library, and notifications that arrive
// while a message box is open (the box runs the event loop).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;

TEST(TocLibraryReentrancy, SendFromOnSignonDone)
{
    LibraryHarness h;
    h.Init();
    h.ReachSigningOn();
    int sendResult = 99;
    h.callbacks.onSignonDone = [&] {
        char text[] = "toc_add_buddy bob";
        sendResult = h.library.Send(text, -1);
        return 1;
    };
    h.Take();
    h.Feed(Data("SIGN_ON:TOC1.0"));
    EXPECT_EQ(sendResult, 0);
    EXPECT_EQ(h.Take(), (Log{"status 2", "signon-done", "send DATA toc_add_buddy bob"}));
}

TEST(TocLibraryReentrancy, SendFromOnServerMessageKeepsTheOrder)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.callbacks.onMessage = [&](const char* command, const char*) {
        std::string reply = std::string("toc_send_im bob \"got ") + command + "\" auto";
        std::vector<char> text(reply.begin(), reply.end());
        text.resize(2 * reply.size() + 1, '\0');
        h.library.Send(text.data(), -1);
    };
    h.Take();
    h.Feed(Data("IM_IN:bob:F:1") + Data("EVILED:10:") + Data("IM_IN:bob:F:2"));
    EXPECT_EQ(h.Take(), (Log{"message IM_IN|bob:F:1", "send DATA toc_send_im bob \"got IM_IN\" auto",
                              "message EVILED|10:", "send DATA toc_send_im bob \"got EVILED\" auto",
                              "message IM_IN|bob:F:2", "send DATA toc_send_im bob \"got IM_IN\" auto"}));
}

TEST(TocLibraryReentrancy, EstablishFromOnStatusChangeOffline)
{
    struct Case {
        const char* name;
        int stage;  // 0 connect pending, 1 signing on, 2 online
        void (*goOffline)(LibraryHarness&);
    };
    const Case cases[] = {
        {"server closed", 2, [](LibraryHarness& h) { h.library.OnConnectionClosed(); }},
        {"bad marker", 2, [](LibraryHarness& h) { h.Feed("garbage"); }},
        {"user disconnected", 2, [](LibraryHarness& h) { h.library.Disconnect(); }},
        {"ERROR during sign-on", 1,
         [](LibraryHarness& h) { h.Feed(Data("ERROR:980") + Data("IM_IN:old:F:connection")); }},
        {"connect failed later", 0,
         [](LibraryHarness& h) {
             h.transport.open = false;
             h.library.OnConnectFailed(111);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        if (c.stage == 0)
            h.Establish();
        if (c.stage == 1)
            h.ReachSigningOn();
        if (c.stage == 2)
            h.ReachOnline();
        int reconnects = 0;
        int establishResult = -1;
        h.callbacks.onStatus = [&](int status) {
            if (status == STATUS_OFFLINE && reconnects == 0) {
                ++reconnects;
                establishResult = h.Establish();
            }
        };
        c.goOffline(h);
        EXPECT_EQ(establishResult, 1);
        EXPECT_EQ(h.transport.connects, 2);
        EXPECT_TRUE(h.library.State().connectPending);
        EXPECT_TRUE(h.transport.open);

        // The new connection signs on from a clean stream.
        h.callbacks.onStatus = nullptr;
        h.Take();
        h.library.OnConnectionWritable();
        h.Feed(prototest::ServerSignon(40));
        h.Feed(Data("SIGN_ON:TOC1.0"));
        EXPECT_EQ(h.Matching("status"), (Log{"status 1", "status 2"}));
        EXPECT_TRUE(h.Matching("box").empty()) << ::testing::PrintToString(h.log);
        EXPECT_TRUE(h.Matching("message").empty()) << ::testing::PrintToString(h.log);
        EXPECT_EQ(h.Status(), STATUS_ONLINE);
    }
}

TEST(TocLibraryReentrancy, DisconnectFromOnServerMessage)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.callbacks.onMessage = [&](const char*, const char*) { h.library.Disconnect(); };
    h.Take();
    h.Feed(Data("IM_IN:bob:F:1") + Data("IM_IN:bob:F:2"));
    const Log log = h.Take();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Log(log.begin(), log.begin() + 4), (Log{"message IM_IN|bob:F:1", "send SIGNOFF", "close", "status 0"}));
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
    EXPECT_EQ(h.Establish(), 1);
}

TEST(TocLibraryReentrancy, BytesArrivingWhileABoxIsOpenAreHandledAfterInOrder)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.onBox = [&](const char*) {
        h.onBox = nullptr;
        h.Feed(Data("IM_IN:bob:F:during the box"));
    };
    h.Take();
    h.Feed(Data("SIGN_ON:TOC1.0") + Data("IM_IN:bob:F:after SIGN_ON"));
    EXPECT_EQ(h.Take(), (Log{"box Got SIGN_ON in weird state", "message IM_IN|bob:F:after SIGN_ON",
                              "message IM_IN|bob:F:during the box"}));
}

TEST(TocLibraryReentrancy, CloseWhileABoxIsOpenWaitsForTheFramesBeforeIt)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.onBox = [&](const char*) {
        h.onBox = nullptr;
        h.library.OnConnectionClosed();
    };
    h.Take();
    h.Feed(Data("SIGN_ON:TOC1.0") + Data("IM_IN:bob:F:after SIGN_ON"));
    EXPECT_EQ(h.Take(), (Log{"box Got SIGN_ON in weird state", "message IM_IN|bob:F:after SIGN_ON", "close",
                              "status 0"}));
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
}

}  // namespace
