// Flood: the server announces many distinct buddies at once (UPDATE_BUDDY),
// in ascending, descending or random name order. Measured: the time from the
// server's first write until the online list shows every name (laid out and
// painted), and the longest the event loop went without turning meanwhile,
// seen by a 10 ms timer: how long the window would leave a key press waiting.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include "burst_frames.h"
#include "name_order.h"
#include "process_stats.h"
#include "runs.h"
#include "server_process.h"
#include "window_client.h"

namespace bench {

namespace {

std::vector<std::string> ShownNames(const QAbstractItemView& view)
{
    std::vector<std::string> names;
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.push_back(model->data(model->index(row, 0)).toString().toStdString());
    return names;
}

// The list shows exactly the names it held before and the flood's names, in
// the list's order.
bool CheckList(const std::vector<std::string>& before, const std::vector<std::string>& shown, std::size_t count)
{
    std::vector<std::string> expected = before;
    for (std::size_t i = 0; i < count; ++i)
        expected.push_back(FloodName(i));
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return NameSortsBefore(a, b); });
    if (shown != expected) {
        std::fprintf(stderr, "flood: the online list does not show the names in order (%zu rows, %zu expected)\n",
                     shown.size(), expected.size());
        return false;
    }
    return true;
}

}  // namespace

int RunFlood(std::size_t count, const std::string& orderName)
{
    FloodOrder order;
    if (count == 0 || !ParseFloodOrder(orderName, order))
        return 2;
    ServerProcess server;
    if (!server.Start()) {
        std::fprintf(stderr, "flood: the server did not start\n");
        return 1;
    }
    ClientProcess process;
    if (!process.Start("flood", server.Port(), false))
        return 1;
    QAbstractItemView& view = *process.Client().Window().findChild<QListView*>(QStringLiteral("onlineList"));
    const std::vector<std::string> before = ShownNames(view);
    const int target = static_cast<int>(before.size() + count);

    // The longest gap between two turns of the event loop, as a timer sees it.
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.start();
    });
    sinceTick.start();
    ticker.start();

    const CpuSample cpuBefore = SampleSelf();
    server.RequestFlood(count, orderName);
    const bool arrived = WindowClient::RunUntil([&] { return view.model()->rowCount() >= target; }, 120000);
    // Shown: laid out and painted.
    view.doItemsLayout();
    view.viewport()->repaint();
    const std::int64_t end = NowNs();
    const CpuSample cpuAfter = SampleSelf();
    longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
    ticker.stop();
    const std::int64_t start = server.BurstStartNs();
    if (!arrived || start <= 0) {
        std::fprintf(stderr, "flood: the list shows %d of %d names\n", view.model()->rowCount(), target);
        return 1;
    }
    WindowClient::Settle(100);
    if (!CheckList(before, ShownNames(view), count))
        return 1;
    const std::string name = "flood." + orderName + "." + std::to_string(count);
    PrintFigure(name + ".shown", static_cast<double>(end - start) / 1e6, "ms");
    PrintFigure(name + ".longest_stall", static_cast<double>(longestGapNs) / 1e6, "ms");
    // The client's own CPU time: steadier than the wall clock on a busy machine.
    PrintFigure(name + ".client_cpu", (cpuAfter.cpuSeconds - cpuBefore.cpuSeconds) * 1e3, "ms");
    server.Stop();
    return 0;
}

}  // namespace bench
