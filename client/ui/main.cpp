#include <QApplication>
#include <cstdio>
#include <csignal>

#include "client_context.h"
#include "command_line.h"
#include "main_dialog.h"
#include "termination_signals.h"

int main(int argc, char** argv)
{
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
    // Every file the client keeps lives in its profile folder, which becomes
    // the current directory before anything is read.
    const std::string dir = options.profileDir.empty() ? DefaultProfileDir() : options.profileDir;
    if (const std::string problem = EnterProfileDir(dir); !problem.empty()) {
        std::fprintf(stderr, "quenlo: %s\n", problem.c_str());
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quenlo"));
    QApplication::setDesktopFileName(QStringLiteral("quenlo"));
    ClientContext ctx;
    MainDialog window(ctx);
    window.show();
    window.Initialize();
    CloseOnTerminationSignals([&window] { window.close(); });
    return app.exec();
}
