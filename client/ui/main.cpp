#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app_settings.h"
#include "box_presenter.h"
#include "client_context.h"
#include "command_line.h"
#include "config_sync.h"
#include "desktop_idle.h"
#include "host_services.h"
#include "instance_channel.h"
#include "main_dialog.h"
#include "path_in_folder.h"
#include "profile_lock.h"
#include "termination_signals.h"

namespace {

// How long a second start waits for the running one to answer.
constexpr int kHandOverWaitMs = 3000;

// A message box where there is a screen to show it on.
void ShowStartupError(const QString& text)
{
    if (!NobodyCanAnswerBoxes())
        QMessageBox::critical(nullptr, QStringLiteral("quenlo"), text);
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const CommandLine options = ParseCommandLine(arguments);
    switch (options.action) {
    case CommandLine::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("quenlo %s\n", QUENLO_VERSION);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "quenlo: %s\n%s", options.error.c_str(), UsageText().c_str());
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    // Every file the client keeps lives in its profile folder, and the client
    // names each through it. The folder is also made the working directory,
    // as user modules are promised for the files they keep.
    const std::string dir = options.profileDir.empty() ? DefaultProfileDir() : options.profileDir;
    std::string profileFolder;
    if (const std::string problem = EnterProfileDir(dir, profileFolder); !problem.empty()) {
        std::fprintf(stderr, "quenlo: %s\n", problem.c_str());
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quenlo"));
    QApplication::setDesktopFileName(QStringLiteral("quenlo"));
    QString socketProblem;
    const QString socketName = InstanceSocketName(profileFolder, &socketProblem);
    if (!socketProblem.isEmpty())
        std::fprintf(stderr, "quenlo: no private folder for the instance socket: %s.\n",
                     socketProblem.toLocal8Bit().constData());
    ProfileLock lock;
    const ProfileLock::Result locked = lock.Acquire(PathInFolder(profileFolder, kProfileLockFile));
    switch (locked) {
    case ProfileLock::Result::Locked:
        break;
    case ProfileLock::Result::Busy: {
        const std::string message = "Another quenlo is already using the profile folder " + dir + ".";
        std::fprintf(stderr, "quenlo: %s\n", message.c_str());
        // The running one shows its window instead; the box is for when it cannot.
        if (AskRunningInstanceToShow(socketName, kHandOverWaitMs)) {
            std::fprintf(stderr, "quenlo: its window is brought to the front.\n");
            return 0;
        }
        ShowStartupError(QString::fromLocal8Bit(message.c_str()));
        return 1;
    }
    case ProfileLock::Result::Failed:
        // A folder where no lock file can be made (read-only media) still runs.
        std::fprintf(stderr, "quenlo: cannot lock the profile folder: %s\n", lock.error().c_str());
        break;
    }
    // Made before the window and so destroyed after it: the user modules'
    // libraries are released with ctx, once the window's children (which a
    // module may have made) are gone.
    ClientContext ctx;
    ctx.settings.profile.folder = profileFolder;
    std::error_code noProgramPath;
    ctx.modules.installedFolder = InstalledModuleFolder(std::filesystem::read_symlink("/proc/self/exe", noProgramPath));
    const PresenceSettings presence = LoadAppSettings(ctx.settings.profile).presence;
    ctx.idle.SetEnabled(presence.reportIdle);
    ctx.idle.SetThresholdSeconds(std::int64_t{presence.idleMinutes} * 60);
    LoadBuddyGroups(ctx.config, ctx.settings);
    MainDialog window(ctx);
    DesktopIdle desktopIdle(ctx.session, ctx.idle);
    std::unique_ptr<InstanceServer> instanceServer;
    if (locked == ProfileLock::Result::Locked && !socketName.isEmpty()) {
        instanceServer = std::make_unique<InstanceServer>(socketName, [&window] { window.BringToFront(); });
        if (!instanceServer->Listening())
            std::fprintf(stderr, "quenlo: a second start cannot reach this one: %s\n",
                         instanceServer->ErrorText().toLocal8Bit().constData());
    }
    window.show();
    window.Initialize();
    // --startup-check: once the window is up and the first event-loop turn
    // has run, report the time and what the start-up showed, and close.
    if (options.startupCheck) {
        QTimer::singleShot(0, &window, [&] {
            std::printf("quenlo: started in %.1f ms after main\n", static_cast<double>(sinceMain.nsecsElapsed()) / 1e6);
            std::fwrite(ctx.transcript.output.Text().data(), 1, ctx.transcript.output.Text().size(), stdout);
            std::fflush(stdout);
            window.close();
        });
    }
    CloseOnTerminationSignals([&window] { window.CloseForSignal(); });
    return app.exec();
}
