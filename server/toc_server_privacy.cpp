// The TOC server's privacy lists (toc_add_deny, toc_add_permit) and the Echo
// Bot's answers, chat invitation included.
#include <cctype>

#include "toc_server_core.h"
#include "toc_command_line.h"

namespace tocserver {

namespace {

constexpr std::string_view kInviteRequest = "invite me";

// The message without markup and surrounding blanks, in lower case.
std::string PlainLowerText(std::string_view message)
{
    std::string text;
    bool inTag = false;
    for (char c : message) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            text.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool Blocks(const Connection& watcher, const std::string& name)
{
    const bool listed = watcher.privacyList.count(name) != 0;
    return watcher.permitMode ? !listed : listed;
}

std::set<std::string> ServerCore::BlockedNames(const Connection& watcher)
{
    std::set<std::string> blocked;
    if (echoBot && Blocks(watcher, std::string(kEchoBotKey)))
        blocked.insert(std::string(kEchoBotKey));
    for (const std::string& buddy : watcher.buddies) {
        if (Blocks(watcher, buddy))
            blocked.insert(buddy);
    }
    return blocked;
}

// TOC's rules: adding to the other mode's list first switches modes with an
// empty list; with no names in the mode already set nothing changes.
void ServerCore::HandlePrivacy(Connection& connection, const std::vector<std::string>& args, bool permit)
{
    const std::set<std::string> blockedBefore = BlockedNames(connection);
    const bool permitBefore = connection.permitMode;
    const std::set<std::string> listBefore = connection.privacyList;
    if (connection.permitMode != permit) {
        connection.permitMode = permit;
        connection.privacyList.clear();
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string name = NormalizeScreenName(args[i]);
        if (!name.empty())
            connection.privacyList.insert(name);
    }
    ShowPresenceChanges(connection, blockedBefore, permitBefore, listBefore);
}

// A name that became blocked goes offline for the watcher; one that became
// reachable again arrives, if it is online. Both ways: a user who denies
// someone looks offline to them too.
void ServerCore::ShowPresenceChanges(Connection& watcher, const std::set<std::string>& blockedBefore,
                                          bool permitBefore, const std::set<std::string>& listBefore)
{
    if (relay && watcher.state.online) {
        const std::string& self = watcher.state.screenName;
        for (const auto& other : connections) {
            if (other.get() == &watcher || !other->state.online || other->buddies.count(self) == 0 ||
                Blocks(*other, self))
                continue;
            const std::string& name = other->state.screenName;
            const bool before = (listBefore.count(name) != 0) != permitBefore;
            const bool now = Blocks(watcher, name);
            if (before && !now)
                SendText(*other, BuddyPresenceText(watcher));
            else if (!before && now)
                SendText(*other, BuddyOfflineText(self));
        }
    }
    const std::set<std::string> blockedNow = BlockedNames(watcher);
    for (const std::string& name : blockedNow) {
        if (blockedBefore.count(name) != 0)
            continue;
        const bool online = (echoBot && name == kEchoBotKey) || (relay && !OnlineAs(name).empty());
        if (online)
            SendText(watcher, BuddyOfflineText(name == kEchoBotKey ? kEchoBotName : name));
    }
    for (const std::string& name : blockedBefore) {
        if (blockedNow.count(name) != 0)
            continue;
        if (echoBot && name == kEchoBotKey) {
            SendText(watcher, BuddyOnlineText(kEchoBotName, startTime));
        } else if (relay) {
            const std::vector<Connection*> online = OnlineAs(name);
            if (!online.empty())
                SendText(watcher, BuddyPresenceText(*online.front()));
        }
    }
}

// The Echo Bot answers with the same text, unless the sender denies it; to
// "invite me" it also sends a chat invitation.
void ServerCore::AnswerAsEchoBot(Connection& sender, const std::string& message, const char* flag)
{
    if (Blocks(sender, std::string(kEchoBotKey)))
        return;
    SendText(sender, "IM_IN:" + std::string(kEchoBotName) + ":" + flag + ":" + message);
    if (PlainLowerText(message) == kInviteRequest)
        SendText(sender, "CHAT_INVITE:Echo Room:4242:" + std::string(kEchoBotName) + ":Come and chat with me");
}

}  // namespace tocserver
