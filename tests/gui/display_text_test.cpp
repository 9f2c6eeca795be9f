// 8-bit text at the widget edge: valid UTF-8 shows as UTF-8, anything else as
// Windows-1252, and a field filled from stored bytes gives the same bytes back
// unless the user edited it.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest/QTest>

#include "buddy_editor_dialog.h"
#include "display_text.h"
#include "main_window_harness.h"
#include "settings_files.h"
#include "user_config_dialog.h"

namespace {

TEST(DisplayTextTest, DecodesUtf8OrElseWindows1252)
{
    const struct {
        std::string bytes;
        QString shown;
    } cases[] = {
        {"plain", QStringLiteral("plain")},
        {"caf\xc3\xa9", QStringLiteral("caf\u00e9")},                     // UTF-8
        {"caf\xe9 na\xefve", QStringLiteral("caf\u00e9 na\u00efve")},     // Latin-1
        {"\x93quoted\x94 \x80" "5", QStringLiteral("\u201cquoted\u201d \u20ac5")},  // Windows-1252
        {"\x81\x8d\x8f\x90\x9d", QStringLiteral("\u0081\u008d\u008f\u0090\u009d")},  // unassigned: kept
        {"\xc0\xaf", QStringLiteral("\u00c0\u00af")},                     // overlong slash
        {"\xed\xa0\x80", QStringLiteral("\u00ed\u00a0\u20ac")},           // a UTF-16 surrogate
        {"\xf4\x90\x80\x80", QStringLiteral("\u00f4\u0090\u20ac\u20ac")}, // past U+10FFFF
        {"cut \xe2\x82", QStringLiteral("cut \u00e2\u201a")},             // sequence cut short
        {"\xf0\x9f\x98\x80", QString::fromUtf8("\xf0\x9f\x98\x80")},      // four bytes, valid
        {"\xff\xfe", QStringLiteral("\u00ff\u00fe")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayText(c.bytes), c.shown) << c.bytes;
}

TEST(DisplayTextTest, FieldsGiveBackTheirBytesUntilEdited)
{
    const std::string stored[] = {"<b>\xff$</b>", "caf\xe9", "\x93$\x94", "caf\xc3\xa9", "plain $"};
    for (const std::string& bytes : stored) {
        QLineEdit line;
        SetFieldBytes(&line, bytes);
        EXPECT_EQ(FieldBytes(&line), bytes);
        QPlainTextEdit box;
        SetFieldBytes(&box, bytes + "\nsecond\xa0line");
        EXPECT_EQ(FieldBytes(&box), bytes + "\nsecond\xa0line");
        // An edit turns the field into what the user sees, sent as UTF-8.
        line.setText(line.text() + QStringLiteral("\u00e9"));
        EXPECT_EQ(FieldBytes(&line), TypedBytes(DisplayText(bytes)) + "\xc3\xa9");
    }
}

class EightBitWindowTest : public StartedWindowTest {};

TEST_F(EightBitWindowTest, FormattingBytesSurviveTheWindowAndTheSave)
{
    window.SetFormattingText("<font face=\"\xff\">$\xe9</font>");
    EXPECT_EQ(FormattingBox()->text(), QStringLiteral("<font face=\"\u00ff\">$\u00e9</font>"));
    window.Shutdown();
    started_ = false;
    UserInfo saved{};
    LoadUserInfo(saved, dir.Path(kUserInfoFile));
    EXPECT_EQ(FieldText(saved.formatting), "<font face=\"\xff\">$\xe9</font>");
}

TEST_F(EightBitWindowTest, Latin1MessageShowsItsAccentedLetters)
{
    server.SetRelay(false);
    ASSERT_TRUE(SignOn());
    server.SendData(0, "IM_IN:Bob:F:caf\xe9 cr\xe8me br\xfbl\xe9""e \x80");
    ASSERT_TRUE(WaitForPaneLine("<-Bob:  caf\u00e9 cr\u00e8me br\u00fbl\u00e9e \u20ac"));
    // The transcript keeps the bytes as they came.
    EXPECT_NE(ctx.transcript.output.Text().find("caf\xe9 cr\xe8me"), std::string::npos);
}

TEST_F(EightBitWindowTest, ConfigDialogKeepsUneditedBytes)
{
    SetFieldText(ctx.settings.userInfo.userProfile, "Ich hei\xdf" "e \x84" "Bob\x93");
    SetFieldText(ctx.settings.userInfo.logPath, "log\xe9.txt");
    UserConfigDialog dialog(ctx.Out(), ctx.session, ctx.settings, &window);
    EXPECT_EQ(dialog.ProfileEdit()->toPlainText(), QStringLiteral("Ich hei\u00dfe \u201eBob\u201c"));
    dialog.accept();
    EXPECT_EQ(FieldText(ctx.settings.userInfo.userProfile), "Ich hei\xdf" "e \x84" "Bob\x93");
    EXPECT_EQ(FieldText(ctx.settings.userInfo.logPath), "log\xe9.txt");
}

TEST_F(EightBitWindowTest, BuddyEditorRemovesANameStoredAsLatin1)
{
    ctx.settings.buddyList = "Ren\xe9\nbob\n";
    BuddyEditorDialog dialog(ctx, &window);
    const QList<QListWidgetItem*> found = dialog.BuddyList()->findItems(QStringLiteral("Ren\u00e9"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    dialog.BuddyList()->setCurrentItem(found.front());
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    dialog.accept();
    EXPECT_EQ(ctx.settings.buddyList, "bob\n");
    EXPECT_EQ(dialog.BuddyList()->count(), 1);
}

}  // namespace
