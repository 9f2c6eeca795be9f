// The TOC server's side of presence: away and idle as a user sets them,
// told to everyone who lists that user, and the configuration each account
// stores with toc_set_config and gets back as CONFIG at its next sign-on.
#include <QDateTime>

#include <algorithm>

#include "toc_server_core.h"

namespace tocserver {

namespace {
constexpr std::size_t kMaxConfig = 8192;
}  // namespace

// toc_set_away ["<message>"], toc_set_idle <seconds>, toc_set_config "<config>"
void ServerCore::HandlePresence(Connection& connection, const std::vector<std::string>& args)
{
    const std::string& command = args[0];
    if (command == "toc_set_config") {
        if (args.size() >= 2 && args[1].size() <= kMaxConfig)
            configs[connection.state.screenName] = args[1];
        return;
    }
    if (command == "toc_set_away") {
        connection.away = args.size() >= 2 && !args[1].empty();
    } else {
        if (args.size() < 2)
            return;
        bool ok = false;
        const qint64 seconds = QString::fromStdString(args[1]).toLongLong(&ok);
        if (!ok || seconds < 0)
            return;
        connection.idleSince = seconds == 0 ? 0 : QDateTime::currentSecsSinceEpoch() - seconds;
    }
    if (relay)
        AnnouncePresence(connection);
}

void ServerCore::AnnouncePresence(const Connection& changed)
{
    if (!changed.state.online)
        return;
    const std::string text = BuddyPresenceText(changed);
    for (const auto& watcher : connections) {
        if (watcher.get() != &changed && watcher->state.online &&
            watcher->buddies.count(changed.state.screenName) != 0 && !Blocks(*watcher, changed.state.screenName) &&
            !Blocks(changed, watcher->state.screenName))
            SendText(*watcher, text);
    }
}

std::string BuddyPresenceText(const Connection& user)
{
    const std::int64_t idleMinutes =
        user.idleSince > 0 ? std::max<std::int64_t>(1, (QDateTime::currentSecsSinceEpoch() - user.idleSince) / 60) : 0;
    return "UPDATE_BUDDY:" + user.state.screenName + ":T:" + std::to_string(user.warningLevel) + ":" +
           std::to_string(user.signonTime) + ":" + std::to_string(idleMinutes) + ": O" + (user.away ? "U" : "");
}

}  // namespace tocserver
