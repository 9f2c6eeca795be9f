#include "config_sync.h"

#include <string>

#include "atomic_file.h"
#include "session_state.h"
#include "settings_state.h"
#include "normalize_name.h"
#include "output.h"
#include "send_command.h"
#include "settings_files.h"
#include "settings_store.h"
#include "signon_completion.h"

namespace {

// The buddies the server did not know are registered like the sign-on's.
void RegisterNames(SessionState& session, const std::vector<std::string>& names)
{
    const std::string kEmpty = "toc_add_buddy";
    std::string batch = kEmpty;
    for (const std::string& name : names) {
        const std::string entry = " " + NormalizeName(name);
        if (batch.size() + entry.size() > 1024) {
            SendCommand(session, batch);
            batch = kEmpty;
        }
        batch += entry;
    }
    if (batch != kEmpty)
        SendCommand(session, batch);
}

}  // namespace

void LoadBuddyGroups(ConfigSync& sync, const SettingsState& settings)
{
    // Read as blist.cfg is: every byte, a missing file empty.
    sync.groups = ParseGroups(LoadBuddyList(settings.profile.File(kGroupsFile), nullptr, *settings.files));
}

bool SaveBuddyGroups(const ConfigSync& sync, const SettingsState& settings)
{
    return WriteFileAtomically(settings.profile.File(kGroupsFile), FormatGroups(sync.groups), 0600,
                               *settings.files);
}

void AwaitStoredConfig(ConfigSync& sync, SessionState& session, const SettingsState& settings)
{
    sync.waiting = true;
    sync.timer.setSingleShot(true);
    sync.timer.setInterval(sync.waitMs);
    QObject::disconnect(&sync.timer, nullptr, nullptr, nullptr);
    QObject::connect(&sync.timer, &QTimer::timeout, [&sync, &session, &settings] {
        if (!std::exchange(sync.waiting, false) || session.connectionStatus != STATUS_ONLINE)
            return;
        SendClientConfig(sync, session, settings);
    });
    sync.timer.start();
}

void HandleStoredConfig(const Printer& out, ConfigSync& sync, SessionState& session, SettingsState& settings,
                        std::string_view text)
{
    sync.waiting = false;
    sync.timer.stop();
    const StoredConfig stored = ParseStoredConfig(text);
    if (stored.Empty() && !sync.stored) {
        SendClientConfig(sync, session, settings);
        return;
    }
    sync.stored = true;
    sync.mode = stored.mode;
    sync.kept = stored.kept;
    JoinedConfig joined = JoinConfig(stored, sync.groups, settings.buddyList);
    const bool groupsChanged = FormatGroups(joined.groups) != FormatGroups(sync.groups);
    sync.groups = std::move(joined.groups);
    if (groupsChanged && !SaveBuddyGroups(sync, settings))
        PrintLine(out, "Could not save the buddy groups to " + std::string(kGroupsFile) + ".");
    if (!joined.newToList.empty()) {
        SaveBuddyListNow(out, settings);
        RegisterNames(session, joined.newToList);
        PrintLine(out, std::to_string(joined.newToList.size()) +
                           (joined.newToList.size() == 1 ? " buddy" : " buddies") +
                           " from the server's stored list added to your buddy list.");
    }
    SendCommand(session, ConfigCommand(sync.mode, sync.groups, sync.kept));
}

void SendClientConfig(const ConfigSync& sync, SessionState& session, const SettingsState& settings)
{
    // With nothing stored and no groups of its own, the client's plain
    // configuration, as it always sent.
    if (!sync.stored && sync.groups.empty()) {
        SendCommand(session, PlainBuddyConfig(settings));
        return;
    }
    std::string list = settings.buddyList;
    const JoinedConfig joined = JoinConfig(StoredConfig{}, sync.groups, list);
    SendCommand(session, ConfigCommand(sync.mode, joined.groups, sync.kept));
}
