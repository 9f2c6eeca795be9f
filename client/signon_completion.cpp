#include "signon_completion.h"

#include <string>
#include <string_view>

#include "client_context.h"
#include "connection.h"
#include "normalize_name.h"
#include "outgoing.h"

namespace {

// A command passing this many characters is complete: the configuration
// stops taking names, a registration batch is sent.
constexpr std::size_t kBatchThreshold = 1024;
// The library cuts a command line at 2047 characters; with names near their
// 1,023-character room a command is closed before it would be cut.
constexpr std::size_t kMaxLine = 2047;

constexpr std::string_view kCapabilityUuids[] = {
    "09461341-4C7F-11D1-8222-444553540000", "09461343-4C7F-11D1-8222-444553540000",
    "09461345-4C7F-11D1-8222-444553540000", "09461346-4C7F-11D1-8222-444553540000",
    "09461347-4C7F-11D1-8222-444553540000", "09461348-4C7F-11D1-8222-444553540000",
    "0946134a-4C7F-11D1-8222-444553540000",
};

// Calls visit(name) for each name of the list, in order: a name runs to the
// next LF, a last name without one to the end of the text.
template <typename Visit>
void ForEachBuddy(std::string_view list, Visit visit)
{
    std::size_t position = 0;
    while (position < list.size()) {
        const std::size_t end = list.find('\n', position);
        const std::size_t stop = end == std::string_view::npos ? list.size() : end;
        if (!visit(list.substr(position, stop - position)))
            return;
        position = end == std::string_view::npos ? list.size() : end + 1;
    }
}

}  // namespace

void SendBuddyConfig(ClientContext& ctx)
{
    std::string config = "toc_set_config \"m 4\ng Fuckers\n";
    ForEachBuddy(ctx.buddyList, [&](std::string_view name) {
        const std::string entry = "b " + NormalizeName(name) + "\n";
        if (config.size() + entry.size() + 1 > kMaxLine)
            return false;
        config += entry;
        return config.size() <= kBatchThreshold;
    });
    config += "\"";
    SendCommand(ctx, config);

    const std::string kEmptyBatch = "toc_add_buddy";
    std::string batch = kEmptyBatch + " " + NormalizeName(FieldText(ctx.userInfo.screenName));
    ForEachBuddy(ctx.buddyList, [&](std::string_view name) {
        const std::string entry = " " + NormalizeName(name);
        if (batch != kEmptyBatch && batch.size() + entry.size() > kMaxLine) {
            SendCommand(ctx, batch);
            batch = kEmptyBatch;
        }
        batch += entry;
        if (batch.size() > kBatchThreshold) {
            SendCommand(ctx, batch);
            batch = kEmptyBatch;
        }
        return true;
    });
    if (batch != kEmptyBatch)
        SendCommand(ctx, batch);
}

int CompleteSignon(ClientContext& ctx)
{
    SendBuddyConfig(ctx);
    SendCommand(ctx, "toc_init_done");
    std::string caps = "toc_set_caps";
    for (std::string_view uuid : kCapabilityUuids)
        caps.append(" ").append(uuid);
    SendCommand(ctx, caps);
    SendCommand(ctx, "toc_set_info \"" + EscapeTocText(FieldText(ctx.userInfo.userProfile)) + "\"");
    return 1;
}
