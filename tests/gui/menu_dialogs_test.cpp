// The File menu's "&Config", "&BLEED" and "S&ounds..." entries each run their dialog
// modally over the main window.
#include <functional>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QAbstractButton>
#include <QTimer>

#include "main_window_harness.h"
#include "user_info.h"

namespace {

class MenuDialogTest : public StartedWindowTest, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    QAction* MenuAction(const QString& text) const
    {
        for (QMenu* menu : window.findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                if (action->text() == text)
                    return action;
            }
        }
        return nullptr;
    }
};

// Runs `open`, which shows a modal dialog and returns once it is closed;
// `look` sees the dialog (when one came within 3 s), which is then rejected.
void WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& look)
{
    int tries = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++tries < 300)
            return;
        probe.stop();
        if (dialog == nullptr)
            return;
        look(*dialog);
        dialog->reject();
    });
    probe.start();
    open();
    probe.stop();
}

TEST_P(MenuDialogTest, OpensAModalDialog)
{
    const auto [entry, title] = GetParam();
    QAction* action = MenuAction(entry);
    ASSERT_NE(action, nullptr);

    QString seenTitle;
    bool seenModal = false;
    QWidget* seenParent = nullptr;
    WithModalDialog([action] { action->trigger(); }, [&](QDialog& dialog) {
        seenTitle = dialog.windowTitle();
        seenModal = dialog.isModal();
        seenParent = dialog.parentWidget();
    });

    EXPECT_EQ(seenTitle, title);
    EXPECT_TRUE(seenModal);
    EXPECT_EQ(seenParent, &window);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window.IsShutDown());
}

INSTANTIATE_TEST_SUITE_P(Entries, MenuDialogTest,
                         ::testing::Values(std::make_pair("&Config", "User Configuration"),
                                           std::make_pair("&BLEED", "Buddy List Entry Editor"),
                                           std::make_pair("S&ounds...", "Sounds")),
                         [](const auto& info) { return std::string(info.param.second).substr(0, 4); });

// A wrong password: the window's box names the reason and its button opens
// the configuration dialog, after the library's report has returned.
TEST_F(StartedWindowTest, WrongPasswordOffersTheConfiguration)
{
    struct OpenConfig final : BoxPresenter {
        void Present(QMessageBox& box) override
        {
            texts.push_back(box.text().toStdString());
            for (QAbstractButton* button : box.buttons()) {
                if (button->text() == "Open &Config")
                    button->click();
            }
        }
        std::vector<std::string> texts;
    } boxes;
    window.UseBoxPresenter(boxes);
    server.SetPassword("alicetest", "other");
    QString dialogTitle;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialogTitle = dialog->windowTitle();
            dialog->reject();
        }
    });
    probe.start();

    Button("connect")->click();
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !dialogTitle.isEmpty(); }));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Incorrect nickname or password."});
    // The pane shows new lines at its next frame.
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return PaneHasLine("STATUS MESSAGE: Incorrect nickname or password."); }));
}

// A first start has no login: Connect (or Escape) says what is missing and
// opens the configuration dialog, whose profile box says what it takes.
TEST_F(StartedWindowTest, ConnectWithoutALoginOpensTheConfigDialog)
{
    struct Case {
        const char* screenName;
        const char* password;
        bool byEscape;
        const char* line;
    };
    const Case cases[] = {
        {"", "", false, "Set a login name before attempting to connect."},
        {"", "secret", true, "Set a login name before attempting to connect."},
        {"Alice Test", "", false, "Set a password before attempting to connect."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SetFieldText(ctx.settings.userInfo.screenName, c.screenName);
        SetFieldText(ctx.settings.userInfo.password, c.password);
        QString seenTitle;
        bool explained = false;
        WithModalDialog(
            [&] {
                if (c.byEscape)
                    QTest::keyClick(&window, Qt::Key_Escape);
                else
                    Button("connect")->click();
            },
            [&](QDialog& dialog) {
                seenTitle = dialog.windowTitle();
                for (QLabel* label : dialog.findChildren<QLabel*>())
                    explained = explained || (label->text().contains("Info") && label->text().contains("<br>"));
            });
        EXPECT_EQ(seenTitle, "User Configuration");
        EXPECT_TRUE(explained);
        EXPECT_TRUE(OutputPane()->LastLineText().endsWith(c.line))
            << OutputPane()->LastLineText().toStdString();
        EXPECT_EQ(server.ClientCount(), 0);
    }
}

}  // namespace
