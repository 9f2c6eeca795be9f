// The program with a tray: hidden by a click on its icon, it still ends when
// told to, by the icon's menu or by a termination signal, and saves its
// settings on the way out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <functional>

#include "status_notifier_watcher.h"
#include "temp_dir.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 30000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

enum class HiddenExit { TrayMenuExit, Terminate, Interrupt };

class TrayExitTest : public ::testing::TestWithParam<HiddenExit> {};

TEST_P(TrayExitTest, AHiddenWindowStillEndsTheProgram)
{
    PrivateTray tray;
    ASSERT_TRUE(tray.Error().isEmpty()) << tray.Error().toStdString();
    TempDir dir;
    const std::string profile = dir.Path("profile");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), tray.Display());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), tray.Address());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUENLO_BIN_DIR "/quenlo"), {QStringLiteral("--dir"), QString::fromStdString(profile)});
    ASSERT_TRUE(program.waitForStarted());

    ASSERT_TRUE(WaitFor([&] { return !tray.Watcher().Items().isEmpty() || program.state() != QProcess::Running; }))
        << "no tray icon came";
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
    const QString item = tray.Watcher().Items().first();
    ASSERT_TRUE(tray.Activate(item));  // the window hides

    switch (GetParam()) {
    case HiddenExit::TrayMenuExit: ASSERT_TRUE(tray.ChooseMenuEntry(item, QStringLiteral("Exit"))); break;
    case HiddenExit::Terminate: ::kill(static_cast<pid_t>(program.processId()), SIGTERM); break;
    case HiddenExit::Interrupt: ::kill(static_cast<pid_t>(program.processId()), SIGINT); break;
    }
    const bool ended = WaitFor([&] { return program.state() == QProcess::NotRunning; });
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the hidden client kept running";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(profile + "/userinfo.cfg")));
}

INSTANTIATE_TEST_SUITE_P(Ways, TrayExitTest,
                         ::testing::Values(HiddenExit::TrayMenuExit, HiddenExit::Terminate, HiddenExit::Interrupt),
                         [](const auto& info) {
                             switch (info.param) {
                             case HiddenExit::TrayMenuExit: return "TrayMenuExit";
                             case HiddenExit::Terminate: return "Terminate";
                             case HiddenExit::Interrupt: return "Interrupt";
                             }
                             return "Unknown";
                         });

}  // namespace
