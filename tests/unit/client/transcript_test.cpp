// The transcript's pure pieces: the time prefix, markup stripping, the line
// forms and the log writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "scoped_time_zone.h"
#include "temp_dir.h"
#include "transcript.h"

namespace {

// One IM line on its own.
std::string ComposeImLine(std::string_view prefix, std::string_view screenName, std::string_view strippedText,
                          bool incoming)
{
    std::string line;
    AppendImLine(line, prefix, screenName, strippedText, incoming);
    return line;
}

// ---------------------------------------------------------------- TimestampPrefix

TEST(TimestampPrefixTest, IsUtcWithTwoDigitFieldsWhateverTheLocalZone)
{
    ScopedTimeZone zone("Asia/Kolkata");  // UTC+05:30: local time would differ in hour and minute
    struct Case {
        std::time_t now;
        const char* expected;
    };
    const Case cases[] = {
        {UtcTime(7, 4, 9), "[07:04:09] "},
        {UtcTime(0, 0, 5), "[00:00:05] "},
        {UtcTime(23, 59, 59), "[23:59:59] "},
        {UtcTime(10, 10, 10), "[10:10:10] "},
        {UtcTime(18, 45, 0), "[18:45:00] "},  // 00:15 the next day in Kolkata
        {0, "[00:00:00] "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimestampPrefix(true, c.now), c.expected) << c.now;
}

TEST(TimestampPrefixTest, EmptyWhenOff)
{
    EXPECT_EQ(TimestampPrefix(false, UtcTime(7, 4, 9)), "");
}

// ---------------------------------------------------------------- StripMarkup

struct StripCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const StripCase& c, std::ostream* os) { *os << c.name; }

class StripMarkupTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripMarkupTest, ShowsPlainText)
{
    EXPECT_EQ(StripMarkup(GetParam().text), GetParam().expected);
}

std::string Repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out.append(piece);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripMarkupTest,
    ::testing::Values(
        StripCase{"Empty", "", ""},
        StripCase{"NoMarkup", "hello there", "hello there"},
        StripCase{"PageTagsAndBreak", "<HTML><BODY>hi<BR>there</BODY></HTML>", "hi there"},
        StripCase{"BreakAnyCase", "a<Br>b<bR>c<br>d", "a b c d"},
        StripCase{"BreakLookalikesAreOnlyTags", "a<br/>b<BRR>c<B R>d", "abcd"},
        StripCase{"BlankAfterOpenerIsText", "b< BR>c", "b< BR>c"},
        StripCase{"LoneOpenerIsText", "a <b", "a <b"},
        StripCase{"LessThanThree", "x <3 you", "x <3 you"},
        StripCase{"ComparisonAndQuotes", "5 < 6 & \"quotes\"", "5 < 6 & \"quotes\""},
        StripCase{"TagBeforeALoneOpener", "<b>5</b> < 6", "5 < 6"},
        StripCase{"ComparisonsAroundATag", "a < b <i>c</i> < d", "a < b c < d"},
        StripCase{"TrailingLessThan", "trailing <", "trailing <"},
        StripCase{"GreaterThanAloneIsText", "a > b", "a > b"},
        StripCase{"EmptyPairIsText", "<>x<>", "<>x<>"},
        StripCase{"CommentAndDeclaration", "<!-- c --><?x?>y", "y"},
        StripCase{"OpenerBeforeATag", "<<b>>x", "<>x"},
        StripCase{"LessThanInsideFormatting", "<font color=\"red\">x <3 you</font>", "x <3 you"},
        StripCase{"TagsInARow", "<b><i><u>x</u></i></b>", "x"},
        StripCase{"LinkShowsOnlyItsText", "<a href=\"file:///etc/passwd\">click</a> <a href=\"javascript:x()\">me</a>",
                  "click me"},
        StripCase{"HighBytesKept", "\xFF\x80<b>\xE9</b>", "\xFF\x80\xE9"},
        StripCase{"FormatLookalikesKept", "%s%n%x", "%s%n%x"},
        StripCase{"TenThousandNestedTags", Repeat("<b>", 10000) + "x" + Repeat("</b>", 10000), "x"},
        StripCase{"TenThousandOpenersNoClose", Repeat("<", 10000) + "x", std::string(8191, '<')},
        StripCase{"CutAt8191", std::string(10000, 'a'), std::string(8191, 'a')},
        StripCase{"BreaksCutAt8191", Repeat("<BR>", 9000), std::string(8191, ' ')},
        StripCase{"TagsDoNotCountTowardsTheCut", Repeat("<i>", 5000) + std::string(8191, 'z') + "tail",
                  std::string(8191, 'z')}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- line forms

TEST(ComposeLineTest, StatusAndPlainForms)
{
    struct Case {
        const char* prefix;
        const char* text;
        bool isStatus;
        const char* expected;
    };
    const Case cases[] = {
        {"[07:04:09] ", "Connected to AIM server.", true, "[07:04:09] STATUS MESSAGE: Connected to AIM server.\r\n"},
        {"", "Connected to AIM server.", true, "STATUS MESSAGE: Connected to AIM server.\r\n"},
        {"[07:04:09] ", "a plain line", false, "a plain line\r\n"},  // plain lines never get a prefix
        {"", "", false, "\r\n"},
        {"", "%s%n", true, "STATUS MESSAGE: %s%n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposePrintLine(c.prefix, c.text, c.isStatus), c.expected) << c.text;
}

TEST(ComposeLineTest, LongLinesAreCutKeepingTheirLineEnd)
{
    // 4,095 characters is the room for a whole line, CR LF included.
    struct Case {
        std::size_t textLength;
        bool isStatus;
        std::size_t keptText;
    };
    const std::string status = "[07:04:09] STATUS MESSAGE: ";  // 27 characters before the text
    const Case cases[] = {
        {4093, false, 4093},
        {4094, false, 4093},
        {100000, false, 4093},
        {4093 - 27, true, 4093 - 27},
        {4093 - 26, true, 4093 - 27},
        {5000, true, 4093 - 27},
    };
    for (const Case& c : cases) {
        const std::string line = ComposePrintLine("[07:04:09] ", std::string(c.textLength, 'x'), c.isStatus);
        const std::string head = c.isStatus ? status : "";
        EXPECT_EQ(line, head + std::string(c.keptText, 'x') + "\r\n") << c.textLength;
        EXPECT_LE(line.size(), kMaxComposedLine);
    }
}

TEST(ComposeLineTest, MessageForms)
{
    EXPECT_EQ(ComposeImLine("[09:05:33] ", "somebody", "hello", true), "[09:05:33] <-somebody:  hello\r\n");
    EXPECT_EQ(ComposeImLine("[09:05:33] ", "somebody", "hello", false), "[09:05:33] somebody->:  hello\r\n");
    EXPECT_EQ(ComposeImLine("", "bob", "hi there", true), "<-bob:  hi there\r\n");
    EXPECT_EQ(ComposeImLine("", "bob", "", false), "bob->:  \r\n");
}

TEST(ComposeLineTest, OverlongMessageLinePartsAreCut)
{
    const std::string line = ComposeImLine("[09:05:33] ", std::string(5000, 'n'), std::string(9000, 'm'), true);
    // The head (prefix, arrow, name, colon and two blanks) keeps its ending;
    // the text keeps at most 8,191 characters; the line ends in CR LF.
    const std::size_t colon = line.find(":  ");
    ASSERT_NE(colon, std::string::npos);
    EXPECT_LE(colon + 3, 4095u);
    EXPECT_EQ(line.compare(0, 13, "[09:05:33] <-"), 0);
    EXPECT_EQ(line.substr(colon + 3), std::string(8191, 'm') + "\r\n");
}

// ---------------------------------------------------------------- OutputBuffer

TEST(OutputBufferTest, SeedOnlyWhenAbsent)
{
    OutputBuffer buffer;
    EXPECT_FALSE(buffer.Exists());
    buffer.StartIfAbsent(kImTranscriptStart);
    buffer.Append("one\r\n");
    buffer.StartIfAbsent("");
    buffer.StartIfAbsent(kImTranscriptStart);
    EXPECT_EQ(buffer.Text(), "<HTML><BODY>one\r\n");
    const std::string& old = buffer.Text();
    buffer.EmptyKeepingOldText();
    buffer.StartIfAbsent(kImTranscriptStart);  // an emptied transcript still exists: no new seed
    EXPECT_TRUE(buffer.Exists());
    EXPECT_EQ(buffer.Text(), "");
    // The retired text stays where it was until it is dropped.
    buffer.Append("two\r\n");
    EXPECT_EQ(old, "<HTML><BODY>one\r\n");
    buffer.DropOldText();
    EXPECT_EQ(old, "");
    EXPECT_EQ(buffer.Text(), "two\r\n");
}

// ---------------------------------------------------------------- LogWriter

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.Ok()); }
    TempDir dir;
};

TEST_F(LogWriterTest, AppendsTheBytesExactly)
{
    const std::string path = dir.Path("log.txt");
    WriteBytes(path, "from an earlier run\r\n");
    LogWriter log;
    const std::string lines[] = {"STATUS MESSAGE: one\r\n", std::string("a\0b\n", 4), "\xFF\x80 high\r\n", ""};
    std::string expected = "from an earlier run\r\n";
    for (const std::string& line : lines) {
        EXPECT_TRUE(log.Write(path, line));
        expected += line;
    }
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(LogWriterTest, NewFileIsPrivate)
{
    const std::string path = dir.Path("log.txt");
    LogWriter log;
    ASSERT_TRUE(log.Write(path, "x\r\n"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(LogWriterTest, KeepsItsFileOpenWhileThePathStaysTheSame)
{
    const std::string path = dir.Path("log.txt");
    LogWriter log;
    ASSERT_TRUE(log.Write(path, "one\r\n"));
    // Moved away while open: later lines still reach the same file.
    ASSERT_EQ(std::rename(path.c_str(), dir.Path("moved.txt").c_str()), 0);
    ASSERT_TRUE(log.Write(path, "two\r\n"));
    EXPECT_EQ(ReadBytes(dir.Path("moved.txt")), "one\r\ntwo\r\n");
    EXPECT_EQ(access(path.c_str(), F_OK), -1);
}

TEST_F(LogWriterTest, ANewPathOpensTheNewFile)
{
    LogWriter log;
    ASSERT_TRUE(log.Write(dir.Path("a.txt"), "one\r\n"));
    ASSERT_TRUE(log.Write(dir.Path("b.txt"), "two\r\n"));
    ASSERT_TRUE(log.Write(dir.Path("a.txt"), "three\r\n"));
    EXPECT_EQ(ReadBytes(dir.Path("a.txt")), "one\r\nthree\r\n");
    EXPECT_EQ(ReadBytes(dir.Path("b.txt")), "two\r\n");
}

TEST_F(LogWriterTest, UnusablePathsFail)
{
    ASSERT_EQ(mkdir(dir.Path("folder").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(dir.Path("fifo").c_str(), 0600), 0);
    const std::string paths[] = {dir.Path("missing/log.txt"), dir.Path("folder"), dir.Path("fifo"), ""};
    for (const std::string& path : paths) {
        LogWriter log;
        EXPECT_FALSE(log.Write(path, "x\r\n")) << path;  // a FIFO with no reader must not block
    }
    EXPECT_EQ(access(dir.Path("missing").c_str(), F_OK), -1);
}

TEST_F(LogWriterTest, AfterAFailureAGoodPathWorks)
{
    LogWriter log;
    EXPECT_FALSE(log.Write(dir.Path("missing/log.txt"), "x\r\n"));
    EXPECT_TRUE(log.Write(dir.Path("log.txt"), "y\r\n"));
    EXPECT_EQ(ReadBytes(dir.Path("log.txt")), "y\r\n");
}

}  // namespace
