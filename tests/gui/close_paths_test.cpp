// The three ways to close the main window: each signs off, runs the shutdown
// once, and writes userinfo.cfg (with the Formatting box's text) and
// blist.cfg into the profile folder.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>

#include <cerrno>
#include <cstdio>

#include "box_presenter.h"
#include "stderr_capture.h"

#include "main_window_harness.h"
#include "record_bytes.h"

namespace {

// Reads each box the window would run, and answers it.
struct BoxRecorder final : BoxPresenter {
    void Present(QMessageBox& box) override
    {
        texts.push_back(box.text().toStdString());
        box.accept();
    }
    std::vector<std::string> texts;
};

enum class ClosePath { TitleBarClose, ExitButton, FileExit };

class ClosePathTest : public MainWindowHarness, public ::testing::WithParamInterface<ClosePath> {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        if (HasFatalFailure())
            return;
        WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
        Start();
        ASSERT_TRUE(ctx.session.api.Bound());
        ASSERT_NE(ExitButton(), nullptr);
        ASSERT_NE(FileExitAction(), nullptr);
    }

    QPushButton* ExitButton() const
    {
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            if (button->text() == "E&xit")
                return button;
        }
        return nullptr;
    }

    QAction* FileExitAction() const
    {
        for (QMenu* menu : window.findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                if (action->text() == "E&xit")
                    return action;
            }
        }
        return nullptr;
    }

    void CloseBy(ClosePath path)
    {
        switch (path) {
        case ClosePath::TitleBarClose: window.close(); break;
        case ClosePath::ExitButton: QTest::mouseClick(ExitButton(), Qt::LeftButton); break;
        case ClosePath::FileExit: FileExitAction()->trigger(); break;
        }
    }

    bool Exists(const char* name) const { return QFile::exists(QString::fromStdString(dir.Path(name))); }
};

TEST_P(ClosePathTest, SignsOffAndSavesBothFilesOnce)
{
    ASSERT_TRUE(SignOn());
    FormattingBox()->setText("<b>$</b>");

    CloseBy(GetParam());

    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !server.Client(0).connected; }));

    const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
    ASSERT_EQ(image.size(), 3472u);
    EXPECT_EQ(TextAt(image, 0, 64), "Alice Test");
    EXPECT_EQ(TextAt(image, 64, 64), "secret");
    EXPECT_EQ(TextAt(image, 128, 1024), "<b>$</b>");
    EXPECT_EQ(TextAt(image, 1284, 128), "127.0.0.1");
    EXPECT_EQ(IntAt(image, 1412), server.Port());
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "Bob Smith\ncarl\n");

    // Later close requests find the client already shut down: nothing is saved again.
    ASSERT_EQ(std::remove(dir.Path("userinfo.cfg").c_str()), 0);
    ASSERT_EQ(std::remove(dir.Path("blist.cfg").c_str()), 0);
    for (ClosePath again : {ClosePath::TitleBarClose, ClosePath::ExitButton, ClosePath::FileExit})
        CloseBy(again);
    window.Shutdown();
    EXPECT_FALSE(HappensWithin(
        [&] { return server.ClientCount() > 1 || Exists("userinfo.cfg") || Exists("blist.cfg"); }, 150));
    EXPECT_FALSE(Exists("userinfo.cfg"));
    EXPECT_FALSE(Exists("blist.cfg"));
    EXPECT_EQ(server.ClientCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Paths, ClosePathTest,
                         ::testing::Values(ClosePath::TitleBarClose, ClosePath::ExitButton, ClosePath::FileExit),
                         [](const auto& info) {
                             switch (info.param) {
                             case ClosePath::TitleBarClose: return "TitleBarClose";
                             case ClosePath::ExitButton: return "ExitButton";
                             case ClosePath::FileExit: return "FileExit";
                             }
                             return "Unknown";
                         });

// A save that fails at exit is told where the user can see it: one box
// listing each file and why (the closing window's transcript is gone), and
// standard error. A termination signal has nobody to answer a box.
class SaveFailureBoxTest : public ClosePathTest {
protected:
    void SetUp() override
    {
        ClosePathTest::SetUp();
        window.UseBoxPresenter(boxes);
    }
    BoxRecorder boxes;
};

TEST_P(SaveFailureBoxTest, UserCloseShowsOneBoxListingTheFailure)
{
    WriteBytes(dir.Path("userinfo.cfg"), "old");
    StderrCapture err;
    files.FailNextWrite(ENOSPC);
    CloseBy(GetParam());
    EXPECT_TRUE(window.IsShutDown());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "These settings could not be saved:\n\nuserinfo.cfg: No space left on device.");
    EXPECT_EQ(err.Text(), "quenlo: Could not save userinfo.cfg: No space left on device.\n");
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")), "old");
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "Bob Smith\ncarl\n");
}

INSTANTIATE_TEST_SUITE_P(Paths, SaveFailureBoxTest,
                         ::testing::Values(ClosePath::TitleBarClose, ClosePath::ExitButton, ClosePath::FileExit));

class SignalCloseTest : public MainWindowHarness {};

TEST_F(SignalCloseTest, SignalCloseReportsOnStandardErrorOnly)
{
    Start();
    BoxRecorder boxes;
    window.UseBoxPresenter(boxes);
    StderrCapture err;
    files.FailNextWrite(EIO);
    window.CloseForSignal();
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(err.Text(), "quenlo: Could not save userinfo.cfg: Input/output error.\n");
}

// A signal that comes while the user's close shows its box (the box's own
// loop is running) still ends the program.
TEST_F(SignalCloseTest, SignalWhileTheBoxIsOpenClosesIt)
{
    Start();
    struct SignalDuringBox final : BoxPresenter {
        void Present(QMessageBox& box) override
        {
            QTimer::singleShot(0, &box, [this] { window->CloseForSignal(); });
            // Should the signal not close it, the test fails instead of hanging.
            QTimer::singleShot(5000, &box, [&box, this] { stuck = true; box.accept(); });
            box.exec();
        }
        MainDialog* window = nullptr;
        bool stuck = false;
    } boxes;
    boxes.window = &window;
    window.UseBoxPresenter(boxes);
    StderrCapture err;
    files.FailNextWrite(EIO);
    window.close();
    EXPECT_FALSE(boxes.stuck);
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.isVisible());
}

class FormattingSaveTest : public MainWindowHarness {};

TEST_F(FormattingSaveTest, TextIsSavedCutToItsRoom)
{
    Start();
    const std::string longTemplate = std::string(1500, 'f') + "$";
    FormattingBox()->setText(QString::fromStdString(longTemplate));
    window.close();

    const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
    ASSERT_EQ(image.size(), 3472u);
    // 1,023 characters and the terminator fill the 1,024-byte field.
    EXPECT_EQ(TextAt(image, 128, 1024), longTemplate.substr(0, 1023));
    EXPECT_EQ(image[128 + 1023], '\0');
    // The field next to it is untouched: the default login port.
    EXPECT_EQ(IntAt(image, 1280), 5190);
}

}  // namespace
