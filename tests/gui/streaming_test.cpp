// Lines and presence changes that stream in faster than the window draws:
// the window catches up once a frame, and what it finally shows, logs and
// lists is exactly what came, in order.
#include <algorithm>
#include <random>

#include "main_window_harness.h"
#include "name_order.h"
#include "temp_dir.h"

namespace {

class StreamingTest : public MainWindowHarness {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        Start();
        ctx.settings.userInfo.timestamp = 0;
        ctx.settings.userInfo.logToFile = 1;
        SetFieldText(ctx.settings.userInfo.logPath, "stream_log.txt");
        ASSERT_TRUE(SignOn());
    }

    static std::string Message(int i) { return "message " + std::to_string(i); }
    // The pane shows the transcript, its CR LF line ends as plain breaks.
    std::string TranscriptAsShown() const
    {
        std::string shown = ctx.transcript.output.Text();
        shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
        return shown;
    }
};

TEST_F(StreamingTest, TheLastLineOfABurstIsShownAndLogged)
{
    const std::size_t logStart = ReadBytes(dir.Path("stream_log.txt")).size();
    constexpr int kCount = 3000;
    std::string expected;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(server.SendData(0, "IM_IN:bob:F:<b>" + Message(i) + "</b>"));
        expected += "<-bob:  " + Message(i) + "\r\n";
    }
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] {
        return OutputPane()->LastLineText().toStdString() == "<-bob:  " + Message(kCount - 1);
    }));
    EXPECT_EQ(PaneText(), TranscriptAsShown());
    EXPECT_EQ(ReadBytes(dir.Path("stream_log.txt")).substr(logStart), expected);
}

TEST_F(StreamingTest, PaneAndTranscriptAgreeAfterAutoClear)
{
    ctx.transcript.autoClearSize = 2000;
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(server.SendData(0, "IM_IN:bob:F:" + Message(i)));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return PaneHasLine("<-bob:  " + Message(499)); }));
    // The line that brought the transcript to its size may still be all the
    // pane shows of it; the next line starts what both hold.
    EXPECT_LT(ctx.transcript.output.Length(), 2000u);
    ASSERT_TRUE(server.SendData(0, "IM_IN:bob:F:one more"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return PaneHasLine("<-bob:  one more"); }));
    EXPECT_EQ(PaneText(), TranscriptAsShown());
    ASSERT_NE(ctx.modules.services.GetOutputText(), nullptr);
    EXPECT_EQ(std::string(ctx.modules.services.GetOutputText()), ctx.transcript.output.Text());

    InputLine()->setText("/clear");
    QTest::keyClick(InputLine(), Qt::Key_Return);
    EXPECT_EQ(PaneText(), "");
    EXPECT_EQ(ctx.transcript.output.Text(), "");
}

TEST_F(StreamingTest, AFloodLeavesTheListCorrectAndTheSelectionOnItsNames)
{
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:Kept Name:T:0:0:0: O"));
    ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:leaving:T:0:0:0: O"));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return OnlineRowCount() == 2; }));
    ASSERT_TRUE(ClickOnlineRow("Kept Name"));

    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("Flood " + std::to_string(i));
    std::shuffle(names.begin(), names.end(), std::mt19937(7));
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:" + names[i] + ":T:0:0:0: O"));
        if (i == names.size() / 2) {
            ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:leaving:F:0:0:0: O"));
        }
    }
    // Every tenth name leaves again.
    for (std::size_t i = 0; i < names.size(); i += 10)
        ASSERT_TRUE(server.SendData(0, "UPDATE_BUDDY:" + names[i] + ":F:0:0:0: O"));
    std::vector<std::string> expected = {"Kept Name"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i % 10 != 0)
            expected.push_back(names[i]);
    }
    std::sort(expected.begin(), expected.end(), NameSortsBefore);
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
        [&] { return OnlineRowCount() == static_cast<int>(expected.size()) && OnlineListTexts() == expected; }));
    EXPECT_EQ(SelectedOnlineTexts(), std::vector<std::string>{"Kept Name"});
    EXPECT_EQ(window.SelectedOnlineRows(), std::vector<int>{ctx.online.RowOf("keptname")});
}

}  // namespace
