// quenlo_bench: what a user of the client feels, measured on 127.0.0.1.
// Every figure is the median over --runs runs (growth and idle run once) and
// is printed as one line: name, value, unit. Each measurement runs in a
// child process of its own (this program again, with --child), so every run
// starts from a fresh client.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ceiling.h"
#include "child_process.h"
#include "notify_service.h"
#include "process_stats.h"
#include "runs.h"
#include "startup.h"
#include "temp_folder.h"

namespace {

using namespace bench;

constexpr std::size_t kBurstSizes[] = {1000, 20000, 100000};
constexpr std::size_t kFloodSize = 100000;
constexpr const char* kFloodOrders[] = {"ascending", "descending", "random"};
constexpr std::size_t kBlackBoxSize = 100000;
constexpr int kIdleSeconds = 10;
const std::set<std::string> kGroups = {"burst", "blackbox", "flood", "growth", "idle", "startup"};

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: quenlo_bench [--runs N] [--only GROUP]...\n"
                 "Measures the client on 127.0.0.1 and prints one line per figure: name, value, unit.\n"
                 "GROUP is burst, blackbox, flood, growth, idle or startup (default: all). Burst,\n"
                 "black-box, flood and start-up figures are medians of N runs (default 3); growth\n"
                 "and idle run once. The black-box group runs the client in a real window on an X\n"
                 "display (Xvfb, or QUENLO_BENCH_DISPLAY) with a notification service on a private\n"
                 "D-Bus session, its window active and then another window in front, and a bare C\n"
                 "reader as the floor; it prints the ratios between them.\n");
}

// Figures in the order first reported, each with every run's value.
class Figures {
public:
    void Add(const std::string& name, double value, const std::string& unit)
    {
        if (values_.find(name) == values_.end()) {
            order_.push_back(name);
            units_[name] = unit;
        }
        values_[name].push_back(value);
    }
    // Lines "name value unit" as the child runs print them.
    void AddLines(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines) {
            std::istringstream in(line);
            std::string name;
            double value = 0;
            std::string unit;
            if (in >> name >> value >> unit)
                Add(name, value, unit);
        }
    }
    void PrintMedians() const
    {
        for (const std::string& name : order_)
            PrintFigure(name, Median(name), units_.at(name).c_str());
    }
    // The ratio of two figures' medians, when both were measured.
    void PrintRatio(const std::string& name, const std::string& over, const std::string& under) const
    {
        if (values_.count(over) != 0 && values_.count(under) != 0 && Median(under) > 0)
            PrintFigure(name, Median(over) / Median(under), "x");
    }

private:
    double Median(const std::string& name) const
    {
        std::vector<double> values = values_.at(name);
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    std::vector<std::string> order_;
    std::map<std::string, std::vector<double>> values_;
    std::map<std::string, std::string> units_;
};

bool RunMeasurement(const std::string& self, std::vector<std::string> args, Figures& figures)
{
    args.insert(args.begin(), {self, "--child"});
    const ChildRun run = RunChild(args);
    figures.AddLines(run.lines);
    if (run.exitCode != 0) {
        std::fprintf(stderr, "quenlo_bench: the %s run failed (exit %d)\n", args[2].c_str(), run.exitCode);
        return false;
    }
    return true;
}

int RunChildMode(int argc, char** argv)
{
    const std::string what = argc > 2 ? argv[2] : "";
    if (what == "burst" && argc == 5)
        return RunBurst(std::strtoull(argv[3], nullptr, 10), std::strcmp(argv[4], "on") == 0);
    if (what == "flood" && argc == 5)
        return RunFlood(std::strtoull(argv[3], nullptr, 10), argv[4]);
    if (what == "growth")
        return RunGrowth(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1000000);
    if (what == "idle" && argc == 4)
        return RunIdle(std::atoi(argv[3]));
    if (what == "blackbox" && argc == 5)
        return RunBlackBox(std::strtoull(argv[3], nullptr, 10), argv[4]);
    if (what == "blackbox_client" && argc == 5)
        return RunBlackBoxClient(std::atoi(argv[3]), std::strcmp(argv[4], "active") == 0);
    if (what == "notify_service")
        return RunNotifyService();
    std::fprintf(stderr, "quenlo_bench: unknown child run\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Always offscreen, in the children and in the spawned client alike.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::signal(SIGPIPE, SIG_IGN);
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return RunChildMode(argc, argv);

    int runs = 3;
    std::set<std::string> groups;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
            if (runs < 1 || runs > 50) {
                std::fprintf(stderr, "quenlo_bench: --runs takes a number from 1 to 50\n");
                return 2;
            }
        } else if (arg == "--only" && i + 1 < argc && kGroups.count(argv[i + 1]) != 0) {
            groups.insert(argv[++i]);
        } else {
            PrintUsage(stderr);
            return 2;
        }
    }
    if (groups.empty())
        groups = kGroups;
    const std::string self = ExecutablePath();
    const std::string binDir = self.substr(0, self.rfind('/'));
    const std::int64_t began = NowNs();
    Figures figures;
    bool ok = true;

    if (groups.count("burst") != 0) {
        for (int run = 0; run < runs; ++run) {
            for (std::size_t count : kBurstSizes) {
                const double ceiling = MeasureCeiling(count);
                if (ceiling > 0)
                    figures.Add("burst.ceiling." + std::to_string(count), ceiling, "IM/s");
                else
                    ok = false;
                ok = RunMeasurement(self, {"burst", std::to_string(count), "off"}, figures) && ok;
                ok = RunMeasurement(self, {"burst", std::to_string(count), "on"}, figures) && ok;
            }
        }
    }
    if (groups.count("blackbox") != 0) {
        // Alternating, so a slower moment of the machine touches all three alike.
        for (int run = 0; run < runs; ++run) {
            for (const char* who : {"active", "inactive", "c_floor"})
                ok = RunMeasurement(self, {"blackbox", std::to_string(kBlackBoxSize), who}, figures) && ok;
        }
    }
    if (groups.count("flood") != 0) {
        for (int run = 0; run < runs; ++run) {
            for (const char* order : kFloodOrders)
                ok = RunMeasurement(self, {"flood", std::to_string(kFloodSize), order}, figures) && ok;
        }
    }
    if (groups.count("growth") != 0)
        ok = RunMeasurement(self, {"growth"}, figures) && ok;
    if (groups.count("idle") != 0)
        ok = RunMeasurement(self, {"idle", std::to_string(kIdleSeconds)}, figures) && ok;
    if (groups.count("startup") != 0) {
        TempFolder profile;
        if (!profile.Ok() || !PrepareStartupProfile(profile.Path())) {
            std::fprintf(stderr, "quenlo_bench: cannot prepare a profile folder\n");
            ok = false;
        } else {
            MeasureStartup(binDir + "/quenlo", profile.Path());  // warms the file cache
            for (int run = 0; run < runs; ++run) {
                const StartupFigures startup = MeasureStartup(binDir + "/quenlo", profile.Path());
                if (startup.milliseconds < 0) {
                    ok = false;
                    break;
                }
                figures.Add("startup.time", startup.milliseconds, "ms");
                figures.Add("rss_peak.startup", startup.peakRssMiB, "MiB");
            }
        }
    }
    figures.PrintMedians();
    if (groups.count("blackbox") != 0) {
        const std::string name = "blackbox.distinct_senders." + std::to_string(kBlackBoxSize);
        figures.PrintRatio("blackbox.ratio.inactive_to_active", name + ".inactive.logged", name + ".logged");
        figures.PrintRatio("blackbox.ratio.client_to_c_floor", name + ".logged", name + ".c_floor.logged");
        figures.PrintRatio("blackbox.ratio.inactive_to_c_floor", name + ".inactive.logged", name + ".c_floor.logged");
    }
    std::fprintf(stderr, "quenlo_bench: %s in %.1f s (%d run%s)\n", ok ? "done" : "FAILED",
                 static_cast<double>(NowNs() - began) / 1e9, runs, runs == 1 ? "" : "s");
    return ok ? 0 : 1;
}
