#include "output.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "printer.h"
#include "transcript_state.h"
#include "user_info.h"
#include "message_text.h"
#include "transcript.h"
#include "visible_text.h"

namespace {

constexpr std::string_view kLogFailed = "Failed to open log path for writing. Logging is being disabled.";

// Before a line: an absent transcript starts, with the seed. A transcript
// born with a seed holds text the pane has not seen, so the next pane
// update must put the whole transcript.
void StartIfAbsent(TranscriptState& transcript, std::string_view seed)
{
    if (!transcript.output.Exists() && !seed.empty())
        transcript.paneStale = true;
    transcript.output.StartIfAbsent(seed);
}

std::string Prefix(const Printer& out)
{
    return TimestampPrefix(out.OutputSettings().timestamp != 0, out.Transcript().clock());
}

// The pane reads the transcript where it lies: it is told of each line
// added, so one addition costs the same whatever the transcript's size; a
// stale pane is given the whole transcript once.
void UpdatePane(const Printer& out, std::string_view line)
{
    if (out.Transcript().paneStale)
        RefreshOutputPane(out);
    else
        out.Window().OutputTextAppended(line);
}

// A log that stopped taking lines (a full disk) is reported once; logging
// goes on, so the file gets lines again when it can.
void ReportLogWriteFailure(const Printer& out)
{
    const int error = out.Transcript().log.TakeFailure();
    if (error == 0)
        return;
    std::string line = "Failed to write log file '";
    line.append(FieldText(out.OutputSettings().logPath)).append("': ").append(std::strerror(error));
    line.append(". The lines are still shown here.");
    PrintLine(out, line);
}

// Status lines reach the file at once, with whatever waits before them;
// other lines wait for the end of the turn (FlushLog).
void WriteLog(const Printer& out, std::string_view line, bool now)
{
    if (out.OutputSettings().logToFile == 0) {
        out.Transcript().log.Close();
        return;
    }
    const std::string_view path = FieldText(out.OutputSettings().logPath);
    if (now ? out.Transcript().log.Write(path, line, out.LogFolder()) : out.Transcript().log.Queue(path, line, out.LogFolder())) {
        ReportLogWriteFailure(out);
        return;
    }
    // Off first, so the message below is not itself sent to the log.
    out.OutputSettings().logToFile = 0;
    PrintLine(out, kLogFailed, true);
}

// Steps shared by every kind of line, once the transcript exists: the text
// and its record, the pane, the log, then whoever reads lines.
void AddLine(const Printer& out, std::string_view line, bool isStatus, LineKind kind = LineKind::Status,
             std::string_view peer = {}, const std::vector<LineLink>& links = {})
{
    TranscriptState& transcript = out.Transcript();
    TranscriptLines& lines = transcript.lines;
    const TranscriptLine record{transcript.output.Length(), static_cast<std::int64_t>(transcript.clock()),
                                lines.PeerId(peer), kind};
    transcript.output.Append(line);
    lines.Add(record, links);
    if (lines.onLine)
        lines.onLine(PrintedLine{record, lines.PeerName(record.peer), line, links});
    UpdatePane(out, line);
    // Without a window there is no turn to wait for.
    WriteLog(out, line, isStatus || !out.Window().HasScreen());
    transcript.scrollPending = true;
    out.Window().RequestPump(0);
    // The size is a count set by the user; a negative value read as unsigned
    // is out of reach, so it never clears.
    if (transcript.autoClearSize != 0 &&
        transcript.output.Length() >= static_cast<std::uint32_t>(transcript.autoClearSize)) {
        // The pane may go on showing the old text until the next line.
        transcript.output.EmptyKeepingOldText();
        transcript.lines.Clear();
        transcript.paneStale = true;
    }
}

}  // namespace

void PrintLine(const Printer& out, std::string_view text, bool isStatus)
{
    StartIfAbsent(out.Transcript(), "");
    AddLine(out, ComposePrintLine(isStatus ? Prefix(out) : std::string(), text, isStatus), isStatus,
            isStatus ? LineKind::Status : LineKind::Plain);
}

void PrintModuleLine(const Printer& out, std::string_view text, bool isStatus)
{
    StartIfAbsent(out.Transcript(), "");
    AddLine(out, ComposePrintLine(isStatus ? Prefix(out) : std::string(), text, isStatus), isStatus,
            LineKind::Module);
}

void StartTranscriptForIm(const Printer& out)
{
    StartIfAbsent(out.Transcript(), kImTranscriptStart);
}

void PrintImLine(const Printer& out, std::string_view screenName, std::string_view text, bool incoming,
                 std::string_view peer, bool automatic)
{
    const MessageText message{std::string(text), StripMarkup(text), text.find('<') != std::string_view::npos};
    PrintShownImLine(out, screenName, message, incoming, peer, automatic);
}

void PrintShownImLine(const Printer& out, std::string_view screenName, const MessageText& message, bool incoming,
                      std::string_view peer, bool automatic)
{
    // Normally done by the caller; never append to a transcript that is absent.
    if (!out.Transcript().output.Exists())
        StartTranscriptForIm(out);
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
    TranscriptState& transcript = out.Transcript();
    std::string line = std::move(transcript.spareLine);
    line.clear();
    if (IsVisibleAsIs(screenName))
        AppendImLine(line, Prefix(out), screenName, message.shown, incoming);
    else
        AppendImLine(line, Prefix(out), VisibleText(screenName), message.shown, incoming);
    AddLine(out, line, false, kind, peer.empty() ? screenName : peer, links);
    transcript.spareLine = std::move(line);
}

void RefreshOutputPane(const Printer& out)
{
    out.Window().ShowOutputText(out.Transcript().output.Text());
    out.Transcript().paneStale = false;
    // Nothing shows the text an auto-clear retired any more.
    out.Transcript().output.DropOldText();
}

void ClearTranscript(const Printer& out)
{
    if (!out.Transcript().output.Exists())
        return;
    // Retired rather than cleared: the pane reads the old text once more as
    // it lets go of it.
    out.Transcript().output.EmptyKeepingOldText();
    out.Transcript().lines.Clear();
    RefreshOutputPane(out);
}

void FlushLog(const Printer& out)
{
    out.Transcript().log.Flush();
    ReportLogWriteFailure(out);
}
