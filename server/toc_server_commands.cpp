// The TOC server's answers to a signed-on client's commands: instant
// messages, buddy registration and presence, profiles and their links, and
// warnings.
#include "toc_server_core.h"
#include "toc_command_line.h"

namespace tocserver {

namespace {
constexpr int kWarningStep = 10;
constexpr int kMaxWarningLevel = 100;
}  // namespace

void ServerCore::HandleCommand(Connection& connection, const std::vector<std::string>& args)
{
    if (args.empty())
        return;
    const std::string& command = args[0];
    if (command == "toc_signon") {
        if (connection.phase == Connection::Phase::AwaitTocSignon) {
            HandleTocSignon(connection, args);
        } else if (connection.phase == Connection::Phase::AwaitSignonFrame) {
            connection.state.signonError = "toc_signon before the sign-on frame";
            DropConnection(connection, "toc_signon before the sign-on frame");
        }
        return;  // a repeated toc_signon is ignored
    }
    if (connection.phase != Connection::Phase::Online)
        return;  // anything else before sign-on is ignored
    if (command == "toc_send_im") {
        HandleSendIm(connection, args);
    } else if (command == "toc_add_buddy") {
        HandleAddBuddy(connection, args);
    } else if (command == "toc_remove_buddy") {
        for (std::size_t i = 1; i < args.size(); ++i)
            connection.buddies.erase(NormalizeScreenName(args[i]));
    } else if (command == "toc_get_info" && args.size() >= 2) {
        const std::string name = NormalizeScreenName(args[1]);
        SendText(connection, "GOTO_URL:" + name + ":info?user=" + name);
    } else if (command == "toc_set_info" && args.size() >= 2) {
        connection.profile = args[1];
    } else if (command == "toc_evil") {
        HandleEvil(connection, args);
    } else if (command == "toc_set_away" || command == "toc_set_idle" || command == "toc_set_config") {
        HandlePresence(connection, args);
    } else if (command == "toc_add_deny" || command == "toc_add_permit") {
        HandlePrivacy(connection, args, command == "toc_add_permit");
    }
}

// toc_send_im <name> "<message>" [auto]
void ServerCore::HandleSendIm(Connection& sender, const std::vector<std::string>& args)
{
    if (args.size() < 3)
        return;
    const std::string target = NormalizeScreenName(args[1]);
    const std::string& message = args[2];
    const char* flag = args.size() > 3 && args[3] == "auto" ? "T" : "F";
    if (echoBot && target == kEchoBotKey) {
        AnswerAsEchoBot(sender, message, flag);
        return;
    }
    if (!relay)
        return;
    // A user who denies the sender looks offline to the sender.
    std::vector<Connection*> recipients = OnlineAs(target);
    std::erase_if(recipients, [&](const Connection* r) { return Blocks(*r, sender.state.screenName); });
    if (recipients.empty()) {
        SendText(sender, "ERROR:901:" + target);
        return;
    }
    const std::string text = "IM_IN:" + sender.state.screenName + ":" + flag + ":" + message;
    for (Connection* recipient : recipients)
        SendText(*recipient, text);
}

// toc_add_buddy <name> ...: each registered name that is online is reported at once.
void ServerCore::HandleAddBuddy(Connection& connection, const std::vector<std::string>& args)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string name = NormalizeScreenName(args[i]);
        if (name.empty())
            continue;
        connection.buddies.insert(name);
        if (Blocks(connection, name))
            continue;
        if (echoBot && name == kEchoBotKey) {
            SendText(connection, BuddyOnlineText(kEchoBotName, startTime));
        } else if (relay) {
            std::vector<Connection*> online = OnlineAs(name);
            // A user who denies this one looks offline to them.
            std::erase_if(online, [&](const Connection* o) { return Blocks(*o, connection.state.screenName); });
            if (!online.empty())
                SendText(connection, BuddyPresenceText(*online.front()));
        }
    }
}

// toc_evil <name> norm|anon
void ServerCore::HandleEvil(Connection& sender, const std::vector<std::string>& args)
{
    if (args.size() < 2 || !relay)
        return;
    const std::string target = NormalizeScreenName(args[1]);
    const bool anonymous = args.size() > 2 && args[2] == "anon";
    const std::vector<Connection*> targets = OnlineAs(target);
    if (targets.empty()) {
        SendText(sender, "ERROR:901:" + target);
        return;
    }
    for (Connection* warned : targets) {
        warned->warningLevel = std::min(warned->warningLevel + kWarningStep, kMaxWarningLevel);
        SendText(*warned, "EVILED:" + std::to_string(warned->warningLevel) + ":" +
                              (anonymous ? std::string() : sender.state.screenName));
        AnnouncePresence(*warned);
    }
}

void ServerCore::AnnounceArrival(const Connection& arriving)
{
    const std::string text = BuddyPresenceText(arriving);
    for (const auto& watcher : connections) {
        if (watcher.get() != &arriving && watcher->state.online &&
            watcher->buddies.count(arriving.state.screenName) != 0 && !Blocks(*watcher, arriving.state.screenName) &&
            !Blocks(arriving, watcher->state.screenName))
            SendText(*watcher, text);
    }
}

void ServerCore::AnnounceDeparture(const Connection& departing)
{
    const std::string& name = departing.state.screenName;
    const std::string text = BuddyOfflineText(name);
    for (const auto& watcher : connections) {
        if (watcher->state.online && watcher->buddies.count(name) != 0 && !Blocks(*watcher, name) &&
            !Blocks(departing, watcher->state.screenName))
            SendText(*watcher, text);
    }
}

std::vector<Connection*> ServerCore::OnlineAs(const std::string& name)
{
    std::vector<Connection*> found;
    for (const auto& connection : connections) {
        if (connection->state.online && connection->state.screenName == name)
            found.push_back(connection.get());
    }
    return found;
}

}  // namespace tocserver
