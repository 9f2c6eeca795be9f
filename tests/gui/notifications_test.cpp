// Desktop notifications for messages the user is not looking at: when one
// is shown, how messages from one sender are joined, and what a click does.
#include <QApplication>
#include <QtTest/QTest>

#include "main_window_harness.h"
#include "message_notifier.h"

namespace {

struct Shown {
    quint32 replacesId;
    QString summary;
    QString body;
};

class RecordingSink final : public NotificationSink {
public:
    void Show(quint32 replacesId, const QString& summary, const QString& body,
              std::function<void(quint32 id)> shown) override
    {
        shownList.push_back({replacesId, summary, body});
        shown(replacesId != 0 ? replacesId : ++lastId);
    }
    std::vector<Shown> shownList;
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
    ctx.awayFlag = true;
    ctx.awayText = "out";
    Deliver("IM_IN:Bob Smith:F:<b>are</b> you there?", "Bob Smith->:  out");
    ASSERT_EQ(sink.shownList.size(), 1u);  // the away reply shows none
    EXPECT_EQ(sink.shownList[0].summary, "Bob Smith");
    EXPECT_EQ(sink.shownList[0].body, "are you there?");

    // A click on it brings the window back.
    sink.clicked(sink.lastId);
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
