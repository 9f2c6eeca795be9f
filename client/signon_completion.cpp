#include "signon_completion.h"
#include "toc_capabilities.h"
#include "toc_limits.h"

#include <string>
#include <string_view>

#include "buddy_lines.h"
#include "send_command.h"
#include "normalize_name.h"
#include "outgoing.h"
#include "session_state.h"
#include "settings_state.h"

namespace {

// A command passing this many characters is complete: the configuration
// stops taking names, a registration batch is sent.
constexpr std::size_t kBatchThreshold = 1024;
// With names near their 1,023-character room a command is closed before the
// library would cut it at kMaxTocText.

// Announced with toc_set_caps, in this order.
constexpr std::string_view kCapabilityUuids[] = {
    kCapVoice, kCapSendFile, kCapDirectIm, kCapBuddyIcon, kCapStocks, kCapGetFile, kCapGames,
};

// Calls visit(name) with the normalised form of each name the server may be
// sent, in list order; visit returns false to stop. A line that is no valid
// screen name (a quote or a backslash would change the command it went
// into) stays in the list and the file but is never sent.
template <typename Visit>
void ForEachSendableBuddy(std::string_view list, Visit visit)
{
    ForEachBuddyLine(list, [&](const BuddyLine& line) {
        if (!IsValidScreenName(line.name))
            return false;
        return !visit(NormalizeName(line.name));
    });
}

}  // namespace

void SendBuddyConfig(SessionState& session, const SettingsState& settings)
{
    std::string config = "toc_set_config \"m 4\ng Fuckers\n";
    ForEachSendableBuddy(settings.buddyList, [&](const std::string& name) {
        const std::string entry = "b " + name + "\n";
        if (config.size() + entry.size() + 1 > kMaxTocText)
            return false;
        config += entry;
        return config.size() <= kBatchThreshold;
    });
    config += "\"";
    SendCommand(session, config);

    const std::string kEmptyBatch = "toc_add_buddy";
    std::string batch = kEmptyBatch + " " + NormalizeName(FieldText(settings.userInfo.screenName));
    ForEachSendableBuddy(settings.buddyList, [&](const std::string& name) {
        const std::string entry = " " + name;
        if (batch != kEmptyBatch && batch.size() + entry.size() > kMaxTocText) {
            SendCommand(session, batch);
            batch = kEmptyBatch;
        }
        batch += entry;
        if (batch.size() > kBatchThreshold) {
            SendCommand(session, batch);
            batch = kEmptyBatch;
        }
        return true;
    });
    if (batch != kEmptyBatch)
        SendCommand(session, batch);
}

int CompleteSignon(SessionState& session, const SettingsState& settings)
{
    SendBuddyConfig(session, settings);
    SendCommand(session, "toc_init_done");
    std::string caps = "toc_set_caps";
    for (std::string_view uuid : kCapabilityUuids)
        caps.append(" ").append(uuid);
    SendCommand(session, caps);
    // A profile of many line breaks or special characters is cut between
    // whole characters, so the command keeps its closing quote.
    constexpr std::string_view kHead = "toc_set_info \"";
    const QuotedText profile = EscapeTocTextWithin(FieldText(settings.userInfo.userProfile), QuotedRoom(kHead, "\""));
    SendCommand(session, std::string(kHead) + profile.escaped + "\"");
    return 1;
}
