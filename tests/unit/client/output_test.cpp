// The output path as the user sees it: transcript, pane, log, auto-clear.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "client_context.h"
#include "output.h"
#include "recording_window.h"
#include "scoped_time_zone.h"
#include "settings_files.h"
#include "temp_dir.h"

namespace {

constexpr const char* kLogFailed = "Failed to open log path for writing. Logging is being disabled.";

std::size_t Count(const std::string& text, std::string_view piece)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

class Output : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Ok());
        SetUserInfoDefaults(ctx.settings.userInfo);  // timestamps on, logging off
        ctx.transcript.clock = [] { return UtcTime(7, 4, 9); };
        ctx.AttachWindow(window);
    }

    void LogTo(const std::string& path)
    {
        ctx.settings.userInfo.logToFile = 1;
        SetFieldText(ctx.settings.userInfo.logPath, path);
    }

    void Im(std::string_view name, std::string_view text, bool incoming)
    {
        StartTranscriptForIm(ctx.Out());
        PrintImLine(ctx.Out(), name, text, incoming);
    }

    ScopedTimeZone zone{"Asia/Kolkata"};
    TempDir dir;
    RecordingWindow window;
    ClientContext ctx;
};

TEST_F(Output, FirstStatusLineStartsTheTranscript)
{
    PrintLine(ctx.Out(), "Connected to AIM server.");
    const std::string line = "[07:04:09] STATUS MESSAGE: Connected to AIM server.\r\n";
    EXPECT_TRUE(ctx.transcript.output.Exists());
    EXPECT_EQ(ctx.transcript.output.Text(), line);  // seed ""
    EXPECT_EQ(window.pane, line);
    EXPECT_TRUE(ctx.transcript.scrollPending);
    EXPECT_EQ(window.pumpRequests, 1);
    EXPECT_EQ(window.lastPumpDelayMs, 0);
}

TEST_F(Output, LineFormsWithAndWithoutTimestamps)
{
    struct Case {
        const char* name;
        int timestamp;
        std::function<void(Output&)> print;
        const char* expected;
    };
    const Case cases[] = {
        {"StatusStamped", 1, [](Output& t) { PrintLine(t.ctx.Out(), "hi", true); }, "[07:04:09] STATUS MESSAGE: hi\r\n"},
        {"StatusPlain", 0, [](Output& t) { PrintLine(t.ctx.Out(), "hi", true); }, "STATUS MESSAGE: hi\r\n"},
        {"PlainNeverStamped", 1, [](Output& t) { PrintLine(t.ctx.Out(), "a link", false); }, "a link\r\n"},
        {"Incoming", 1, [](Output& t) { t.Im("somebody", "hello", true); }, "[07:04:09] <-somebody:  hello\r\n"},
        {"Outgoing", 1, [](Output& t) { t.Im("somebody", "hello", false); }, "[07:04:09] somebody->:  hello\r\n"},
        {"IncomingPlain", 0, [](Output& t) { t.Im("bob", "hi", true); }, "<-bob:  hi\r\n"},
        {"IncomingMarkup", 1,
         [](Output& t) { t.Im("bob", "<HTML><BODY>hi<BR>there</BODY></HTML>", true); },
         "[07:04:09] <-bob:  hi there\r\n"},
        {"UnclosedTagIsText", 1, [](Output& t) { t.Im("bob", "a <b", true); }, "[07:04:09] <-bob:  a <b\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from a transcript that already exists and is empty.
        PrintLine(ctx.Out(), "");
        ClearTranscript(ctx.Out());
        ctx.settings.userInfo.timestamp = c.timestamp;
        c.print(*this);
        EXPECT_EQ(ctx.transcript.output.Text(), c.expected);
        EXPECT_EQ(window.pane, c.expected);
    }
}

TEST_F(Output, MessageFirstSeedsThePageTags)
{
    Im("bob", "<HTML><BODY>hi<BR>there</BODY></HTML>", true);
    const std::string first = "<HTML><BODY>[07:04:09] <-bob:  hi there\r\n";
    EXPECT_EQ(ctx.transcript.output.Text(), first);
    EXPECT_EQ(window.pane, first);
    EXPECT_TRUE(ctx.transcript.scrollPending);

    PrintLine(ctx.Out(), "next");
    EXPECT_EQ(ctx.transcript.output.Text(), first + "[07:04:09] STATUS MESSAGE: next\r\n");
    EXPECT_EQ(window.pane, ctx.transcript.output.Text());
}

TEST_F(Output, PaneFollowsTheTranscriptByAppendingOnlyTheNewLine)
{
    PrintLine(ctx.Out(), "one");
    Im("bob", "two", true);
    PrintLine(ctx.Out(), "three", false);
    Im("bob", "four", false);
    EXPECT_EQ(window.pane, ctx.transcript.output.Text());
    const std::vector<RecordingWindow::PaneCall> expected = {
        {false, "[07:04:09] STATUS MESSAGE: one\r\n"},
        {false, "[07:04:09] <-bob:  two\r\n"},
        {false, "three\r\n"},
        {false, "[07:04:09] bob->:  four\r\n"},
    };
    EXPECT_EQ(window.paneCalls, expected);
    EXPECT_EQ(window.pumpRequests, 4);
}

TEST_F(Output, WithoutAWindowTheTranscriptStillGrows)
{
    ctx.DetachWindow(window);
    PrintLine(ctx.Out(), "one");
    Im("bob", "two", true);
    ClearTranscript(ctx.Out());
    PrintLine(ctx.Out(), "three", false);
    EXPECT_EQ(ctx.transcript.output.Text(), "three\r\n");
    EXPECT_TRUE(ctx.transcript.scrollPending);
    EXPECT_TRUE(window.paneCalls.empty());
}

TEST_F(Output, ClearEmptiesTranscriptAndPane)
{
    ClearTranscript(ctx.Out());  // nothing printed yet: nothing to clear
    EXPECT_FALSE(ctx.transcript.output.Exists());
    EXPECT_TRUE(window.paneCalls.empty());

    PrintLine(ctx.Out(), "one");
    ClearTranscript(ctx.Out());
    EXPECT_TRUE(ctx.transcript.output.Exists());
    EXPECT_EQ(ctx.transcript.output.Text(), "");
    EXPECT_EQ(window.pane, "");
    PrintLine(ctx.Out(), "two", false);
    EXPECT_EQ(window.pane, "two\r\n");
    EXPECT_EQ(ctx.transcript.output.Text(), "two\r\n");
}

TEST_F(Output, RefreshPutsTheWholeText)
{
    ctx.DetachWindow(window);
    PrintLine(ctx.Out(), "whole", false);
    ctx.AttachWindow(window);
    RefreshOutputPane(ctx.Out());
    ASSERT_EQ(window.paneCalls.size(), 1u);
    EXPECT_EQ(window.paneCalls[0], (RecordingWindow::PaneCall{true, "whole\r\n"}));
}

// ---------------------------------------------------------------- auto-clear

struct AutoClearCase {
    const char* name;
    std::int32_t size;
    std::vector<std::size_t> lineLengths;  // each line's length, CR LF included
    std::size_t lengthAfter;               // the transcript's length after the last line
};

void PrintTo(const AutoClearCase& c, std::ostream* os) { *os << c.name; }

class AutoClear : public Output, public ::testing::WithParamInterface<AutoClearCase> {};

TEST_P(AutoClear, TheLineThatReachesTheSizeIsShownAndLoggedThenTheTranscriptEmpties)
{
    const AutoClearCase& c = GetParam();
    const std::string logPath = dir.Path("log.txt");
    LogTo(logPath);
    ctx.transcript.autoClearSize = c.size;
    std::string logged;
    std::string lastLine;
    for (std::size_t i = 0; i < c.lineLengths.size(); ++i) {
        lastLine = std::string(c.lineLengths[i] - 2, static_cast<char>('a' + i % 26)) + "\r\n";
        PrintLine(ctx.Out(), std::string_view(lastLine).substr(0, lastLine.size() - 2), false);
        logged += lastLine;
        // Whatever the transcript does, the pane has just shown the new line.
        EXPECT_EQ(window.pane.substr(window.pane.size() - lastLine.size()), lastLine) << i;
    }
    EXPECT_EQ(ctx.transcript.output.Length(), c.lengthAfter);
    EXPECT_TRUE(ctx.transcript.output.Exists());
    FlushLog(ctx.Out());
    EXPECT_EQ(ReadBytes(logPath), logged);
}

const std::vector<std::size_t> kTenOf100(10, 100);

std::vector<std::size_t> With(std::vector<std::size_t> lines, std::initializer_list<std::size_t> more)
{
    lines.insert(lines.end(), more);
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoClear,
    ::testing::Values(
        AutoClearCase{"ExactlyTheSizeClears", 1000, kTenOf100, 0},
        AutoClearCase{"NextLineStartsAnEmptyTranscript", 1000, With(kTenOf100, {50}), 50},
        AutoClearCase{"OneShortStays", 1000, {100, 100, 100, 100, 100, 100, 100, 100, 100, 99}, 999},
        AutoClearCase{"PassingTheSizeClears", 1000, {100, 100, 100, 100, 100, 100, 100, 100, 100, 99, 5}, 0},
        AutoClearCase{"SizeOne", 1, {2, 7}, 0},
        AutoClearCase{"ZeroIsOff", 0, With(kTenOf100, {100, 100}), 1200},
        AutoClearCase{"NegativeNeverClears", -1, With(kTenOf100, {100, 100}), 1200},
        AutoClearCase{"NegativeLargeNeverClears", -1000, With(kTenOf100, {100}), 1100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Output, AfterAutoClearThePaneKeepsTheOldTextUntilTheNextLine)
{
    ctx.transcript.autoClearSize = 100;
    PrintLine(ctx.Out(), "first", false);
    ASSERT_EQ(window.paneCalls.size(), 1u);
    PrintLine(ctx.Out(), std::string(91, 'x'), false);
    EXPECT_EQ(ctx.transcript.output.Text(), "");
    EXPECT_EQ(window.pane, "first\r\n" + std::string(91, 'x') + "\r\n");
    Im("bob", "hi", true);
    EXPECT_EQ(ctx.transcript.output.Text(), "[07:04:09] <-bob:  hi\r\n");  // no new seed: the transcript exists
    EXPECT_EQ(window.pane, ctx.transcript.output.Text());
}

TEST_F(Output, TheMessageSeedCountsTowardsTheSize)
{
    ctx.transcript.autoClearSize = 30;
    Im("bob", "hi", true);  // 12 bytes of seed + 23 of line
    EXPECT_EQ(ctx.transcript.output.Text(), "");
}

// ---------------------------------------------------------------- log

TEST_F(Output, LogHoldsEveryLineAsShown)
{
    const std::string logPath = dir.Path("log.txt");
    LogTo(logPath);
    PrintLine(ctx.Out(), "one");
    PrintLine(ctx.Out(), "two", false);
    Im("bob", "<b>hi</b>", true);
    Im("bob", "x <3 you", false);
    const std::string expected = "[07:04:09] STATUS MESSAGE: one\r\n"
                                 "two\r\n"
                                 "[07:04:09] <-bob:  hi\r\n"
                                 "[07:04:09] bob->:  x <3 you\r\n";
    FlushLog(ctx.Out());
    EXPECT_EQ(ReadBytes(logPath), expected);
    EXPECT_EQ(ctx.transcript.output.Text(), expected);

    ctx.settings.userInfo.logToFile = 0;
    PrintLine(ctx.Out(), "not logged");
    EXPECT_EQ(ReadBytes(logPath), expected);
}

TEST_F(Output, LogLeavesOutAMessageSeed)
{
    const std::string logPath = dir.Path("log.txt");
    LogTo(logPath);
    Im("bob", "hi", true);
    FlushLog(ctx.Out());
    EXPECT_EQ(ReadBytes(logPath), "[07:04:09] <-bob:  hi\r\n");
}

TEST_F(Output, LogLinesWaitForTheTurnsEndButNotPastAStatusLine)
{
    const std::string logPath = dir.Path("log.txt");
    LogTo(logPath);
    Im("bob", "one", true);
    PrintLine(ctx.Out(), "two", false);
    EXPECT_EQ(ReadBytes(logPath), "");
    PrintLine(ctx.Out(), "three");
    const std::string first = "[07:04:09] <-bob:  one\r\ntwo\r\n[07:04:09] STATUS MESSAGE: three\r\n";
    EXPECT_EQ(ReadBytes(logPath), first);
    Im("bob", "four", false);
    EXPECT_EQ(ReadBytes(logPath), first);
    FlushLog(ctx.Out());  // the end of the turn
    EXPECT_EQ(ReadBytes(logPath), first + "[07:04:09] bob->:  four\r\n");
    // Logging turned off, or a new path: what waits still goes to the old file.
    Im("bob", "five", true);
    ctx.settings.userInfo.logToFile = 0;
    PrintLine(ctx.Out(), "six", false);
    EXPECT_EQ(ReadBytes(logPath), first + "[07:04:09] bob->:  four\r\n[07:04:09] <-bob:  five\r\n");
}

TEST_F(Output, UnusableLogPathTurnsLoggingOffWithOneMessage)
{
    ASSERT_EQ(mkdir(dir.Path("folder").c_str(), 0700), 0);
    for (const std::string& path : {dir.Path("missing/log.txt"), dir.Path("folder")}) {
        SCOPED_TRACE(path);
        PrintLine(ctx.Out(), "");
        ClearTranscript(ctx.Out());
        LogTo(path);
        PrintLine(ctx.Out(), "one");
        Im("bob", "two", true);
        PrintLine(ctx.Out(), "three");
        EXPECT_EQ(ctx.settings.userInfo.logToFile, 0);
        EXPECT_EQ(ctx.transcript.output.Text(), "[07:04:09] STATUS MESSAGE: one\r\n"
                                     "[07:04:09] STATUS MESSAGE: " + std::string(kLogFailed) + "\r\n"
                                     "[07:04:09] <-bob:  two\r\n"
                                     "[07:04:09] STATUS MESSAGE: three\r\n");
        EXPECT_EQ(Count(window.pane, kLogFailed), 1u);
        EXPECT_EQ(window.pane, ctx.transcript.output.Text());
    }
    EXPECT_EQ(access(dir.Path("missing").c_str(), F_OK), -1);
}

// A full disk: said once while it stays full, logging stays on, every line
// is still shown; once the log takes lines again, the next failure is said.
TEST_F(Output, FullDiskIsSaidOnceAndTheLinesStayShown)
{
    const std::string full = "/dev/full";
    if (access(full.c_str(), W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    const std::string said = "[07:04:09] STATUS MESSAGE: Failed to write log file '/dev/full': No space left on "
                             "device. The lines are still shown here.\r\n";
    LogTo(full);
    PrintLine(ctx.Out(), "one");
    Im("bob", "two", true);
    FlushLog(ctx.Out());
    PrintLine(ctx.Out(), "three");
    EXPECT_EQ(ctx.transcript.output.Text(), "[07:04:09] STATUS MESSAGE: one\r\n" + said +
                                                "[07:04:09] <-bob:  two\r\n"
                                                "[07:04:09] STATUS MESSAGE: three\r\n");
    EXPECT_EQ(window.pane, ctx.transcript.output.Text());
    EXPECT_EQ(ctx.settings.userInfo.logToFile, 1);

    const std::string good = dir.Path("log.txt");
    LogTo(good);
    PrintLine(ctx.Out(), "four");
    EXPECT_EQ(ReadBytes(good), "[07:04:09] STATUS MESSAGE: four\r\n");
    LogTo(full);
    PrintLine(ctx.Out(), "five");
    EXPECT_EQ(Count(ctx.transcript.output.Text(), said), 2u);
}

}  // namespace
