#include "output.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "client_context.h"
#include "message_text.h"
#include "normalize_name.h"
#include "transcript.h"
#include "visible_text.h"

namespace {

constexpr std::string_view kLogFailed = "Failed to open log path for writing. Logging is being disabled.";

// The grow step. A transcript born with a seed holds text the pane has not
// seen, so the next pane update must put the whole transcript.
void Grow(TranscriptState& transcript, std::string_view seed)
{
    if (!transcript.output.Exists() && !seed.empty())
        transcript.paneStale = true;
    transcript.output.Grow(seed);
}

std::string Prefix(ClientContext& ctx)
{
    return TimestampPrefix(ctx.settings.userInfo.timestamp != 0, ctx.transcript.clock());
}

// The pane reads the transcript where it lies: it is told of each line
// added, so one addition costs the same whatever the transcript's size; a
// stale pane is given the whole transcript once.
void UpdatePane(ClientContext& ctx, std::string_view line)
{
    if (ctx.transcript.paneStale)
        RefreshOutputPane(ctx);
    else
        ctx.Window().OutputTextAppended(line);
}

// A log that stopped taking lines (a full disk) is reported once; logging
// goes on, so the file gets lines again when it can.
void ReportLogWriteFailure(ClientContext& ctx)
{
    const int error = ctx.transcript.log.TakeFailure();
    if (error == 0)
        return;
    std::string line = "Failed to write log file '";
    line.append(FieldText(ctx.settings.userInfo.logPath)).append("': ").append(std::strerror(error));
    line.append(". The lines are still shown here.");
    PrintLine(ctx, line);
}

// Status lines reach the file at once, with whatever waits before them;
// other lines wait for the end of the turn (FlushLog).
void WriteLog(ClientContext& ctx, std::string_view line, bool now)
{
    if (ctx.settings.userInfo.logToFile == 0) {
        ctx.transcript.log.Close();
        return;
    }
    const std::string_view path = FieldText(ctx.settings.userInfo.logPath);
    if (now ? ctx.transcript.log.Write(path, line) : ctx.transcript.log.Queue(path, line)) {
        ReportLogWriteFailure(ctx);
        return;
    }
    // Off first, so the message below is not itself sent to the log.
    ctx.settings.userInfo.logToFile = 0;
    PrintLine(ctx, kLogFailed, true);
}

// Steps shared by every kind of line, once the grow step is made: the text
// and its record, the pane, the log, then whoever reads lines.
void AddLine(ClientContext& ctx, std::string_view line, bool isStatus, LineKind kind = LineKind::Status,
             std::string_view peer = {}, const std::vector<LineLink>& links = {})
{
    TranscriptState& transcript = ctx.transcript;
    TranscriptLines& lines = transcript.lines;
    const TranscriptLine record{transcript.output.Length(), static_cast<std::int64_t>(transcript.clock()),
                                lines.PeerId(peer), kind};
    transcript.output.Append(line);
    lines.Add(record, links);
    if (lines.onLine)
        lines.onLine(PrintedLine{record, lines.PeerName(record.peer), line, links});
    UpdatePane(ctx, line);
    // Without a window there is no turn to wait for.
    WriteLog(ctx, line, isStatus || !ctx.Window().HasScreen());
    transcript.scrollPending = true;
    ctx.Window().RequestPump(0);
    // The size is a count set by the user; a negative value read as unsigned
    // is out of reach, so it never clears.
    if (transcript.autoClearSize != 0 &&
        transcript.output.Length() >= static_cast<std::uint32_t>(transcript.autoClearSize)) {
        // The pane may go on showing the old text until the next line.
        transcript.output.Retire();
        transcript.lines.Clear();
        transcript.paneStale = true;
    }
}

}  // namespace

void PrintLine(ClientContext& ctx, std::string_view text, bool isStatus)
{
    Grow(ctx.transcript, "");
    AddLine(ctx, ComposePrintLine(isStatus ? Prefix(ctx) : std::string(), text, isStatus), isStatus,
            isStatus ? LineKind::Status : LineKind::Plain);
}

void PrintModuleLine(ClientContext& ctx, std::string_view text, bool isStatus)
{
    Grow(ctx.transcript, "");
    AddLine(ctx, ComposePrintLine(isStatus ? Prefix(ctx) : std::string(), text, isStatus), isStatus,
            LineKind::Module);
}

void GrowForIm(ClientContext& ctx)
{
    Grow(ctx.transcript, kImSeed);
}

void PrintImLine(ClientContext& ctx, std::string_view screenName, std::string_view text, bool incoming,
                 std::string_view peer, bool automatic)
{
    const MessageText message{std::string(text), StripMarkup(text), text.find('<') != std::string_view::npos};
    PrintShownImLine(ctx, screenName, message, incoming, peer, automatic);
}

void PrintShownImLine(ClientContext& ctx, std::string_view screenName, const MessageText& message, bool incoming,
                      std::string_view peer, bool automatic)
{
    // Normally done by the caller; never append to a transcript that is absent.
    if (!ctx.transcript.output.Exists())
        GrowForIm(ctx);
    LineKind kind = incoming ? LineKind::Incoming : LineKind::Outgoing;
    if (automatic)
        kind = incoming ? LineKind::AutoIncoming : LineKind::AutoOutgoing;
    // The name is the peer's or the server's text; the message is shown as
    // it came, its links' addresses kept beside it.
    std::vector<LineLink> links;
    if (message.mayLink)
        links = MarkupLinks(message.body);
    // The line is made in the spare buffer, whose room stays from line to
    // line; a line printed from inside this one finds none and makes its own.
    std::string line = std::move(ctx.transcript.spareLine);
    line.clear();
    AppendImLine(line, Prefix(ctx), VisibleText(screenName), message.shown, incoming);
    AddLine(ctx, line, false, kind, NormalizeName(peer.empty() ? screenName : peer), links);
    ctx.transcript.spareLine = std::move(line);
}

void RefreshOutputPane(ClientContext& ctx)
{
    ctx.Window().ShowOutputText(ctx.transcript.output.Text());
    ctx.transcript.paneStale = false;
    // Nothing shows the text an auto-clear retired any more.
    ctx.transcript.output.DropRetired();
}

void ClearTranscript(ClientContext& ctx)
{
    if (!ctx.transcript.output.Exists())
        return;
    // Retired rather than cleared: the pane reads the old text once more as
    // it lets go of it.
    ctx.transcript.output.Retire();
    ctx.transcript.lines.Clear();
    RefreshOutputPane(ctx);
}

void FlushLog(ClientContext& ctx)
{
    ctx.transcript.log.Flush();
    ReportLogWriteFailure(ctx);
}
