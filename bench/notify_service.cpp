#include "notify_service.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QStringList>

#include "child_process.h"
#include "process_stats.h"

namespace bench {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class CountingNotifications final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override
    {
        return QStringLiteral(
            "<interface name=\"org.freedesktop.Notifications\">"
            "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/>"
            "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"u\" direction=\"out\"/></method>"
            "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        if (member == QLatin1String("Notify")) {
            calls_.push_back(NowNs());
            const QList<QVariant> args = message.arguments();
            quint32 id = args.size() > 1 ? args[1].toUInt() : 0;
            if (id == 0)
                id = ++lastId_;
            connection.send(message.createReply(QVariant::fromValue(id)));
            return true;
        }
        if (member == QLatin1String("CloseNotification")) {
            connection.send(message.createReply());
            return true;
        }
        if (member == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(QStringList{QStringLiteral("actions"), QStringLiteral("body")}));
            return true;
        }
        return false;
    }

    std::size_t Calls() const { return calls_.size(); }
    // The most calls that fell within any one second.
    std::size_t MaxPerSecond() const
    {
        std::size_t most = 0;
        for (std::size_t first = 0, last = 0; first < calls_.size(); ++first) {
            while (last < calls_.size() && calls_[last] - calls_[first] < 1'000'000'000)
                ++last;
            most = std::max(most, last - first);
        }
        return most;
    }

private:
    std::vector<std::int64_t> calls_;
    quint32 lastId_ = 0;
};

}  // namespace

int RunNotifyService()
{
    int argc = 1;
    char name[] = "quenlo_bench_notifications";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    CountingNotifications service;
    if (!bus.isConnected() || !bus.registerVirtualObject(kPath, &service) || !bus.registerService(kService)) {
        std::fprintf(stderr, "notifications: cannot serve on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    RunUntilStdinCloses();
    std::printf("notify_calls %zu\nnotify_max_per_second %zu\n", service.Calls(), service.MaxPerSecond());
    std::fflush(stdout);
    return 0;
}

}  // namespace bench
