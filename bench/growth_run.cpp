// Transcript growth: what one instant-message line costs, from PrintImLine
// until the pane shows it and has scrolled and repainted, with 1,000,
// 100,000 and 1,000,000 lines already in the transcript; and at 1,000 lines
// what a line of 2,000 characters costs, taller than the pane once wrapped.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>


#include <QLineEdit>

#include "client_context.h"
#include "find_bar.h"
#include "main_dialog.h"
#include "transcript_pane.h"
#include "output.h"
#include "process_stats.h"
#include "runs.h"
#include "window_client.h"

namespace bench {

namespace {

constexpr std::string_view kSender = "Growth Sender";
constexpr std::size_t kSamples = 300;
constexpr std::size_t kFillBatch = 10000;
constexpr std::size_t kLongSamples = 100;
constexpr std::size_t kLongLength = 2000;  // characters of the long lines' text, blanks among them

// The index comes first and the rest is words, so a line's end tells it apart.
std::string LongText(std::size_t index)
{
    std::string text = "Long line " + std::to_string(index);
    while (text.size() < kLongLength)
        text += " word" + std::to_string(text.size() % 89);
    text.resize(kLongLength);
    return text;
}

std::string Body(std::size_t index)
{
    char text[96];
    std::snprintf(text, sizeof text, "<HTML><BODY><FONT SIZE=2>Growth line %07zu of the bench</FONT></BODY></HTML>",
                  index);
    return text;
}

std::string Shown(std::size_t index)
{
    char text[64];
    std::snprintf(text, sizeof text, "<-Growth Sender:  Growth line %07zu of the bench", index);
    return text;
}

void AddLine(ClientContext& ctx, std::size_t index)
{
    StartTranscriptForIm(ctx.Out());
    PrintImLine(ctx.Out(), kSender, Body(index), true);
}

// Runs the event loop until the pane shows a line ending so and the scroll
// has happened, then once more for the repaint.
bool DrainTo(WindowClient& client, const std::string& tail)
{
    ClientContext& ctx = client.Context();
    for (int turn = 0; turn < 1000; ++turn) {
        if (!ctx.transcript.scrollPending && EndsWith(client.PaneLastLine(), tail)) {
            QCoreApplication::processEvents();
            return true;
        }
        QCoreApplication::processEvents();
    }
    return false;
}

bool Drain(WindowClient& client, std::size_t index)
{
    return DrainTo(client, Shown(index));
}

// Median of the microseconds.
double Median(std::vector<double>& costs)
{
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    return costs[costs.size() / 2];
}

// Median microseconds of one long line added to the transcript as it is now.
double SampleLongLineCost(WindowClient& client)
{
    std::vector<double> costs;
    for (std::size_t i = 0; i < kLongSamples; ++i) {
        const std::string text = LongText(i);
        const std::int64_t start = NowNs();
        StartTranscriptForIm(client.Context().Out());
        PrintImLine(client.Context().Out(), kSender, text, true);
        if (!DrainTo(client, text))
            return -1;
        costs.push_back(static_cast<double>(NowNs() - start) / 1000.0);
    }
    return Median(costs);
}

// Median microseconds of one line added to the transcript as it is now.
[[gnu::noinline]] double SampleLineCost(WindowClient& client, std::size_t& next)
{
    std::vector<double> costs;
    for (std::size_t i = 0; i < kSamples; ++i) {
        const std::int64_t start = NowNs();
        AddLine(client.Context(), next);
        if (!Drain(client, next))
            return -1;
        costs.push_back(static_cast<double>(NowNs() - start) / 1000.0);
        ++next;
    }
    return Median(costs);
}

// Find as you type in the main pane: each keystroke of a word recounts every
// match in the transcript and brings the first one into view. Median
// milliseconds a keystroke, over the keystrokes of a few words.
double SampleFindKeystroke(WindowClient& client)
{
    FindBar* find = client.Window().OutputFind();
    find->Open();
    std::vector<double> costs;
    for (const std::string word : {"line 0777777", "bench", "Sender:  Growth", "nowhere at all"}) {
        for (std::size_t length = 1; length <= word.size(); ++length) {
            const std::int64_t start = NowNs();
            find->WordBox()->setText(QString::fromStdString(word.substr(0, length)));
            QCoreApplication::processEvents();
            costs.push_back(static_cast<double>(NowNs() - start) / 1e6);
        }
    }
    find->Close();
    return Median(costs);
}

}  // namespace

int RunGrowth(std::size_t maxLines)
{
    ClientProcess process;
    if (!process.Start("growth"))
        return 1;
    WindowClient& client = process.Client();
    ClientContext& ctx = client.Context();
    const double startRss = StatusFieldMiB("VmRSS");
    std::size_t next = 0;
    std::vector<double> costs;
    for (std::size_t level : {std::size_t{1000}, std::size_t{100000}, std::size_t{1000000}}) {
        if (level > maxLines)
            break;
        while (next < level) {
            const std::size_t batchEnd = std::min(level, next + kFillBatch);
            for (; next < batchEnd; ++next)
                AddLine(ctx, next);
            if (!Drain(client, next - 1)) {
                std::fprintf(stderr, "growth: the pane fell behind at %zu lines\n", next);
                return 1;
            }
        }
        const double cost = SampleLineCost(client, next);
        if (cost < 0) {
            std::fprintf(stderr, "growth: a line did not reach the pane\n");
            return 1;
        }
        costs.push_back(cost);
        PrintFigure("growth.line_cost.at_" + std::to_string(level), cost, "us");
        // Lines that arrive one at a time are each shown, so each keeps a layout.
        const double rss = StatusFieldMiB("VmRSS");
        const double textMiB = static_cast<double>(ctx.transcript.output.Length()) / (1024.0 * 1024.0);
        PrintFigure("rss.growth.at_" + std::to_string(level), rss, "MiB");
        PrintFigure("growth.transcript_at_" + std::to_string(level), textMiB, "MiB");
        // What the transcript costs in memory for each byte of its text.
        PrintFigure("rss.growth.per_text_byte_at_" + std::to_string(level), (rss - startRss) / textMiB, "x");
        // After the figures above, so they stay those of the short lines alone.
        if (level == 1000) {
            const double longCost = SampleLongLineCost(client);
            if (longCost < 0) {
                std::fprintf(stderr, "growth: a long line did not reach the pane\n");
                return 1;
            }
            PrintFigure("growth.long_line_cost.at_1000", longCost, "us");
        }
    }
    if (costs.size() == 3)
        PrintFigure("find.keystroke.at_1000000", SampleFindKeystroke(client), "ms");
    if (costs.size() == 3) {
        PrintFigure("growth.ratio_1000000_to_1000", costs.back() / costs.front(), "x");
        PrintFigure("rss_peak.growth_1000000", StatusFieldMiB("VmHWM"), "MiB");
    }
    return 0;
}

}  // namespace bench
