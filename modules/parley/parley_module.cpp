// user_parley: this client has no chat rooms, so every chat invitation is
// answered with a message saying so, sent as if the user had typed it.
#include <chrono>
#include <cstring>
#include <string>

#include "chat_invite.h"
#include "module_defaults.h"
#include "normalize_name.h"
#include "answer_rate_limit.h"
#include "visible_text.h"

namespace {

HostServices* g_host = nullptr;
parley::AnswerRateLimit g_replies;

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Every chat invitation is answered, once per inviter in a short while.
int ServerCommand(const char* command, const char* arguments)
{
    if (g_host == nullptr || command == nullptr || arguments == nullptr || std::strcmp(command, "CHAT_INVITE") != 0)
        return 0;
    const std::optional<std::string> user = parley::InvitingUser(arguments);
    // An inviter who was answered a moment ago is not answered again.
    if (!user || !g_replies.ShouldAnswer(NormalizeName(*user), NowMs()))
        return 0;
    // Kept before the call: the reply may run every module's hooks, this one's included.
    HostServices* host = g_host;
    host->PrintStatus((VisibleText(*user) + " tried to do a chat invite, auto-replying with denial.").c_str());
    host->SendInputLine(user->c_str(), "This client doesn't support chatting.", 1);
    return 0;
}

int Start(void*, HostServices* host)
{
    g_host = host;
    g_replies = parley::AnswerRateLimit{};
    return 1;
}

int Stop()
{
    g_host = nullptr;
    return 1;
}

const UserModuleInfo* Info()
{
    static const UserModuleInfo info{"Chat refusal", QUENLO_VERSION,
                                     "Answers each chat invitation: this client has no chat rooms.", nullptr};
    return &info;
}

}  // namespace

QUENLO_USER_MODULE({
    .Initialize = Start,
    .GetModuleInfo = Info,
    .OnServerCommand = ServerCommand,
    .Shutdown = Stop,
});
