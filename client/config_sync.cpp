#include "config_sync.h"

#include <string>

#include "atomic_file.h"
#include "client_context.h"
#include "normalize_name.h"
#include "output.h"
#include "send_command.h"
#include "settings_files.h"
#include "settings_store.h"
#include "signon_completion.h"

namespace {

// The buddies the server did not know are registered like the sign-on's.
void RegisterNames(ClientContext& ctx, const std::vector<std::string>& names)
{
    const std::string kEmpty = "toc_add_buddy";
    std::string batch = kEmpty;
    for (const std::string& name : names) {
        const std::string entry = " " + NormalizeName(name);
        if (batch.size() + entry.size() > 1024) {
            SendCommand(ctx.session, batch);
            batch = kEmpty;
        }
        batch += entry;
    }
    if (batch != kEmpty)
        SendCommand(ctx.session, batch);
}

}  // namespace

void LoadBuddyGroups(ClientContext& ctx)
{
    // Read as blist.cfg is: every byte, a missing file empty.
    ctx.config.groups = ParseGroups(LoadBuddyList(ctx.settings.profile.File(kGroupsFile), nullptr, *ctx.settings.files));
}

bool SaveBuddyGroups(ClientContext& ctx)
{
    return WriteFileAtomically(ctx.settings.profile.File(kGroupsFile), FormatGroups(ctx.config.groups), 0600,
                               *ctx.settings.files);
}

void AwaitStoredConfig(ClientContext& ctx)
{
    ConfigSync& sync = ctx.config;
    sync.waiting = true;
    sync.timer.setSingleShot(true);
    sync.timer.setInterval(sync.waitMs);
    QObject::disconnect(&sync.timer, nullptr, nullptr, nullptr);
    QObject::connect(&sync.timer, &QTimer::timeout, [&ctx] {
        if (!std::exchange(ctx.config.waiting, false) || ctx.session.connectionStatus != STATUS_ONLINE)
            return;
        SendClientConfig(ctx);
    });
    sync.timer.start();
}

void HandleStoredConfig(ClientContext& ctx, std::string_view text)
{
    ConfigSync& sync = ctx.config;
    sync.waiting = false;
    sync.timer.stop();
    const StoredConfig stored = ParseStoredConfig(text);
    if (stored.Empty() && !sync.stored) {
        SendClientConfig(ctx);
        return;
    }
    sync.stored = true;
    sync.mode = stored.mode;
    sync.kept = stored.kept;
    JoinedConfig joined = JoinConfig(stored, sync.groups, ctx.settings.buddyList);
    const bool groupsChanged = FormatGroups(joined.groups) != FormatGroups(sync.groups);
    sync.groups = std::move(joined.groups);
    if (groupsChanged && !SaveBuddyGroups(ctx))
        PrintLine(ctx, "Could not save the buddy groups to " + std::string(kGroupsFile) + ".");
    if (!joined.newToList.empty()) {
        SaveBuddyListNow(ctx);
        RegisterNames(ctx, joined.newToList);
        PrintLine(ctx, std::to_string(joined.newToList.size()) +
                           (joined.newToList.size() == 1 ? " buddy" : " buddies") +
                           " from the server's stored list added to your buddy list.");
    }
    SendCommand(ctx.session, ConfigCommand(sync.mode, sync.groups, sync.kept));
}

void SendClientConfig(ClientContext& ctx)
{
    const ConfigSync& sync = ctx.config;
    // With nothing stored and no groups of its own, the client's plain
    // configuration, as it always sent.
    if (!sync.stored && sync.groups.empty()) {
        SendCommand(ctx.session, PlainBuddyConfig(ctx.settings));
        return;
    }
    std::string list = ctx.settings.buddyList;
    const JoinedConfig joined = JoinConfig(StoredConfig{}, sync.groups, list);
    SendCommand(ctx.session, ConfigCommand(sync.mode, joined.groups, sync.kept));
}
