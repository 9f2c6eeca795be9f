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

// The pane reads the transcript where it lies: it is told of each line
// added, so one addition costs the same whatever the transcript's size; a
// stale pane is given the whole transcript once.
void UpdatePane(ClientContext& ctx, std::string_view line)
{
    if (ctx.window == nullptr)
        return;
    if (ctx.paneStale)
        RefreshOutputPane(ctx);
    else
        ctx.window->OutputTextAppended(line);
}

// Status lines reach the file at once, with whatever waits before them;
// other lines wait for the end of the turn (FlushLog).
void WriteLog(ClientContext& ctx, std::string_view line, bool now)
{
    if (ctx.userInfo.logToFile == 0) {
        ctx.log.Close();
        return;
    }
    const std::string_view path = FieldText(ctx.userInfo.logPath);
    if (now ? ctx.log.Write(path, line) : ctx.log.Queue(path, line))
        return;
    // Off first, so the message below is not itself sent to the log.
    ctx.userInfo.logToFile = 0;
    PrintLine(ctx, kLogFailed, true);
}

// Steps shared by both kinds of line, once the grow step is made.
void AddLine(ClientContext& ctx, std::string_view line, bool isStatus)
{
    ctx.output.Append(line);
    UpdatePane(ctx, line);
    // Without a window there is no turn to wait for.
    WriteLog(ctx, line, isStatus || ctx.window == nullptr);
    ctx.scrollPending = true;
    if (ctx.window != nullptr)
        ctx.window->RequestPump(0);
    // The size is a count set by the user; a negative value read as unsigned
    // is out of reach, so it never clears.
    if (ctx.autoClearSize != 0 && ctx.output.Length() >= static_cast<std::uint32_t>(ctx.autoClearSize)) {
        // The pane may go on showing the old text until the next line.
        ctx.output.Retire();
        ctx.paneStale = true;
    }
}

}  // namespace

void PrintLine(ClientContext& ctx, std::string_view text, bool isStatus)
{
    Grow(ctx, "");
    AddLine(ctx, ComposePrintLine(isStatus ? Prefix(ctx) : std::string(), text, isStatus), isStatus);
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
    AddLine(ctx, ComposeImLine(Prefix(ctx), screenName, StripMarkup(text), incoming), false);
}

void RefreshOutputPane(ClientContext& ctx)
{
    if (ctx.window != nullptr) {
        ctx.window->ShowOutputText(ctx.output.Text());
        ctx.paneStale = false;
    }
    // Nothing shows the text an auto-clear retired any more.
    ctx.output.DropRetired();
}

void ClearTranscript(ClientContext& ctx)
{
    if (!ctx.output.Exists())
        return;
    // Retired rather than cleared: the pane reads the old text once more as
    // it lets go of it.
    ctx.output.Retire();
    RefreshOutputPane(ctx);
}

void FlushLog(ClientContext& ctx)
{
    ctx.log.Flush();
}
