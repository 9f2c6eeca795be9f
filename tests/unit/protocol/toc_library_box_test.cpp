// While one of the library's message boxes is open (the box runs the event
// loop) the connection is not read, and a shutdown that comes in meanwhile
// leaves nothing for the handler under the box to resume.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;

struct BoxCase {
    const char* box;
    std::function<void(LibraryHarness&)> raise;
};

TEST(TocLibraryBoxes, ReadsAreHeldExactlyWhileABoxIsOpen)
{
    const BoxCase cases[] = {
        {"Got SIGN_ON in weird state",
         [](LibraryHarness& h) {
             h.ReachOnline();
             h.Feed(Data("SIGN_ON:TOC1.0"));
         }},
        {"You cannot call init again without shutting down first!", [](LibraryHarness& h) { h.Init(); }},
        {"Can't connect to toc.example.net on port 9898. LastError is 111.",
         [](LibraryHarness& h) {
             h.transport.connectResult = ECONNREFUSED;
             h.Establish();
         }},
        {"Error sending FLAPON",
         [](LibraryHarness& h) {
             h.transport.failWrite = [](const std::string& what) { return what == "FLAPON"; };
             h.Establish();
             h.library.OnConnectionWritable();
         }},
        {"Server sent unhandled error.",
         [](LibraryHarness& h) {
             h.callbacks.serverErrorResult = 0;
             h.ReachOnline();
             h.Feed(Data("ERROR:999"));
         }},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.box);
        LibraryHarness h;
        h.Init();
        int holdsDuringBox = -1;
        bool openDuringBox = false;
        h.onBox = [&](const char*) {
            holdsDuringBox = h.transport.readHolds;
            openDuringBox = h.library.MessageOpen();
        };
        c.raise(h);
        ASSERT_EQ(h.Matching("box "), (Log{std::string("box ") + c.box}));
        EXPECT_EQ(holdsDuringBox, 1);
        EXPECT_TRUE(openDuringBox);
        EXPECT_EQ(h.transport.readHolds, 0);
        EXPECT_FALSE(h.library.MessageOpen());
    }
}

TEST(TocLibraryBoxes, NestedBoxesHoldTheReadsUntilTheLastCloses)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    std::vector<int> holds;
    h.onBox = [&](const char* text) {
        holds.push_back(h.transport.readHolds);
        if (std::string(text) == "Got SIGN_ON in weird state")
            h.Init();  // a second box over the first
        holds.push_back(h.transport.readHolds);
    };
    h.Feed(Data("SIGN_ON:TOC1.0"));
    EXPECT_EQ(holds, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(h.transport.readHolds, 0);
}

TEST(TocLibraryBoxes, ShutdownUnderABoxStopsTheHandlerBelowIt)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.onBox = [&](const char*) { h.library.Shutdown(); };
    h.Take();
    h.Feed(Data("SIGN_ON:TOC1.0") + Data("IM_IN:bob:F:after the box"));
    // Signed off and closed while the box was open; nothing after it.
    EXPECT_EQ(h.Take(), (Log{"box Got SIGN_ON in weird state", "send SIGNOFF", "close", "status 0"}));
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
    EXPECT_FALSE(h.library.State().connected);
    EXPECT_EQ(h.transport.readHolds, 0);

    // Usable again.
    EXPECT_EQ(h.Init(), 1);
    EXPECT_EQ(h.Establish(), 1);
}

TEST(TocLibraryBoxes, AReconnectUnderABoxKeepsItsStreamApart)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    h.onBox = [&](const char*) {
        h.library.Disconnect();
        h.Establish();
    };
    h.Take();
    h.Feed(Data("SIGN_ON:TOC1.0") + Data("IM_IN:bob:F:old connection"));
    EXPECT_EQ(h.Take(), (Log{"box Got SIGN_ON in weird state", "send SIGNOFF", "close", "status 0", "status 0",
                              "connect toc.example.net:9898"}));
    EXPECT_TRUE(h.library.State().connectPending);
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
}

}  // namespace
