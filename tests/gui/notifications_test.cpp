// Desktop notifications for messages the user is not looking at: when one
// is shown, how messages from one sender are joined, and what a click does.
#include <QApplication>
#include <QtTest/QTest>

#include <QLocalSocket>
#include <algorithm>

#include "app_icon.h"
#include "conversation_window.h"
#include "transcript_pane.h"
#include "instance_channel.h"
#include "main_window_harness.h"
#include "message_notifier.h"

namespace {

struct Shown {
    quint32 replacesId;
    QString summary;
    QString body;
};

// Answers at once, or (deferred) only when told, as the bus answers later.
class RecordingSink final : public NotificationSink {
public:
    void Show(quint32 replacesId, const QString& summary, const QString& body,
              std::function<void(quint32 id)> shown) override
    {
        shownList.push_back({replacesId, summary, body});
        const quint32 id = replacesId != 0 ? replacesId : ++lastId;
        if (deferred)
            waiting.push_back([shown, id] { shown(id); });
        else
            shown(id);
    }
    void Close(quint32 id) override { closedIds.push_back(id); }
    void AnswerAll()
    {
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            const std::function<void()> answer = waiting[i];  // it may ask again
            answer();
        }
        waiting.clear();
    }
    std::vector<Shown> shownList;
    std::vector<quint32> closedIds;
    std::vector<std::function<void()>> waiting;
    bool deferred = false;
    quint32 lastId = 100;
};

TEST(MessageNotifierTest, JoinsOneSendersMessagesForAFewSeconds)
{
    RecordingSink sink;
    qint64 now = 0;
    MessageNotifier notifier(sink, [&] { return now; });
    notifier.Notify("bob", "Bob", "one");
    now += 2000;
    notifier.Notify("bob", "Bob", "two");
    notifier.Notify("carol", "Carol", "hi");
    now += MessageNotifier::kJoinWindowMs + 1;
    notifier.Notify("bob", "Bob", "three");
    ASSERT_EQ(sink.shownList.size(), 4u);
    EXPECT_EQ(sink.shownList[0].replacesId, 0u);
    EXPECT_EQ(sink.shownList[1].replacesId, 101u);
    EXPECT_EQ(sink.shownList[1].body, "one\ntwo");
    EXPECT_EQ(sink.shownList[2].replacesId, 0u);
    EXPECT_EQ(sink.shownList[2].summary, "Carol");
    EXPECT_EQ(sink.shownList[3].replacesId, 0u);  // too late to join: a new one
    EXPECT_EQ(sink.shownList[3].body, "three");
    EXPECT_TRUE(notifier.Owns(103));
    EXPECT_FALSE(notifier.Owns(0));
    EXPECT_FALSE(notifier.Owns(999));
}

TEST(MessageNotifierTest, KeepsOnlyTheLatestLinesOfAJoinedNotification)
{
    RecordingSink sink;
    MessageNotifier notifier(sink, [] { return qint64(0); });
    for (int i = 1; i <= MessageNotifier::kMaxJoinedLines + 2; ++i)
        notifier.Notify("bob", "Bob", QString::number(i));
    EXPECT_EQ(sink.shownList.back().body, "3\n4\n5\n6\n7");
}

TEST(MessageNotifierTest, BackToBackMessagesShareOneNotification)
{
    RecordingSink sink;
    sink.deferred = true;
    MessageNotifier notifier(sink, [] { return qint64(0); });
    // Six in a row, all before the service has answered the first.
    for (int i = 1; i <= 6; ++i)
        notifier.Notify("bob", "Bob", QString::number(i));
    ASSERT_EQ(sink.shownList.size(), 1u);
    sink.AnswerAll();
    ASSERT_EQ(sink.shownList.size(), 2u);
    EXPECT_EQ(sink.shownList[1].replacesId, 101u);  // the same one, updated
    EXPECT_EQ(sink.shownList[1].body, "2\n3\n4\n5\n6");
    sink.AnswerAll();
    EXPECT_EQ(sink.shownList.size(), 2u);
    EXPECT_EQ(sink.lastId, 101u);
}

TEST(MessageNotifierTest, WithdrawsEveryOneOfItsOwnAndForgetsClosedOnes)
{
    RecordingSink sink;
    qint64 now = 0;
    MessageNotifier notifier(sink, [&] { return now; });
    notifier.Notify("bob", "Bob", "one");                 // 101
    now += MessageNotifier::kJoinWindowMs + 1;
    notifier.Notify("bob", "Bob", "two");                 // 102: too late to join
    notifier.Notify("carol", "Carol", "hi");              // 103
    EXPECT_TRUE(notifier.Owns(101)) << "an older one still raises the window";
    notifier.Forget(103);  // dismissed by the user
    EXPECT_FALSE(notifier.Owns(103));
    notifier.Notify("carol", "Carol", "again");           // 104, not an update of 103
    EXPECT_EQ(sink.shownList.back().replacesId, 0u);

    // One still being put up when the user comes back goes as soon as it is there.
    sink.deferred = true;
    notifier.Notify("dave", "Dave", "late");
    notifier.WithdrawAll();
    std::vector<quint32> closed = sink.closedIds;
    std::sort(closed.begin(), closed.end());
    EXPECT_EQ(closed, (std::vector<quint32>{101, 102, 104}));
    sink.AnswerAll();
    EXPECT_EQ(sink.closedIds.back(), 105u);
    EXPECT_FALSE(notifier.Owns(101));
    EXPECT_FALSE(notifier.Owns(105));
}

TEST(TrayIconTest, CarriesItsThemeNameAndAMarkedVariant)
{
    EXPECT_EQ(ApplicationIcon().name(), "quenlo");
    for (int size : {16, 22, 48}) {
        const QImage plain = ApplicationIcon().pixmap(size).toImage();
        const QImage marked = AttentionIcon().pixmap(size).toImage();
        ASSERT_EQ(plain.size(), marked.size());
        // The mark sits in the top right corner; the rest is the same picture.
        const int inMark = size * 3 / 16;
        EXPECT_NE(plain.pixel(size - inMark, inMark), marked.pixel(size - inMark, inMark)) << size;
        EXPECT_EQ(plain.pixel(2, size - 3), marked.pixel(2, size - 3)) << size;
    }
}

class NotificationWindowTest : public StartedWindowTest {
protected:
    void SetUp() override
    {
        StartedWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        window.UseNotificationSink(sink);
        ASSERT_TRUE(SignOn());
    }
    void Deliver(const std::string& message, const std::string& paneLine)
    {
        server.SendData(0, message);
        ASSERT_TRUE(WaitForPaneLine(paneLine)) << message;
    }
    RecordingSink sink;
};

TEST_F(NotificationWindowTest, OnlyWhileTheWindowIsNotInFrontAndNeverForOwnReplies)
{
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(window.isActiveWindow());
    Deliver("IM_IN:Bob:F:seen in the window", "<-Bob:  seen in the window");
    EXPECT_TRUE(sink.shownList.empty());

    window.hide();
    ctx.away.Set("out");
    Deliver("IM_IN:Bob Smith:F:<b>are</b> you there?", "Bob Smith->:  out");
    ASSERT_EQ(sink.shownList.size(), 1u);  // the away reply shows none
    EXPECT_EQ(sink.shownList[0].summary, "Bob Smith");
    EXPECT_EQ(sink.shownList[0].body, "are you there?");

    EXPECT_TRUE(window.NeedsAttention());

    // A click on it opens the sender's conversation, the away reply in it;
    // back in the main window, it is withdrawn and the tray's mark goes.
    sink.clicked(sink.lastId);
    ConversationWindow* talks = window.Conversations();
    ASSERT_NE(talks, nullptr);
    EXPECT_TRUE(talks->isVisible());
    EXPECT_EQ(talks->TabText(talks->CurrentIndex()), "Bob Smith");
    EXPECT_TRUE(talks->CurrentPane()->LastLineText() == "Bob Smith->:  out");
    window.BringToFront();
    QApplication::setActiveWindow(&window);  // the desktop gives it the focus
    EXPECT_FALSE(window.NeedsAttention());
    EXPECT_EQ(sink.closedIds, std::vector<quint32>{sink.lastId});
}

TEST_F(NotificationWindowTest, ASecondStartBringsTheHiddenWindowBack)
{
    const QString name = QString::fromStdString(dir.Path(".quenlo.socket"));
    InstanceServer instance(name, [this] { window.BringToFront(); });
    ASSERT_TRUE(instance.Listening()) << instance.ErrorText().toStdString();
    window.hide();

    struct Request {
        const char* sent;
        bool shows;
    };
    for (const Request& request : {Request{"garbage\n", false}, Request{"show\n", true}}) {
        SCOPED_TRACE(request.sent);
        QLocalSocket peer;
        peer.connectToServer(name);
        peer.write(request.sent);
        QByteArray reply;
        QObject::connect(&peer, &QLocalSocket::readyRead, [&] { reply += peer.readAll(); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return peer.state() == QLocalSocket::UnconnectedState; }, 5000));
        EXPECT_EQ(reply, request.shows ? "shown\n" : "");
        EXPECT_EQ(window.isVisible(), request.shows);
    }
}

}  // namespace
