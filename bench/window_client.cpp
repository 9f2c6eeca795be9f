#include "window_client.h"

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>

#include <QTimer>

#include "connection.h"
#include "host_services.h"
#include "process_stats.h"
#include "transcript_pane.h"
#include "tocwire.h"
#include "user_info.h"

namespace bench {

WindowClient::WindowClient()
{
    ctx_.settings.profile.folder = profile_.Path();
}

WindowClient::~WindowClient()
{
    if (started_)
        window_.Shutdown();
    window_.hide();
}

bool WindowClient::Start()
{
    if (!profile_.Ok())
        return false;
    started_ = true;
    window_.show();
    // By its full path, beside this program as in the build tree: a bare
    // name would depend on who calls dlopen (a sanitizer's runtime does).
    const std::string program = ExecutablePath();
    const std::string library = program.substr(0, program.rfind('/')) + "/../lib/quenlo/libtocwire.so";
    // QUENLO_BENCH_MODULES=1: the standard modules loaded, as the program loads them.
    if (std::getenv("QUENLO_BENCH_MODULES") != nullptr)
        ctx_.modules.installedFolder = InstalledModuleFolder(program);
    window_.Initialize(library.c_str());
    if (!ctx_.session.api.Bound()) {
        std::fprintf(stderr, "quenlo_bench: %s", ctx_.transcript.output.Text().c_str());
        return false;
    }
    return RunUntil([this] { return !ctx_.transcript.firstRefreshPending && !ctx_.transcript.scrollPending; }, 5000);
}

void WindowClient::PointAt(std::uint16_t port, bool log)
{
    SetFieldText(ctx_.settings.userInfo.screenName, "Bench User");
    SetFieldText(ctx_.settings.userInfo.password, "secret");
    SetFieldText(ctx_.settings.userInfo.tocServer, "127.0.0.1");
    ctx_.settings.userInfo.tocPort = port;
    ctx_.settings.userInfo.logToFile = log ? 1 : 0;
    SetFieldText(ctx_.settings.userInfo.logPath, "bench_log.txt");
}

std::string WindowClient::LogPath() const
{
    return profile_.Path() + "/bench_log.txt";
}

bool WindowClient::SignOn()
{
    ConnectToServer(ctx_.Out(), ctx_.session, ctx_.settings);
    if (!RunUntil([this] { return ctx_.session.connectionStatus == STATUS_ONLINE && !ctx_.online.Empty(); }, 10000))
        return false;
    // Let the sign-on's lines reach the pane and the scroll happen.
    Settle(200);
    return true;
}

// The main window's transcript, by the object name the window gives it.
const TranscriptPane& WindowClient::Pane() const
{
    return dynamic_cast<const TranscriptPane&>(*window_.findChild<QAbstractScrollArea*>(QStringLiteral("output")));
}

std::string WindowClient::PaneLastLine() const
{
    return Pane().LastLineText().toStdString();
}

std::string WindowClient::PaneText() const
{
    return Pane().PlainText().toStdString();
}

bool WindowClient::RunUntil(const std::function<bool()>& pred, int timeoutMs)
{
    bool expired = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
    deadline.start(timeoutMs);
    while (!pred()) {
        if (expired)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool ClientProcess::Start(const char* what, int serverPort, bool log)
{
    if (!client_.Start()) {
        std::fprintf(stderr, "%s: the client did not start\n", what);
        return false;
    }
    if (serverPort < 0)
        return true;
    client_.PointAt(static_cast<std::uint16_t>(serverPort), log);
    if (!client_.SignOn()) {
        std::fprintf(stderr, "%s: sign-on failed\n", what);
        return false;
    }
    return true;
}

}  // namespace bench
