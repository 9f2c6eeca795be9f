// The sign-on: FLAPON, the library's sign-on frame, toc_signon with the
// roasted password, SIGN_ON and the default completion sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_harness.h"

namespace {

using Log = std::vector<std::string>;
using prototest::Data;
using prototest::LibraryHarness;
using prototest::ParseSent;
using prototest::ServerSignon;

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string SignonLine(const std::string& name, const std::string& roasted)
{
    return "toc_signon login.example.net 5190 " + name + " " + roasted + " english \"zorvane\"";
}

TEST(TocLibrarySignon, FlapOnGoesOutOnceWhenTheConnectionBecomesWritable)
{
    LibraryHarness h;
    h.Init();
    h.Establish();
    EXPECT_TRUE(h.transport.sent.empty());
    h.library.OnConnectionWritable();
    EXPECT_EQ(h.transport.sent, Log{std::string("FLAPON\r\n\r\n", 10)});
    EXPECT_EQ(h.Status(), STATUS_OFFLINE);
    // From the completed TCP connect on, the connection counts as up.
    EXPECT_TRUE(h.library.State().connected);
    EXPECT_EQ(h.Establish(), 0);
}

TEST(TocLibrarySignon, FlapOnSendFailureIsReported)
{
    LibraryHarness h;
    h.Init();
    h.Establish();
    h.transport.failWrite = [](const std::string& what) { return what == "FLAPON"; };
    h.Take();
    h.library.OnConnectionWritable();
    EXPECT_EQ(h.Take(), (Log{"send FLAPON (failed)", "box Error sending FLAPON"}));
}

TEST(TocLibrarySignon, ReplyBytesTakeTheServersSequenceNumber)
{
    LibraryHarness h;
    h.Init("Some Body", "password");
    h.Establish();
    h.library.OnConnectionWritable();
    h.transport.sent.clear();
    h.Take();
    h.Feed(ServerSignon(65535));

    ASSERT_EQ(h.transport.sent.size(), 2u);
    // Sign-on frame: sequence 65535, length 8 + 8; FLAP version 1, TLV 1, the
    // normalised name and its length.
    EXPECT_EQ(h.transport.sent[0], Bytes({'*', 1, 0xff, 0xff, 0x00, 0x10, 0, 0, 0, 1, 0, 1, 0, 8}) + "somebody");
    // toc_signon is the next frame: the sequence wraps to 0.
    const std::string line = SignonLine("somebody", "0x2408105c23001130");
    const std::size_t length = line.size() + 1;
    EXPECT_EQ(h.transport.sent[1],
              Bytes({'*', 2, 0x00, 0x00, static_cast<int>(length >> 8), static_cast<int>(length & 0xff)}) + line +
                  std::string(1, '\0'));
    EXPECT_EQ(h.Take(), (Log{"send SIGNON", "send DATA " + line, "status 1"}));
    EXPECT_EQ(h.Status(), STATUS_SIGNING_ON);
}

TEST(TocLibrarySignon, TheWholeTocSignonLineIsEscaped)
{
    LibraryHarness h;
    h.Init("Some Body", "password", 5190, "login[1].example.net", "zorvane (1.0) $x");
    h.ReachSigningOn();
    EXPECT_EQ(h.Matching("send DATA"),
              Log{"send DATA toc_signon login\\[1\\].example.net 5190 somebody 0x2408105c23001130 english "
                  "\"zorvane \\(1.0\\) \\$x\""});
}

TEST(TocLibrarySignon, PasswordIsCutToNineWhenTheStoredNameStartsWithADigit)
{
    struct Case {
        const char* screenName;
        const char* password;
        std::string normalised;
        std::string roasted;  // "abcdefghijkl" XOR the key, by hand
    };
    const Case cases[] = {
        {"9lives", "abcdefghijkl", "9lives", "0x350b004b3109043c00"},
        {"0 Cool", "abcdefghijkl", "0cool", "0x350b004b3109043c00"},
        {"9lives", "abcdefghi", "9lives", "0x350b004b3109043c00"},  // exactly nine: nothing to cut
        {" 9lives", "abcdefghijkl", "9lives", "0x350b004b3109043c00094438"},  // a leading blank is no digit
        {"Lives9", "abcdefghijkl", "lives9", "0x350b004b3109043c00094438"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.screenName + "\" / " + c.password);
        LibraryHarness h;
        h.Init(c.screenName, c.password);
        h.ReachSigningOn();
        EXPECT_EQ(h.Matching("send DATA"), Log{"send DATA " + SignonLine(c.normalised, c.roasted)});
    }
}

TEST(TocLibrarySignon, LongStoredTextsAreCutOrRefusedNeverOverrun)
{
    {
        SCOPED_TRACE("screen name of 1500 characters is stored as 1023");
        LibraryHarness h;
        h.Init(std::string(1500, 'A').c_str(), "password");
        h.ReachSigningOn();
        ASSERT_GE(h.transport.sent.size(), 2u);  // FLAPON, then the sign-on frame
        const auto frame = ParseSent(h.transport.sent[1]);
        ASSERT_TRUE(frame.wellFormed);
        EXPECT_EQ(frame.payload.substr(6, 2), Bytes({0x03, 0xff}));
        EXPECT_EQ(frame.payload.substr(8), std::string(1023, 'a'));
        EXPECT_EQ(h.Status(), STATUS_SIGNING_ON);
    }
    {
        SCOPED_TRACE("a toc_signon line over 2047 characters is refused, not sent cut");
        LibraryHarness h;
        const std::string host(1023, 'h');
        const std::string version(1023, 'v');
        h.Init("Some Body", "password", 5190, host.c_str(), version.c_str());
        h.ReachSigningOn();
        EXPECT_TRUE(h.Matching("send DATA").empty());
        EXPECT_EQ(h.log.back(), "box Error sending toc_signon");
        EXPECT_TRUE(h.Matching("status 1").empty());
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);
    }
}

TEST(TocLibrarySignon, SendFailuresDuringTheReplyLeaveTheLibraryOffline)
{
    struct Case {
        const char* name;
        std::string failPrefix;
        Log log;
    };
    const Case cases[] = {
        {"sign-on frame", "SIGNON", {"send SIGNON (failed)", "box Error sending MSGTYPE_SIGNON"}},
        {"toc_signon",
         "DATA toc_signon",
         {"send SIGNON", "send DATA " + SignonLine("somebody", "0x2408105c23001130") + " (failed)",
          "box Error sending toc_signon"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryHarness h;
        h.Init();
        h.Establish();
        h.library.OnConnectionWritable();
        h.transport.failWrite = [&](const std::string& what) { return what.rfind(c.failPrefix, 0) == 0; };
        h.Take();
        h.Feed(ServerSignon(1));
        EXPECT_EQ(h.Take(), c.log);
        EXPECT_EQ(h.Status(), STATUS_OFFLINE);
    }
}

TEST(TocLibrarySignon, FullCourseReportsEachStatusOnce)
{
    LibraryHarness h;
    h.Init();
    h.ReachOnline();
    EXPECT_EQ(h.Take(), (Log{"status 0", "connect toc.example.net:9898", "send FLAPON", "send SIGNON",
                              "send DATA " + SignonLine("somebody", "0x2408105c23001130"), "status 1",
                              "status 2", "signon-done"}));
    EXPECT_EQ(h.Status(), STATUS_ONLINE);
}

TEST(TocLibrarySignon, LaterServerSignonFramesAreIgnored)
{
    LibraryHarness h;
    h.Init();
    h.ReachSigningOn(100);  // sign-on frame 100, toc_signon 101
    h.Take();
    h.Feed(ServerSignon(500));
    EXPECT_TRUE(h.log.empty()) << ::testing::PrintToString(h.log);
    h.Feed(Data("SIGN_ON:TOC1.0"));
    h.Feed(ServerSignon(900));
    EXPECT_EQ(h.Take(), (Log{"status 2", "signon-done"}));

    char text[] = "toc_init_done";
    ASSERT_EQ(h.library.Send(text, -1), 0);
    EXPECT_EQ(ParseSent(h.transport.sent.back()).sequence, 102);  // the sequence was not taken again
}

const Log kDefaultCompletion = {
    "send DATA toc_set_config \"m 1\n\"",
    "send DATA toc_add_buddy somebody",
    "send DATA toc_init_done",
    "send DATA toc_set_caps 09461343-4C7F-11D1-8222-444553540000 09461348-4C7F-11D1-8222-444553540000",
};

TEST(TocLibrarySignon, DefaultCompletionOnlyWhenTheClientDeclines)
{
    for (int signonDone : {0, 1, -1}) {
        SCOPED_TRACE("OnSignonDone returns " + std::to_string(signonDone));
        LibraryHarness h;
        h.Init();
        h.ReachSigningOn(200);
        h.callbacks.signonDoneResult = signonDone;
        h.Take();
        h.transport.sent.clear();
        h.Feed(Data("SIGN_ON:TOC1.0"));

        Log expected{"status 2", "signon-done"};
        if (signonDone == 0)
            expected.insert(expected.end(), kDefaultCompletion.begin(), kDefaultCompletion.end());
        EXPECT_EQ(h.Take(), expected);
        for (std::size_t i = 0; i < h.transport.sent.size(); ++i)
            EXPECT_EQ(std::size_t{ParseSent(h.transport.sent[i]).sequence}, 202 + i);
    }
}

TEST(TocLibrarySignon, FailedCompletionStepStopsTheSequenceAndTheRead)
{
    const char* failures[] = {"Error sending toc_set_config", "Error sending toc_add_buddy",
                              "Error sending toc_init_done", "Error sending toc_set_caps"};
    for (std::size_t failing = 0; failing < kDefaultCompletion.size(); ++failing) {
        SCOPED_TRACE(failures[failing]);
        LibraryHarness h;
        h.Init();
        h.ReachSigningOn();
        h.callbacks.signonDoneResult = 0;
        const std::string failingSend = kDefaultCompletion[failing].substr(5);  // without "send "
        h.transport.failWrite = [&](const std::string& what) { return what == failingSend; };
        h.Take();
        const std::string tail = Data("IM_IN:bob:F:later read");
        h.Feed(Data("SIGN_ON:TOC1.0") + Data("IM_IN:bob:F:same read") + tail.substr(0, 4));

        Log expected{"status 2", "signon-done"};
        expected.insert(expected.end(), kDefaultCompletion.begin(), kDefaultCompletion.begin() + failing);
        expected.push_back(kDefaultCompletion[failing] + " (failed)");
        expected.push_back(std::string("box ") + failures[failing]);
        EXPECT_EQ(h.Take(), expected);
        EXPECT_EQ(h.Status(), STATUS_ONLINE);

        // The partial frame at the end of that read was kept.
        h.Feed(tail.substr(4));
        EXPECT_EQ(h.Take(), Log{"message IM_IN|bob:F:later read"});
    }
}

}  // namespace
