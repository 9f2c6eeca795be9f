// "User Configuration" offscreen: filled from the settings, OK stores every
// field into the settings and userinfo.cfg and re-applies them to the
// connection, Cancel changes nothing.
#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest/QTest>

#include <cstring>

#include "main_window_harness.h"
#include "record_bytes.h"
#include "user_config_dialog.h"

namespace {

QPushButton* PushButtonWithText(const QWidget& parent, const QString& text)
{
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

class UserConfigDialogTest : public StartedWindowTest {
protected:
    // Settings that differ from every default, so each field shows where it came from.
    void UseDistinctSettings()
    {
        SetFieldText(ctx.settings.userInfo.oscarServer, "login.example.net");
        ctx.settings.userInfo.oscarPort = 5191;
        SetFieldText(ctx.settings.userInfo.userProfile, "Hello<br>\nsecond line");
        ctx.settings.userInfo.logToFile = 1;
        SetFieldText(ctx.settings.userInfo.logPath, "my_log.txt");
        ctx.settings.userInfo.timestamp = 0;
    }

    static void ClickOk(UserConfigDialog& dialog) { QTest::mouseClick(PushButtonWithText(dialog, "&OK"), Qt::LeftButton); }
    static void ClickCancel(UserConfigDialog& dialog)
    {
        QTest::mouseClick(PushButtonWithText(dialog, "&Cancel"), Qt::LeftButton);
    }

    bool FileExists() const { return QFile::exists(QString::fromStdString(dir.Path("userinfo.cfg"))); }
};

TEST_F(UserConfigDialogTest, ShowsTheControlsItNeeds)
{
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    EXPECT_EQ(dialog.windowTitle(), "User Configuration");
    EXPECT_TRUE(dialog.isModal());
    QPushButton* ok = PushButtonWithText(dialog, "&OK");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_NE(PushButtonWithText(dialog, "&Cancel"), nullptr);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* label :
         {"Screen name:", "Password:", "OSCAR server:", "OSCAR port:", "TOC server:", "TOC port:", "User profile:"})
        EXPECT_TRUE(labels.contains(label)) << label;
    EXPECT_EQ(dialog.LogToFileBox()->text(), "&Log to file:");
    EXPECT_EQ(dialog.TimestampBox()->text(), "&Timestamp");
}

TEST_F(UserConfigDialogTest, TypingStartsInTheScreenNameAndThePasswordIsMasked)
{
    SetFieldText(ctx.settings.userInfo.password, "hunter2");
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_EQ(QApplication::focusWidget(), dialog.ScreenNameEdit());
    // A blank inside the name is typed, not a press of OK.
    QTest::keyClicks(QApplication::focusWidget(), "Bob Peer");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.ScreenNameEdit()->text(), "Bob Peer");

    // Neither the screen nor a screen reader shows the password, unless asked.
    QAccessibleInterface* password = QAccessible::queryAccessibleInterface(dialog.PasswordEdit());
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(password->state().passwordEdit);
    EXPECT_FALSE(password->text(QAccessible::Value).contains("hunter2"));
    dialog.ShowPasswordBox()->click();
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Normal);
    dialog.ShowPasswordBox()->click();
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.PasswordEdit()->text(), "hunter2");

    QAccessibleInterface* logPath = QAccessible::queryAccessibleInterface(dialog.LogPathEdit());
    ASSERT_NE(logPath, nullptr);
    EXPECT_FALSE(logPath->text(QAccessible::Name).isEmpty());
    dialog.reject();
}

TEST_F(UserConfigDialogTest, FieldsAreFilledFromTheSettings)
{
    UseDistinctSettings();
    struct Flags {
        std::int32_t logToFile, timestamp;
        bool logChecked, timestampChecked;
    };
    // Any nonzero flag checks its box.
    for (const Flags flags : {Flags{1, 0, true, false}, Flags{0, 7, false, true}}) {
        SCOPED_TRACE(flags.logToFile);
        ctx.settings.userInfo.logToFile = flags.logToFile;
        ctx.settings.userInfo.timestamp = flags.timestamp;
        UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
        EXPECT_EQ(dialog.ScreenNameEdit()->text(), "Alice Test");
        EXPECT_EQ(dialog.PasswordEdit()->text(), "secret");
        EXPECT_EQ(dialog.OscarServerEdit()->text(), "login.example.net");
        EXPECT_EQ(dialog.OscarPortEdit()->text(), "5191");
        EXPECT_EQ(dialog.TocServerEdit()->text(), "127.0.0.1");
        EXPECT_EQ(dialog.TocPortEdit()->text(), QString::number(server.Port()));
        EXPECT_EQ(dialog.ProfileEdit()->toPlainText(), "Hello<br>\nsecond line");
        EXPECT_EQ(dialog.LogPathEdit()->text(), "my_log.txt");
        EXPECT_EQ(dialog.LogToFileBox()->isChecked(), flags.logChecked);
        EXPECT_EQ(dialog.TimestampBox()->isChecked(), flags.timestampChecked);
    }
}

TEST_F(UserConfigDialogTest, OkStoresEveryFieldAndWritesTheRecordImage)
{
    UseDistinctSettings();
    // The template belongs to the main window; the dialog saves the stored one.
    FormattingBox()->setText("<i>$</i>");

    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    dialog.ScreenNameEdit()->setText("Bob Peer");
    dialog.PasswordEdit()->setText("hunter2");
    dialog.OscarServerEdit()->setText("login.test");
    dialog.OscarPortEdit()->setText("5195");
    dialog.TocServerEdit()->setText("toc.test");
    dialog.TocPortEdit()->setText("9899");
    dialog.ProfileEdit()->setPlainText("line one\nline two");
    dialog.LogPathEdit()->setText("quenlo_test.log");
    dialog.LogToFileBox()->setChecked(false);
    dialog.TimestampBox()->setChecked(true);
    ClickOk(dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    EXPECT_EQ(FieldText(ctx.settings.userInfo.screenName), "Bob Peer");
    EXPECT_EQ(FieldText(ctx.settings.userInfo.password), "hunter2");
    EXPECT_EQ(FieldText(ctx.settings.userInfo.oscarServer), "login.test");
    EXPECT_EQ(ctx.settings.userInfo.oscarPort, 5195);
    EXPECT_EQ(FieldText(ctx.settings.userInfo.tocServer), "toc.test");
    EXPECT_EQ(ctx.settings.userInfo.tocPort, 9899);
    EXPECT_EQ(FieldText(ctx.settings.userInfo.userProfile), "line one\nline two");
    EXPECT_EQ(FieldText(ctx.settings.userInfo.logPath), "quenlo_test.log");
    EXPECT_EQ(ctx.settings.userInfo.logToFile, 0);
    EXPECT_EQ(ctx.settings.userInfo.timestamp, 1);

    const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
    ASSERT_EQ(image.size(), 3472u);
    EXPECT_EQ(TextAt(image, 0, 64), "Bob Peer");
    EXPECT_EQ(TextAt(image, 64, 64), "hunter2");
    EXPECT_EQ(TextAt(image, 128, 1024), "$");
    EXPECT_EQ(TextAt(image, 1152, 128), "login.test");
    EXPECT_EQ(IntAt(image, 1280), 5195);
    EXPECT_EQ(TextAt(image, 1284, 128), "toc.test");
    EXPECT_EQ(IntAt(image, 1412), 9899);
    EXPECT_EQ(TextAt(image, 1416, 1024), "line one\nline two");
    EXPECT_EQ(IntAt(image, 2440), 0);
    EXPECT_EQ(TextAt(image, 2444, 1024), "quenlo_test.log");
    EXPECT_EQ(IntAt(image, 3468), 1);
    // The Formatting box still shows what the user typed.
    EXPECT_EQ(FormattingBox()->text(), "<i>$</i>");
}

TEST_F(UserConfigDialogTest, PortTextsAreReadAsLeadingDecimals)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"5190x", 5190}, {"abc", 0}, {"", 0}, {"  42", 42}, {"-7", -7}, {"+12", 12}, {"9898 1", 9898}, {"x9898", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
        dialog.show();
        dialog.TocPortEdit()->setText(c.text);
        dialog.OscarPortEdit()->setText(c.text);
        ClickOk(dialog);
        EXPECT_EQ(ctx.settings.userInfo.tocPort, c.value);
        EXPECT_EQ(ctx.settings.userInfo.oscarPort, c.value);
        const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
        EXPECT_EQ(IntAt(image, 1412), c.value);
        EXPECT_EQ(IntAt(image, 1280), c.value);
    }
}

TEST_F(UserConfigDialogTest, LongTextsAreCutToTheirFields)
{
    const std::string longText(1500, 'x');
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    dialog.ScreenNameEdit()->setText(QString::fromStdString(longText));
    dialog.OscarServerEdit()->setText(QString::fromStdString(longText));
    dialog.ProfileEdit()->setPlainText(QString::fromStdString(longText));
    dialog.LogPathEdit()->setText(QString::fromStdString(longText));
    ClickOk(dialog);

    const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
    ASSERT_EQ(image.size(), 3472u);
    const struct {
        const char* field;
        std::size_t offset, width;
    } fields[] = {{"screen name", 0, 64}, {"OSCAR server", 1152, 128}, {"profile", 1416, 1024}, {"log path", 2444, 1024}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.field);
        EXPECT_EQ(TextAt(image, f.offset, f.width), longText.substr(0, f.width - 1));
        EXPECT_EQ(image[f.offset + f.width - 1], '\0');
    }
    // The neighbours of the cut fields keep their values.
    EXPECT_EQ(TextAt(image, 64, 64), "secret");
    EXPECT_EQ(IntAt(image, 1280), 5190);
    EXPECT_EQ(IntAt(image, 2440), 0);
}

// The three ways out without OK.
enum class Dismiss { CancelButton, EscapeKey, CloseBox };

class UserConfigCancelTest : public UserConfigDialogTest, public ::testing::WithParamInterface<Dismiss> {};

TEST_P(UserConfigCancelTest, LeavesTheSettingsAndTheFileAsTheyWere)
{
    // A saved file that differs from the record in memory (a marker at the
    // end), so a rewrite from the unchanged record would still show.
    std::string image(reinterpret_cast<const char*>(&ctx.settings.userInfo), sizeof ctx.settings.userInfo);
    image.replace(image.size() - 4, 4, "MARK");
    WriteBytes(dir.Path("userinfo.cfg"), image);
    const std::string fileBefore = ReadBytes(dir.Path("userinfo.cfg"));
    ASSERT_EQ(fileBefore.size(), 3472u);
    const UserInfo before = ctx.settings.userInfo;

    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    dialog.ScreenNameEdit()->setText("Somebody Else");
    dialog.PasswordEdit()->setText("changed");
    dialog.TocPortEdit()->setText("1234");
    dialog.ProfileEdit()->setPlainText("new profile");
    dialog.TimestampBox()->setChecked(!dialog.TimestampBox()->isChecked());
    switch (GetParam()) {
    case Dismiss::CancelButton: ClickCancel(dialog); break;
    case Dismiss::EscapeKey: QTest::keyClick(dialog.ScreenNameEdit(), Qt::Key_Escape); break;
    case Dismiss::CloseBox: dialog.close(); break;
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    EXPECT_EQ(std::memcmp(&ctx.settings.userInfo, &before, sizeof before), 0);
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")), fileBefore);
    EXPECT_FALSE(HappensWithin([&] { return server.ClientCount() > 0; }, 150));
}

INSTANTIATE_TEST_SUITE_P(Ways, UserConfigCancelTest,
                         ::testing::Values(Dismiss::CancelButton, Dismiss::EscapeKey, Dismiss::CloseBox),
                         [](const auto& info) {
                             switch (info.param) {
                             case Dismiss::CancelButton: return "CancelButton";
                             case Dismiss::EscapeKey: return "EscapeKey";
                             case Dismiss::CloseBox: return "CloseBox";
                             }
                             return "Unknown";
                         });

TEST_F(UserConfigDialogTest, OkWhileSignedOnReconnectsWithTheNewSettings)
{
    ASSERT_TRUE(SignOn());
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    dialog.ScreenNameEdit()->setText("Carol Test");
    ClickOk(dialog);

    EXPECT_TRUE(WaitForPaneLine("STATUS MESSAGE: Reconnecting for updated userinfo.")) << PaneText();
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] {
        return server.ClientCount() == 2 && server.Client(1).signedOn && ctx.session.connectionStatus == STATUS_ONLINE;
    }));
    EXPECT_FALSE(server.Client(0).connected);
    // The second sign-on uses the screen name just entered.
    EXPECT_EQ(server.Client(1).screenName, "caroltest");
    EXPECT_EQ(TextAt(ReadBytes(dir.Path("userinfo.cfg")), 0, 64), "Carol Test");
}

TEST_F(UserConfigDialogTest, OkWhileOfflineSavesButStartsNoConnection)
{
    ASSERT_FALSE(FileExists());
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    dialog.show();
    ClickOk(dialog);

    // Nothing changed, yet the record is written.
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")).size(), 3472u);
    EXPECT_FALSE(HappensWithin([&] { return server.ClientCount() > 0; }, 300));
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
    EXPECT_FALSE(PaneHasLine("STATUS MESSAGE: Reconnecting for updated userinfo."));

    // The re-initialised library still connects when asked.
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(server.ClientCount(), 1);
}

}  // namespace
