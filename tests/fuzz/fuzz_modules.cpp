// libFuzzer target: the standard modules' own code on arbitrary input: the
// blocklst.cfg reader, the block list's slash commands and the deny commands
// it builds, and user_parley's reading of CHAT_INVITE.
//
// Input: two bytes give the length of a blocklst.cfg; those bytes follow;
// the rest is lines, each typed as a slash command ("/word arguments") and
// read as a CHAT_INVITE's argument text.
//
// The property: every command the block list sends, split as a TOC server
// splits it, is a deny or permit command naming only normalised screen
// names, fits the server's line after the library's escaping, and the deny
// list names exactly the list's sendable names.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "block_file.h"
#include "block_list.h"
#include "chat_invite.h"
#include "fuzz_check.h"
#include "normalize_name.h"
#include "answer_rate_limit.h"
#include "toc_command_line.h"
#include "toc_limits.h"

namespace {

class RecordingHost final : public HostServices {
public:
    std::vector<std::string> sent;

    void SendInputLine(const char* recipient, const char* text, int) override
    {
        FUZZ_CHECK(recipient != nullptr && text != nullptr);
    }
    void PrintStatus(const char* text) override { FUZZ_CHECK(text != nullptr); }
    void PrintText(const char* text) override { FUZZ_CHECK(text != nullptr); }
    const char* GetOutputText() override { return nullptr; }
    int SendCommand(const char* text) override
    {
        FUZZ_CHECK(text != nullptr);
        sent.emplace_back(text);
        return 0;
    }
    bool AddOnlineName(const char* name) override { return name != nullptr; }
    bool RemoveOnlineName(const char* name) override
    {
        FUZZ_CHECK(name != nullptr && IsValidScreenName(name));
        return false;
    }
    void Disconnect() override {}
    void SetAwayText(const char*) override {}
};

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        else if (end > pos && text[end - 1] == '\r')
            --end;
        lines.push_back(text.substr(pos, end - pos));
        pos = next;
    }
    return lines;
}

// The names a deny list must hold, worked out here on their own.
std::vector<std::string> SendableNames(std::string_view text)
{
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (std::string_view line : Lines(text)) {
        if (line.size() > shun::kMaxNameLength || !IsValidScreenName(line))
            continue;
        std::string name = NormalizeName(line);
        if (seen.insert(name).second)
            names.push_back(std::move(name));
    }
    return names;
}

// Each command fits the line and its words are what a server will read;
// the names it carries are appended to `names`.
void CheckCommand(const std::string& command, std::vector<std::string>* names)
{
    FUZZ_CHECK(TocWireLength(command) <= kMaxTocText);
    const std::vector<std::string> words = tocserver::SplitArguments(command);
    FUZZ_CHECK(!words.empty());
    FUZZ_CHECK(words[0] == "toc_add_deny" || words[0] == "toc_add_permit");
    std::size_t blanks = 0;
    for (char c : command)
        blanks += c == ' ' ? 1 : 0;
    FUZZ_CHECK(words.size() == blanks + 1);  // no name joins or splits a word
    for (std::size_t i = 1; i < words.size(); ++i) {
        FUZZ_CHECK(IsValidScreenName(words[i]) && NormalizeName(words[i]) == words[i]);
        if (names != nullptr)
            names->push_back(words[i]);
    }
}

char g_folder[] = "/tmp/fuzz_modules.XXXXXX";

void RemoveFolder()
{
    std::remove((std::string(g_folder) + "/" + shun::kBlockFileName).c_str());
    rmdir(g_folder);
}

// A folder of its own, removed when the fuzzer ends.
std::string FilePath()
{
    static const std::string path = [] {
        FUZZ_CHECK(mkdtemp(g_folder) != nullptr);
        std::atexit(RemoveFolder);
        return std::string(g_folder) + "/" + shun::kBlockFileName;
    }();
    return path;
}

void CheckInvitation(std::string_view arguments, parley::AnswerRateLimit& replies, std::int64_t now)
{
    const std::optional<std::string> user = parley::InvitingUser(arguments);
    std::string_view third = arguments;
    for (int field = 0; field < 2 && third.find(':') != std::string_view::npos; ++field)
        third = third.substr(third.find(':') + 1);
    const int colons = static_cast<int>(std::count(arguments.begin(), arguments.end(), ':'));
    third = third.substr(0, third.find(':'));
    if (colons < 2 || third.empty()) {
        FUZZ_CHECK(!user);
        return;
    }
    FUZZ_CHECK(user && *user == third.substr(0, parley::kMaxInvitingUser));
    // Answered at most once within the window.
    const std::string key = NormalizeName(*user);
    if (replies.ShouldAnswer(key, now))
        FUZZ_CHECK(!replies.ShouldAnswer(key, now + parley::kAnswerIntervalMs - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t fileSize = std::min<std::size_t>(input.size(), data[0] | (data[1] << 8));
    const std::string file(input.substr(0, fileSize));
    const std::string_view typed = input.substr(fileSize);

    // The reader keeps every byte of a file it takes, and takes none too big.
    {
        FILE* out = std::fopen(FilePath().c_str(), "wb");
        FUZZ_CHECK(out != nullptr);
        FUZZ_CHECK(std::fwrite(file.data(), 1, file.size(), out) == file.size());
        std::fclose(out);
    }
    shun::BlockFileContents read = shun::LoadBlockFile(FilePath());
    FUZZ_CHECK(read.state == (file.size() > shun::kMaxListBytes ? shun::BlockFileState::TooBig
                                                                : shun::BlockFileState::Loaded));
    FUZZ_CHECK(read.text == (file.size() > shun::kMaxListBytes ? std::string() : file));

    shun::BlockList list;
    list.SetText(read.text);
    RecordingHost host;
    parley::AnswerRateLimit replies;
    std::int64_t now = 0;
    for (std::string_view line : Lines(typed)) {
        line = line.substr(0, line.find('\0'));  // a C string ends there
        CheckInvitation(line, replies, now += 1000);
        if (line.empty() || line[0] != '/')
            continue;
        // As the client splits a typed command for the modules.
        const std::string_view rest = line.substr(1);
        const std::size_t blank = rest.find(' ');
        const std::string word(rest.substr(0, blank));
        const std::string arguments(blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1));
        const std::size_t before = list.Text().size();
        host.sent.clear();
        list.HandleCommand(word, arguments, host);
        for (const std::string& command : host.sent)
            CheckCommand(command, nullptr);
        // A change never makes a file the next start refuses.
        FUZZ_CHECK(list.Text().size() <= std::max(before, shun::kMaxListBytes));
        if (EqualsIgnoringCase(word, "unblock")) {
            for (std::string_view kept : Lines(list.Text()))
                FUZZ_CHECK(NormalizeName(kept) != NormalizeName(arguments) || NormalizeName(arguments).empty() ||
                           arguments.size() > shun::kMaxNameLength);
        }
    }
    std::vector<std::string> names;
    for (const std::string& command : list.DenyCommands()) {
        FUZZ_CHECK(command.starts_with("toc_add_deny "));
        CheckCommand(command, &names);
    }
    FUZZ_CHECK(names == SendableNames(list.Text()));
    return 0;
}
