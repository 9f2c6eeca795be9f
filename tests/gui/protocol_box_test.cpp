// The protocol library's "Protocol Module" boxes run their own event loop
// with the library's frames below it. Closing the client meanwhile (SIGTERM,
// the close box, File, Exit) closes the box first and shuts down only once
// its loop has returned; the settings are saved and the library is released.
// While a box is open the library reads nothing more from the server.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <arpa/inet.h>
#include <csignal>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>


#include "flap_frames.h"
#include "main_window_harness.h"
#include "record_bytes.h"
#include "refusing_port.h"
#include "termination_signals.h"

namespace {

bool LibraryLoaded()
{
    void* handle = dlopen(kLibraryPath, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}


// Watches for the library's box and runs a step inside its event loop;
// remembers what the box said and whether the client was still up when the
// box closed.
class BoxWatch {
public:
    BoxWatch(const MainDialog& window, std::function<void(QDialog&)> whileOpen,
             QString title = QStringLiteral("Protocol Module"))
        : window_(window), whileOpen_(std::move(whileOpen)), title_(std::move(title))
    {
        probe_.setInterval(10);
        QObject::connect(&probe_, &QTimer::timeout, [this] { Look(); });
        probe_.start();
    }

    QString text;
    bool shutDownWhenBoxClosed = true;
    bool seen = false;

private:
    void Look()
    {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || box->windowTitle() != title_)
            return;
        if (!seen) {
            seen = true;
            if (auto* messageBox = qobject_cast<QMessageBox*>(box))
                text = messageBox->text();
            QObject::connect(box, &QDialog::finished, [this] { shutDownWhenBoxClosed = window_.IsShutDown(); });
        }
        if (whileOpen_)
            whileOpen_(*box);
    }

    const MainDialog& window_;
    std::function<void(QDialog&)> whileOpen_;
    QString title_;
    QTimer probe_;
};

class ProtocolBoxTest : public MainWindowHarness {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_FALSE(LibraryLoaded()) << "an earlier test left libtocwire.so loaded";
        WriteBytes(dir.Path("blist.cfg"), "Bob Smith\ncarl\n");
    }

    void ExpectClosedInOrderWithFilesSaved(const BoxWatch& watch)
    {
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return window.IsShutDown(); }));
        EXPECT_TRUE(watch.seen);
        EXPECT_FALSE(watch.shutDownWhenBoxClosed) << "the client shut down under the open box";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(ctx.session.api.Bound());
        EXPECT_FALSE(LibraryLoaded()) << "the library stayed loaded after the close";
        const std::string image = ReadBytes(dir.Path("userinfo.cfg"));
        ASSERT_EQ(image.size(), 3472u);
        EXPECT_EQ(TextAt(image, 128, 1024), "<i>$</i>");
        EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "Bob Smith\ncarl\n");
    }
};

TEST_F(ProtocolBoxTest, TerminationSignalDuringCantConnectBox)
{
    RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    Start();
    ctx.settings.userInfo.tocPort = refusing.Port();
    FormattingBox()->setText("<i>$</i>");
    CloseOnTerminationSignals([target = QPointer<MainDialog>(&window)] {
        if (target != nullptr)
            target->close();
    });
    bool signalled = false;
    BoxWatch watch(window, [&](QDialog&) {
        if (!signalled) {
            signalled = true;
            ::raise(SIGTERM);  // what ending the desktop session does
        }
    });

    Button("connect")->click();
    ExpectClosedInOrderWithFilesSaved(watch);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    EXPECT_TRUE(watch.text.startsWith("Can't connect to 127.0.0.1 on port " + QString::number(refusing.Port())))
        << watch.text.toStdString();
}

// The client's own tries after a drop show none of the library's boxes, and
// Disconnect stops them; a Connect by hand still shows the library's box.
TEST_F(ProtocolBoxTest, AutomaticTriesShowNoBoxAndDisconnectStopsThem)
{
    Start();
    ASSERT_TRUE(SignOn());
    ctx.session.reconnect.SetAutomatic(true);
    RefusingPort refusing;
    ctx.settings.userInfo.tocPort = refusing.Port();
    BoxWatch watch(window, [](QDialog& box) { box.done(QMessageBox::Ok); });
    server.Close(0);
    ASSERT_TRUE(WaitForPaneLine("STATUS MESSAGE: Reconnecting (try 3)..."));
    EXPECT_FALSE(watch.seen) << watch.text.toStdString();
    EXPECT_TRUE(Button("disconnect")->isEnabled());
    EXPECT_TRUE(Button("connect")->isEnabled());

    Button("disconnect")->click();
    ASSERT_TRUE(WaitForPaneLine("STATUS MESSAGE: Reconnecting stopped."));
    EXPECT_FALSE(Button("disconnect")->isEnabled());
    Button("connect")->click();
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return watch.seen; }));
    EXPECT_TRUE(watch.text.startsWith("Can't connect to 127.0.0.1 on port ")) << watch.text.toStdString();
}

TEST_F(ProtocolBoxTest, WindowClosedDuringABoxTheServerRaised)
{
    Start();
    FormattingBox()->setText("<i>$</i>");
    ASSERT_TRUE(SignOn());
    bool closed = false;
    BoxWatch watch(window, [&](QDialog&) {
        if (!closed) {
            closed = true;
            window.close();
        }
    });
    // A second SIGN_ON while online: "Got SIGN_ON in weird state".
    ASSERT_TRUE(server.SendData(0, "SIGN_ON:TOC1.0"));
    ExpectClosedInOrderWithFilesSaved(watch);
    EXPECT_EQ(watch.text, "Got SIGN_ON in weird state");
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !server.Client(0).connected; }));
}

TEST_F(ProtocolBoxTest, NothingIsReadWhileABoxIsOpenAndNothingIsLost)
{
    Start();
    FormattingBox()->setText("<i>$</i>");
    ASSERT_TRUE(SignOn());
    // Far more than the kernel's socket buffers on both ends hold.
    constexpr int kMessages = 12000;
    const std::string filler(2000, 'x');
    qint64 waitingWhileOpen = 0;
    std::size_t linesWhileOpen = 0;
    int ticks = 0;
    qint64 lastWaiting = -1;
    int unchangedTicks = 0;
    BoxWatch watch(window, [&](QDialog& box) {
        if (ticks++ == 0) {
            QByteArray flood;
            for (int i = 0; i < kMessages; ++i)
                flood += server.Frame(0, faketoc::kFrameData,
                                      QByteArray::fromStdString("IM_IN:Bob Smith:F:#" + std::to_string(i) + "#" +
                                                                filler + '\0'));
            server.SendRaw(0, flood);
            return;
        }
        // Until the kernel's buffers are full (what waits stops changing),
        // or 400 ms for a client that goes on reading.
        const qint64 waiting = server.BytesWaiting(0);
        unchangedTicks = waiting == lastWaiting ? unchangedTicks + 1 : 0;
        lastWaiting = waiting;
        if (ticks < 40 && unchangedTicks < 5)
            return;
        waitingWhileOpen = waiting;
        const std::string& text = ctx.transcript.output.Text();
        linesWhileOpen = static_cast<std::size_t>(std::count(text.begin(), text.end(), '#'));
        box.done(QMessageBox::Ok);
    });
    ASSERT_TRUE(server.SendData(0, "SIGN_ON:TOC1.0"));

    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor(
        [&] {
            const std::string& text = ctx.transcript.output.Text();
            return text.find("#" + std::to_string(kMessages - 1) + "#") != std::string::npos;
        },
        20000));
    EXPECT_EQ(watch.text, "Got SIGN_ON in weird state");
    EXPECT_EQ(linesWhileOpen, 0u);
    // The server could hand the kernel only what fits its buffers.
    EXPECT_GT(waitingWhileOpen, 12 * 1024 * 1024) << "the client kept reading while the box was open";

    // The numbers between the '#' pairs, in transcript order.
    const std::string text = ctx.transcript.output.Text();
    std::vector<int> seen;
    for (std::size_t open = text.find('#'); open != std::string::npos;) {
        const std::size_t close = text.find('#', open + 1);
        if (close == std::string::npos)
            break;
        seen.push_back(std::stoi(text.substr(open + 1, close - open - 1)));
        open = text.find('#', close + 1);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kMessages));
    for (int i = 0; i < kMessages; ++i)
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_ONLINE);
}

TEST_F(ProtocolBoxTest, WindowClosedWhileASettingsDialogIsOpen)
{
    Start();
    FormattingBox()->setText("<i>$</i>");
    bool closed = false;
    BoxWatch watch(
        window,
        [&](QDialog&) {
            if (!closed) {
                closed = true;
                window.close();
            }
        },
        QStringLiteral("User Configuration"));
    window.OpenUserConfig();  // returns once the dialog is closed
    EXPECT_FALSE(window.IsShutDown()) << "shut down under the dialog's loop";
    ExpectClosedInOrderWithFilesSaved(watch);
}

// The client hands its limit to the library at TOC_Init and counts the same.
class SignonTimeLimitTest : public MainWindowHarness {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        ctx.session.signonTimeLimitMs = kLimitMs;
    }
    static constexpr int kLimitMs = 300;
    // For what must not happen within the limit: runs the loop until the
    // limit counted from `since` has surely ended, or `happened` is true
    // (returned at once).
    static bool HappensWithinTheLimit(const QElapsedTimer& since, const std::function<bool()>& happened)
    {
        return HappensWithin(happened, std::max(0, kLimitMs + 100 - static_cast<int>(since.elapsed())));
    }
};

TEST_F(SignonTimeLimitTest, AServerThatNeverSignsOnIsLeftAfterTheLimit)
{
    Start();
    server.SetAutoSignOn(false);
    Button("connect")->click();
    ASSERT_TRUE(WaitForPaneLine("STATUS MESSAGE: Logging onto AIM..."));
    EXPECT_FALSE(Button("connect")->isEnabled());
    // The Disconnect button does nothing while signing on; the limit ends it.
    ASSERT_TRUE(WaitForPaneLine("STATUS MESSAGE: Disconnected from AIM server.", 3000));
    EXPECT_EQ(ctx.session.connectionStatus, STATUS_OFFLINE);
    EXPECT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !server.Client(0).connected; }));
    EXPECT_TRUE(Button("connect")->isEnabled());
    EXPECT_TRUE(Button("send")->isEnabled());
    EXPECT_FALSE(Button("disconnect")->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Connect works again, and a sign-on within the limit stays.
    server.SetAutoSignOn(true);
    QElapsedTimer sinceConnect;
    sinceConnect.start();
    ASSERT_TRUE(SignOn(1));
    EXPECT_FALSE(HappensWithinTheLimit(sinceConnect, [&] { return ctx.session.connectionStatus != STATUS_ONLINE; }));
    EXPECT_TRUE(server.Client(1).connected);
}

TEST_F(SignonTimeLimitTest, ASilentServerIsNamedOnceWhenTheLimitEnds)
{
    Start();
    // Takes connections and never says a word.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    ctx.settings.userInfo.tocPort = silent.serverPort();
    const std::size_t before = PaneLines().size();
    Button("connect")->click();
    const std::string line = "STATUS MESSAGE: No answer from 127.0.0.1 port " + std::to_string(silent.serverPort()) + ".";
    ASSERT_TRUE(WaitForPaneLine(line, 3000));
    EXPECT_FALSE(HappensWithin([&] { return PaneLines().size() > before + 1; }, 100));
    // No sign-on frame came, so no "Logging onto AIM..." and no "Disconnected".
    const std::vector<std::string> lines = PaneLines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
              std::vector<std::string>{line});
    EXPECT_TRUE(Button("connect")->isEnabled());

    // A server that closes at once is not a silent one; one that answers
    // prints what it always printed.
    QTcpServer closing;
    ASSERT_TRUE(closing.listen(QHostAddress::LocalHost));
    QObject::connect(&closing, &QTcpServer::newConnection, [&] { closing.nextPendingConnection()->close(); });
    ctx.settings.userInfo.tocPort = closing.serverPort();
    QElapsedTimer sinceClosing;
    sinceClosing.start();
    Button("connect")->click();
    EXPECT_FALSE(HappensWithinTheLimit(sinceClosing, [&] { return PaneLines().size() != lines.size(); }));
    PointAtFakeServer(ctx.settings.userInfo, server.Port());
    QElapsedTimer sinceConnect;
    sinceConnect.start();
    ASSERT_TRUE(SignOn());
    EXPECT_FALSE(HappensWithinTheLimit(sinceConnect, [&] {
        const std::vector<std::string> shown = PaneLines();
        return std::count(shown.begin(), shown.end(), line) > 1;
    }));
    const std::vector<std::string> after = PaneLines();
    EXPECT_EQ(std::count(after.begin(), after.end(), line), 1);
}

}  // namespace
