#include "server_messages.h"
#include "toc_limits.h"

#include <cstdio>
#include <utility>

#include "buddy_lines.h"
#include "buddy_presence_lines.h"
#include "client_context.h"
#include "config_sync.h"
#include "message_text.h"
#include "normalize_name.h"
#include "output.h"
#include "outgoing.h"
#include "profile_page.h"
#include "rendezvous.h"
#include "transcript.h"
#include "visible_text.h"

namespace {

constexpr std::size_t kMaxShortField = 127;

// The field before the next colon; the rest after it (empty when none).
std::string_view TakeField(std::string_view& rest)
{
    const std::size_t colon = rest.find(':');
    const std::string_view field = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    return field;
}

std::string CopyFirstBytes(std::string_view text, std::size_t room)
{
    return std::string(text.substr(0, room));
}

// The profile is a page on the server: the window fetches it and shows its
// text; the transcript says whose it is.
void HandleGotoUrl(ClientContext& ctx, std::string_view arguments)
{
    if (!ctx.session.TakeProfileRequest())
        return;
    const std::size_t colon = arguments.find(':');
    const std::string_view windowName = arguments.substr(0, colon);
    const std::string_view url = colon == std::string_view::npos ? std::string_view{} : arguments.substr(colon + 1);
    const std::string subject = ProfileSubject(windowName, url);
    PrintLine(ctx.Out(), "Fetching the profile of " + VisibleText(subject) + "...");
    ctx.Window().ShowProfile(
        subject, ProfileAddress(FieldText(ctx.settings.userInfo.tocServer), ctx.settings.userInfo.tocPort, url));
}

void HandleImIn(ClientContext& ctx, std::string_view arguments)
{
    StartTranscriptForIm(ctx.Out());
    std::string_view rest = arguments;
    const std::string_view sender = TakeField(rest);
    const std::string_view flag = TakeField(rest);
    const bool automatic = !flag.empty() && flag.back() == 'T';
    // What is left after the second colon is the message, colons and all:
    // its page-level tags go, and its display form is made in the same walk,
    // in the spare buffers (a message handled from inside this one finds
    // none and makes its own).
    MessageText message = std::move(ctx.transcript.spareMessage);
    SplitMessageMarkup(rest, message);
    std::string displayName(sender);
    if (automatic)
        displayName += " AUTORESPONSE";
    if (displayName.size() > kMaxTocText)
        displayName.resize(kMaxTocText);  // the sender, " AUTORESPONSE" included
    PrintShownImLine(ctx.Out(), displayName, message, true, sender, automatic);
    ctx.Window().NotifyIncomingMessage(sender, message.body);
    if (!automatic)
        ctx.Window().CueSound(SoundEvent::MessageIn);
    // Nobody to answer when the message names no sender (or something that
    // is no screen name).
    if (ctx.away.IsAway() && !automatic && IsValidScreenName(sender)) {
        AutomaticSends paced(ctx.session);
        SendInstantMessage(ctx.Out(), ctx.session, ctx.modules, sender, ctx.away.Text(), true);
    }
    const SendPacer::Unit privacyChange(ctx.session.pacer);
    ctx.modules.host.DispatchReceiveIM(displayName.c_str(), message.body.c_str());
    ctx.transcript.spareMessage = std::move(message);
}

void HandleUpdateBuddy(ClientContext& ctx, std::string_view arguments)
{
    std::string_view rest = arguments;
    const std::string buddy = CopyFirstBytes(TakeField(rest), kMaxBuddyNameLength);
    // A message without a name has nobody to list.
    if (buddy.empty())
        return;
    const char flag = rest.empty() ? '\0' : rest.front();
    if (flag == 'F') {
        if (ctx.online.Remove(buddy)) {
            PrintLine(ctx.Out(), VisibleText(buddy) + " signed off.");
            ctx.Window().CueSound(SoundEvent::BuddySignedOff);
        }
        return;
    }
    TakeField(rest);
    const std::string_view warning = TakeField(rest);
    const std::string_view signonTime = TakeField(rest);
    const std::string_view idle = TakeField(rest);
    // The clock only matters to an idle time, which counts on from now.
    const std::int64_t now = idle.empty() || idle == "0" ? 0 : SteadyNowMs();
    const BuddyPresence presence = ParsePresence(warning, signonTime, idle, TakeField(rest), now);
    if (ctx.online.Insert(buddy, presence)) {
        PrintLine(ctx.Out(), VisibleText(buddy) + " signed on.");
        ctx.Window().CueSound(SoundEvent::BuddySignedOn);
    } else {
        UpdateBuddyPresence(ctx.Out(), ctx.online, buddy, presence);
    }
}

void HandleEviled(ClientContext& ctx, std::string_view arguments)
{
    std::string_view rest = arguments;
    const std::string level = CopyFirstBytes(TakeField(rest), kMaxShortField);
    const std::string warner = CopyFirstBytes(TakeField(rest), kMaxShortField);
    if (!warner.empty())
        PrintLine(ctx.Out(), "You have been warned by " + VisibleText(warner) + ". Your warning level is now " +
                           VisibleText(level) + "%.");
    else
        PrintLine(ctx.Out(), "You have been anonymously warned. Your warning level is now " + VisibleText(level) + "%.");
}

}  // namespace

namespace {

// commandText and argumentText are the same texts, NUL-terminated, as
// modules are given them.
void HandleMessage(ClientContext& ctx, std::string_view command, std::string_view arguments, const char* commandText,
                   const char* argumentText)
{
    // Before the window there is nobody to show a message to.
    if (!ctx.Window().HasScreen())
        return;
    {
        const SendPacer::Unit privacyChange(ctx.session.pacer);
        ctx.modules.host.DispatchServerCommand(commandText, argumentText);
    }
    if (command == "GOTO_URL")
        HandleGotoUrl(ctx, arguments);
    else if (command == "IM_IN")
        HandleImIn(ctx, arguments);
    else if (command == "UPDATE_BUDDY")
        HandleUpdateBuddy(ctx, arguments);
    else if (command == "EVILED")
        HandleEviled(ctx, arguments);
    else if (command == "CONFIG")
        HandleStoredConfig(ctx.Out(), ctx.config, ctx.session, ctx.settings, arguments);
    else if (command == "RVOUS_PROPOSE")
        DeclineRendezvous(ctx.Out(), ctx.session, arguments);
}

}  // namespace

void HandleServerMessage(ClientContext& ctx, const char* command, const char* arguments)
{
    command = command != nullptr ? command : "";
    arguments = arguments != nullptr ? arguments : "";
    HandleMessage(ctx, command, arguments, command, arguments);
}
