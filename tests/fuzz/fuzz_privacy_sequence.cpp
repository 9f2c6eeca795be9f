// libFuzzer target: the order and timing of privacy commands. The block
// list's own code and the client's pacer on a clock the input turns, with a
// server whose permit/deny state is modelled from every command the client
// sends, through pauses, new SIGN_ONs and reconnects.
//
// Input: two bytes give the length of a blocklst.cfg (up to its 8,191-byte
// limit); those bytes follow; then one step per two bytes (what happens, and
// a name or an amount of time).
//
// The properties:
//  - once the server denies a listed name, it denies it at every moment
//    after, until the name leaves the list or the connection ends. Each step
//    of the input is one moment: the commands of one change leave within a
//    step, back to back, and are never split across steps;
//  - no automatic reply goes to a listed name, or to one the server denies;
//  - a block is in the file before the user is told of it;
//  - when nothing waits, the server denies exactly the listed names.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "block_list.h"
#include "fuzz_check.h"
#include "normalize_name.h"
#include "privacy_model.h"
#include "send_pacer.h"

namespace {

enum class Link { Offline, Online, Paused };

struct Run;

class ModelHost final : public HostServices {
public:
    explicit ModelHost(Run& run) : run_(run) {}
    void SendInputLine(const char*, const char*, int) override {}
    void PrintStatus(const char* text) override;
    void PrintText(const char*) override {}
    const char* GetOutputText() override { return nullptr; }
    int SendCommand(const char* text) override;
    bool AddOnlineName(const char*) override { return true; }
    bool RemoveOnlineName(const char*) override { return true; }
    void Disconnect() override {}
    void SetAwayText(const char*) override {}

private:
    Run& run_;
};

struct Run {
    std::int64_t now = 1;
    Link link = Link::Offline;
    bool modulesConnecting = false;
    bool away = true;
    PrivacyModel server;
    std::set<std::string> inForce;  // listed names the server has denied on this connection
    shun::BlockList list;
    std::string saved;
    ModelHost host{*this};
    SendPacer pacer{[this](const std::string& command) { return Wire(command); }};

    Run() { pacer.SetClock([this] { return now; }); }

    int Wire(const std::string& command)
    {
        if (link != Link::Online)
            return -1;
        server.Apply(command);
        const std::string to = PrivacyModel::AutomaticRecipient(command);
        if (!to.empty())
            FUZZ_CHECK(!list.Lists(to) && !server.Denies(to));
        return 0;
    }

    void CheckInForce()
    {
        std::set<std::string> still;
        for (const std::string& name : inForce) {
            if (!list.Lists(name))
                continue;  // unblocked since
            FUZZ_CHECK(server.Denies(name));
            still.insert(name);
        }
        for (const std::string& name : server.list) {
            if (server.Denies(name) && list.Lists(name))
                still.insert(name);
        }
        inForce = std::move(still);
    }

    int Send(const std::string& command)
    {
        if (link == Link::Offline)
            return -1;  // nothing waits for a connection
        if (modulesConnecting)
            return Wire(command);
        return pacer.Send(command);  // while paused it keeps privacy changes only
    }

    // What the client does at each SIGN_ON: after a pause the changes that
    // waited, then the modules' OnConnect.
    void SignOn()
    {
        const bool resumed = link == Link::Paused;
        link = Link::Online;
        if (resumed)
            pacer.Resume();
        else
            pacer.Reset();
        modulesConnecting = true;
        list.SendServerState(host);
        modulesConnecting = false;
    }

    void Message(const std::string& sender)
    {
        if (link != Link::Online || !away || !IsValidScreenName(sender) || list.Lists(sender))
            return;  // the block list's OnSendIM refuses automatic sends to listed names
        pacer.Send("toc_send_im " + NormalizeName(sender) + " \"away\" auto");
    }

    void Command(std::string_view word, const std::string& name)
    {
        const SendPacer::Unit change(pacer);
        list.HandleCommand(word, name, host, [this] { saved = list.Text(); });
    }

    void CheckSettled()
    {
        if (link != Link::Online || pacer.Waiting() != 0)
            return;
        for (const std::string& name : server.list)
            FUZZ_CHECK(server.Denies(name) == list.Lists(name));
        if (server.permitMode)
            FUZZ_CHECK(false);  // nothing the block list sends leaves permit mode in place
    }
};

void ModelHost::PrintStatus(const char* text)
{
    FUZZ_CHECK(text != nullptr);
    constexpr std::string_view kAdded = "User added to block list: ";
    const std::string_view line = text;
    if (line.starts_with(kAdded)) {
        const std::string name(line.substr(kAdded.size(), line.size() - kAdded.size() - 1));
        FUZZ_CHECK(run_.saved.find(name + "\n") != std::string::npos);
    }
}

int ModelHost::SendCommand(const char* text)
{
    FUZZ_CHECK(text != nullptr);
    return run_.Send(text);
}

const char* const kNames[] = {"spammer", "ex", "Bob Smith", "bobsmith", "carol", "a", "D@n_1.x-y", "eve"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::size_t fileSize = ((static_cast<std::size_t>(data[0]) << 8) | data[1]) % (shun::kMaxListBytes + 1);
    fileSize = std::min(fileSize, size - 2);
    Run run;
    run.list.SetText(std::string(reinterpret_cast<const char*>(data) + 2, fileSize));
    run.saved = run.list.Text();
    for (std::size_t at = 2 + fileSize; at + 1 < size; at += 2) {
        const std::uint8_t what = data[at];
        const std::uint8_t arg = data[at + 1];
        const std::string name = kNames[arg % std::size(kNames)];
        run.CheckInForce();
        switch (what % 10) {
        case 0:
            run.Command("block", name);
            break;
        case 1:
            run.Command("unblock", name);
            break;
        case 2:
        case 3:
            run.Message(name);
            break;
        case 4:
            run.now += static_cast<std::int64_t>(arg) * 100;
            run.pacer.SendDue();
            break;
        case 5:  // PAUSE: the modules hear of a disconnect, nothing waiting goes
            if (run.link == Link::Online) {
                run.link = Link::Paused;
                run.pacer.Pause();
            }
            break;
        case 6:  // SIGN_ON: after the client's own sign-on or a pause only
            if (run.link != Link::Online) {
                if (run.link == Link::Offline) {
                    run.server = PrivacyModel{};
                    run.inForce.clear();
                }
                run.SignOn();
            }
            break;
        case 7:  // the connection drops
            run.link = Link::Offline;
            run.pacer.Reset();
            break;
        case 8:
            run.away = !run.away;
            if (!run.away)
                run.pacer.DropAutomaticReplies();
            break;
        default:
            run.now += 60 * SendPacer::kIntervalMs;
            run.pacer.SendDue();
            run.CheckSettled();
            break;
        }
    }
    run.CheckInForce();
    run.now += 1000 * SendPacer::kIntervalMs;
    run.pacer.SendDue();
    run.CheckInForce();
    run.CheckSettled();
    return 0;
}
