#include "output.h"

#include <cstdint>
#include <string>

#include "client_context.h"
#include "transcript.h"

namespace {

constexpr std::string_view kLogFailed = "Failed to open log path for writing. Logging is being disabled.";

// The grow step. A transcript born with a seed holds text the pane has not
// seen, so the next pane update must put the whole transcript.
void Grow(ClientContext& ctx, std::string_view seed)
{
    if (!ctx.output.Exists() && !seed.empty())
        ctx.paneStale = true;
    ctx.output.Grow(seed);
}

std::string Prefix(ClientContext& ctx)
{
    return TimestampPrefix(ctx.userInfo.timestamp != 0, ctx.clock());
}

// Appending only the new line keeps one addition's cost independent of the
// transcript's size; a stale pane gets the whole transcript once.
void UpdatePane(ClientContext& ctx, std::string_view line)
{
    if (ctx.window == nullptr)
        return;
    if (ctx.paneStale)
        RefreshOutputPane(ctx, ctx.output.Text());
    else
        ctx.window->AppendOutputText(line);
}

void WriteLog(ClientContext& ctx, std::string_view line)
{
    if (ctx.userInfo.logToFile == 0) {
        ctx.log.Close();
        return;
    }
    if (ctx.log.Write(FieldText(ctx.userInfo.logPath), line))
        return;
    // Off first, so the message below is not itself sent to the log.
    ctx.userInfo.logToFile = 0;
    PrintLine(ctx, kLogFailed, true);
}

// Steps shared by both kinds of line, once the grow step is made.
void AddLine(ClientContext& ctx, std::string_view line)
{
    ctx.output.Append(line);
    UpdatePane(ctx, line);
    WriteLog(ctx, line);
    ctx.scrollPending = true;
    if (ctx.window != nullptr)
        ctx.window->RequestPump(0);
    // The size is a count set by the user; a negative value read as unsigned
    // is out of reach, so it never clears.
    if (ctx.autoClearSize != 0 && ctx.output.Length() >= static_cast<std::uint32_t>(ctx.autoClearSize)) {
        ctx.output.Clear();
        ctx.paneStale = true;
    }
}

}  // namespace

void PrintLine(ClientContext& ctx, std::string_view text, bool isStatus)
{
    Grow(ctx, "");
    AddLine(ctx, ComposePrintLine(isStatus ? Prefix(ctx) : std::string(), text, isStatus));
}

void GrowForIm(ClientContext& ctx)
{
    Grow(ctx, kImSeed);
}

void PrintImLine(ClientContext& ctx, std::string_view screenName, std::string_view text, bool incoming)
{
    // Normally done by the caller; never append to a transcript that is absent.
    if (!ctx.output.Exists())
        GrowForIm(ctx);
    AddLine(ctx, ComposeImLine(Prefix(ctx), screenName, StripMarkup(text), incoming));
}

void RefreshOutputPane(ClientContext& ctx, std::string_view text)
{
    if (ctx.window == nullptr)
        return;
    ctx.window->SetOutputText(text);
    ctx.paneStale = false;
}

void ClearTranscript(ClientContext& ctx)
{
    if (!ctx.output.Exists())
        return;
    ctx.output.Clear();
    RefreshOutputPane(ctx, "");
}
