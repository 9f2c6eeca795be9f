// Desktop notifications for messages the user is not looking at: when one
// is shown, how messages from one sender are joined, and what a click does.
#include <QApplication>
#include <QtTest/QTest>

#include <QLocalSocket>
#include <algorithm>
#include <string>

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

// The notifier with a clock the test moves; each Turn is one turn of the
// event loop with its messages ("Name|text").
struct NotifierAt {
    explicit NotifierAt(RecordingSink& sink) : notifier(sink, [this] { return now; }) {}
    void Turn(std::initializer_list<std::string_view> messages)
    {
        for (std::string_view message : messages) {
            const std::size_t bar = message.find('|');
            notifier.Add(message.substr(0, bar), message.substr(bar + 1));
        }
        notifier.EndTurn();
    }
    qint64 now = 0;
    MessageNotifier notifier;
};

TEST(MessageNotifierTest, OneSendersMessagesJoinUntilTheyPauseForLong)
{
    RecordingSink sink;
    NotifierAt at(sink);
    at.Turn({"Bob Smith|one", "Bob Smith|<b>two</b>"});
    at.now += 2000;
    at.Turn({"bobsmith|three"});  // the same person, however written
    at.now += MessageNotifier::kJoinWindowMs + 1;
    at.Turn({"Bob Smith|four"});
    ASSERT_EQ(sink.shownList.size(), 3u);
    EXPECT_EQ(sink.shownList[0].replacesId, 0u);
    EXPECT_EQ(sink.shownList[0].summary, "Bob Smith");
    EXPECT_EQ(sink.shownList[0].body, "one\ntwo");
    EXPECT_EQ(sink.shownList[1].replacesId, 101u);
    EXPECT_EQ(sink.shownList[1].body, "one\ntwo\nthree");
    EXPECT_EQ(sink.shownList[2].replacesId, 0u);  // too late to join: a new one
    EXPECT_EQ(sink.shownList[2].body, "four");
    EXPECT_EQ(at.notifier.SenderOf(101), "Bob Smith");
    EXPECT_TRUE(at.notifier.Owns(102));
    EXPECT_FALSE(at.notifier.Owns(0));
    EXPECT_FALSE(at.notifier.Owns(999));
}

TEST(MessageNotifierTest, ABurstFromManyPeopleIsOneSummaryUpdatedAtMostOnceASecond)
{
    RecordingSink sink;
    NotifierAt at(sink);
    for (int i = 0; i < 37; ++i)
        at.notifier.Add("Sender " + std::to_string(i % 12), "<i>message</i> " + std::to_string(i));
    at.notifier.EndTurn();
    ASSERT_EQ(sink.shownList.size(), 1u);
    EXPECT_EQ(sink.shownList[0].summary, "37 messages from 12 people");
    EXPECT_EQ(sink.shownList[0].body, "Sender 8: message 32\nSender 9: message 33\nSender 10: message 34\n"
                                      "Sender 11: message 35\nSender 0: message 36");
    EXPECT_EQ(at.notifier.SenderOf(101), "") << "a summary opens no one conversation";
    at.now += 400;
    at.Turn({"Carol|hi"});
    at.now += 500;
    at.Turn({"Dave|hi"});
    EXPECT_EQ(sink.shownList.size(), 1u) << "updated within the second";
    at.now += MessageNotifier::kMinUpdateMs - 900;
    at.notifier.EndTurn();  // the waiting update's time
    ASSERT_EQ(sink.shownList.size(), 2u);
    EXPECT_EQ(sink.shownList[1].replacesId, 101u);
    EXPECT_EQ(sink.shownList[1].summary, "39 messages from 14 people");
    at.notifier.EndTurn();
    EXPECT_EQ(sink.shownList.size(), 2u) << "nothing new, nothing shown";
}

TEST(MessageNotifierTest, SendersAreForgottenOnceTheirWindowPassed)
{
    RecordingSink sink;
    NotifierAt at(sink);
    // A steady trickle from ever new people keeps the notification going.
    for (int i = 0; i < 2000; ++i) {
        at.Turn({"Sender " + std::to_string(i) + "|hi"});
        at.now += 100;
    }
    // One who wrote long ago is forgotten and counts as a new person; one
    // who wrote a moment ago does not.
    at.now += MessageNotifier::kMinUpdateMs;
    at.Turn({"Sender 0|back", "Sender 1999|again"});
    EXPECT_EQ(sink.shownList.back().summary, "2002 messages from 2001 people");
    EXPECT_EQ(sink.shownList.front().replacesId, 0u);
    EXPECT_EQ(sink.shownList.back().replacesId, 101u);
    EXPECT_LE(sink.shownList.size(), 2000u * 100 / MessageNotifier::kMinUpdateMs + 2);
}

TEST(MessageNotifierTest, NothingWhileTheUserLooksAndOneAlertPerTurnOtherwise)
{
    RecordingSink sink;
    NotifierAt at(sink);
    bool looking = true;
    int unseen = 0;
    at.notifier.looking = [&] { return looking; };
    at.notifier.unseen = [&] { ++unseen; };
    at.Turn({"Bob|seen", "Carol|seen"});
    EXPECT_TRUE(sink.shownList.empty());
    EXPECT_EQ(unseen, 0);
    looking = false;
    at.Turn({"Bob|one", "Bob|two"});
    EXPECT_EQ(unseen, 1);
    ASSERT_EQ(sink.shownList.size(), 1u);
    EXPECT_EQ(sink.shownList[0].body, "one\ntwo") << "what was seen is not in it";
}

TEST(MessageNotifierTest, MessagesWhileOneIsBeingPutUpJoinIt)
{
    RecordingSink sink;
    sink.deferred = true;
    NotifierAt at(sink);
    at.Turn({"Bob|1"});
    for (int i = 2; i <= 7; ++i)
        at.Turn({"Bob|" + std::to_string(i)});  // each before the service answered
    ASSERT_EQ(sink.shownList.size(), 1u);
    sink.AnswerAll();
    at.now += MessageNotifier::kMinUpdateMs;
    at.notifier.EndTurn();
    ASSERT_EQ(sink.shownList.size(), 2u);
    EXPECT_EQ(sink.shownList[1].replacesId, 101u);  // the same one, updated
    EXPECT_EQ(sink.shownList[1].body, "3\n4\n5\n6\n7");
}

TEST(MessageNotifierTest, WithdrawsEveryOneOfItsOwnAndForgetsClosedOnes)
{
    RecordingSink sink;
    NotifierAt at(sink);
    at.Turn({"Bob|one"});                          // 101
    at.now += MessageNotifier::kJoinWindowMs + 1;
    at.Turn({"Carol|hi"});                         // 102: too late to join
    EXPECT_TRUE(at.notifier.Owns(101)) << "an older one still raises the window";
    at.notifier.Forget(102);  // dismissed by the user
    EXPECT_FALSE(at.notifier.Owns(102));
    at.now += MessageNotifier::kMinUpdateMs;
    at.Turn({"Carol|again"});                      // 103, not an update of 102
    EXPECT_EQ(sink.shownList.back().replacesId, 0u);

    // One still being put up when the user comes back goes as soon as it is there.
    sink.deferred = true;
    at.now += MessageNotifier::kJoinWindowMs + 1;
    at.Turn({"Dave|late"});
    at.notifier.WithdrawAll();
    std::vector<quint32> closed = sink.closedIds;
    std::sort(closed.begin(), closed.end());
    EXPECT_EQ(closed, (std::vector<quint32>{101, 103}));
    sink.AnswerAll();
    EXPECT_EQ(sink.closedIds.back(), 104u);
    EXPECT_FALSE(at.notifier.Owns(101));
    EXPECT_FALSE(at.notifier.Owns(104));
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
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.shownList.empty(); }, 5000));
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
