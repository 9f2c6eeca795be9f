#include "desktop_idle.h"

#include <algorithm>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>

#include "idle_report.h"
#include "session_state.h"
#include "x11_idle.h"

namespace {

enum class Source { ScreenSaverExtension, MutterMonitor, FreedesktopScreenSaver, ClientInput };

constexpr const char* kMutterService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";

bool ServiceRunning(const char* name)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr && bus.interface()->isServiceRegistered(name).value();
}

}  // namespace

struct DesktopIdle::Sources {
    Source source = Source::ClientInput;
    std::unique_ptr<X11IdleQuery> x11;  // over Qt's own connection
    QElapsedTimer sinceInput;
};

DesktopIdle::DesktopIdle(SessionState& session, IdleReport& idle)
    : session_(session), idle_(idle), sources_(std::make_unique<Sources>()), watch_(session, idle)
{
    Sources& s = *sources_;
    s.sinceInput.start();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (auto* x11 = app != nullptr ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        s.x11 = std::make_unique<X11IdleQuery>(x11->display());
        if (s.x11->Ok())
            s.source = Source::ScreenSaverExtension;
    }
    if (s.source == Source::ClientInput && ServiceRunning(kMutterService))
        s.source = Source::MutterMonitor;
    else if (s.source == Source::ClientInput && ServiceRunning(kScreenSaverService))
        s.source = Source::FreedesktopScreenSaver;
    // The client's own input counts with every source: the user's return
    // is told at once.
    if (app != nullptr)
        app->installEventFilter(this);
    idle_.SetSource([this] { return IdleSeconds(); });
}

DesktopIdle::~DesktopIdle()
{
    idle_.SetSource({});
}

std::int64_t DesktopIdle::IdleSeconds() const
{
    const Sources& s = *sources_;
    const std::int64_t ownInput = s.sinceInput.elapsed() / 1000;
    switch (s.source) {
    case Source::ScreenSaverExtension:
        if (const std::int64_t ms = s.x11->IdleMs(); ms >= 0)
            return std::min<std::int64_t>(ms / 1000, ownInput);
        break;
    case Source::MutterMonitor: {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            kMutterService, "/org/gnome/Mutter/IdleMonitor/Core", kMutterService, "GetIdletime");
        const QDBusReply<quint64> reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 500);
        if (reply.isValid())
            return std::min<std::int64_t>(static_cast<std::int64_t>(reply.value() / 1000), ownInput);
        break;
    }
    case Source::FreedesktopScreenSaver: {
        const QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, "/org/freedesktop/ScreenSaver",
                                                                 kScreenSaverService, "GetSessionIdleTime");
        const QDBusReply<quint32> reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 500);
        if (reply.isValid())
            return std::min<std::int64_t>(reply.value(), ownInput);
        break;
    }
    case Source::ClientInput:
        break;
    }
    return ownInput;
}

bool DesktopIdle::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        sources_->sinceInput.restart();
        if (idle_.Told())
            CheckIdle(session_, idle_);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
