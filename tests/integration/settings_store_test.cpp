// The settings files over a whole run of the client: a file that is there
// but cannot be read is said so and survives the run untouched; a save that
// fails at exit reaches standard error; names that are no screen names stay
// in the buddy list but never reach the server.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "atomic_file.h"
#include "buddy_list_edit.h"
#include "client_harness.h"
#include "settings_edits.h"
#include "settings_read.h"
#include "settings_store.h"
#include "stderr_capture.h"

namespace {

// What is under a name, to check that a run left it alone.
std::string Snapshot(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return "missing";
    if (S_ISFIFO(st.st_mode))
        return "fifo";
    if (S_ISDIR(st.st_mode))
        return "folder";
    if (S_ISLNK(st.st_mode))
        return "link";
    return "file:" + ReadBytes(path);
}

struct HeldCase {
    const char* name;
    const char* file;
    std::function<void(FaultyFiles&, const std::string&)> prepare;
    const char* why;
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }

// The file is prepared in the profile folder before the client starts.
class HeldSettingsFile : public ClientHarness, public ::testing::WithParamInterface<HeldCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Ok());
        WriteBytes(dir.Path("userinfo.cfg"), std::string(3472, 'u'));
        WriteBytes(dir.Path("blist.cfg"), "alice\nbob\n");
        GetParam().prepare(files, dir.Path(GetParam().file));
        ClientHarness::SetUp();
    }
};

TEST_P(HeldSettingsFile, IsReportedAndSurvivesTheRun)
{
    const HeldCase& c = GetParam();
    const std::string file = c.file;
    const std::string other = file == "userinfo.cfg" ? "blist.cfg" : "userinfo.cfg";
    const std::string before = Snapshot(dir.Path(file));
    // The defaults put a time before the line.
    const std::string line = "STATUS MESSAGE: Cannot read " + file + ": " + c.why + ".";
    const std::vector<std::string> lines = Lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.ends_with(line); }))
        << ctx.transcript.output.Text();

    // Change what the file would hold, from the dialogs.
    ApplyUserConfig(ctx.Out(), ctx.session, ctx.settings, ReadUserConfig(ctx.settings.userInfo));
    BuddyListEdit edit(ctx.settings.buddyList);
    EXPECT_EQ(edit.Add("carl"), BuddyAdd::Added);
    AcceptBuddyListEdit(ctx, edit);
    const std::string held = "not written, because it could not be read at start-up (" + std::string(c.why) + ")";
    EXPECT_EQ(TranscriptHas("STATUS MESSAGE: userinfo.cfg " + held + "."), file == "userinfo.cfg");
    EXPECT_EQ(TranscriptHas("STATUS MESSAGE: blist.cfg " + held + "."), file == "blist.cfg");

    StderrCapture err;
    ShutdownClient(ctx);
    EXPECT_EQ(Snapshot(dir.Path(file)), before);
    // The other file is saved as usual.
    EXPECT_NE(Snapshot(dir.Path(other)), "file:" + (other == "blist.cfg" ? std::string("alice\nbob\n")
                                                                         : std::string(3472, 'u')));
    ASSERT_EQ(ctx.settings.saveFailures.size(), 1u);
    EXPECT_EQ(ctx.settings.saveFailures[0].file, file);
    EXPECT_EQ(ctx.settings.saveFailures[0].why, held);
    EXPECT_NE(err.Text().find("quenlo: Could not save " + file + ": " + held + "."), std::string::npos) << err.Text();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeldSettingsFile,
    ::testing::Values(
        HeldCase{"UserInfoPermissionDenied", "userinfo.cfg",
                 [](FaultyFiles& files, const std::string& f) { files.FailOpen(f, EACCES); }, "Permission denied"},
        HeldCase{"BuddyListIoError", "blist.cfg", [](FaultyFiles& files, const std::string& f) { files.FailOpen(f, EIO); },
                 "Input/output error"},
        HeldCase{"BuddyListFifo", "blist.cfg",
                 [](FaultyFiles&, const std::string& f) {
                     std::remove(f.c_str());
                     ASSERT_EQ(mkfifo(f.c_str(), 0600), 0);
                 },
                 "Not a regular file"},
        HeldCase{"UserInfoFolder", "userinfo.cfg",
                 [](FaultyFiles&, const std::string& f) {
                     std::remove(f.c_str());
                     ASSERT_EQ(mkdir(f.c_str(), 0700), 0);
                 },
                 "Is a directory"},
        HeldCase{"BuddyListLinkLoop", "blist.cfg",
                 [](FaultyFiles&, const std::string& f) {
                     std::remove(f.c_str());
                     ASSERT_EQ(symlink(f.c_str(), f.c_str()), 0);
                 },
                 "Too many levels of symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

class SettingsAtExit : public ClientHarness {};

TEST_F(SettingsAtExit, HeldFileTheRunDidNotChangeIsNotReported)
{
    ShutdownClient(ctx);  // the harness's own start wrote nothing unusual
    WriteBytes(dir.Path("blist.cfg"), "alice\n");
    files.FailOpen(dir.Path("blist.cfg"), EACCES);
    ClientContext again;
    again.settings.profile.folder = dir.Folder();
    again.settings.files = &files;
    RecordingWindow other;
    StartClient(again, other, kLibraryPath);
    StderrCapture err;
    ShutdownClient(again);
    EXPECT_EQ(again.settings.buddyList, "");
    EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), "alice\n");  // not emptied by the save
    EXPECT_TRUE(again.settings.saveFailures.empty());
    EXPECT_EQ(err.Text(), "");
}

TEST_F(SettingsAtExit, FailedSaveReachesStandardErrorAndLeavesTheOldFile)
{
    WriteBytes(dir.Path("userinfo.cfg"), "old image");
    StderrCapture err;
    files.FailNextWrite(ENOSPC);
    ShutdownClient(ctx);
    EXPECT_TRUE(TranscriptHas("STATUS MESSAGE: Failed to write user info."));
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")), "old image");
    ASSERT_EQ(ctx.settings.saveFailures.size(), 1u);
    EXPECT_EQ(ctx.settings.saveFailures[0].file, "userinfo.cfg");
    EXPECT_EQ(ctx.settings.saveFailures[0].why, "No space left on device");
    EXPECT_EQ(err.Text(), "quenlo: Could not save userinfo.cfg: No space left on device.\n");
    EXPECT_EQ(SaveFailureText(ctx.settings.saveFailures),
              "These settings could not be saved:\n\nuserinfo.cfg: No space left on device.");
}

TEST_F(SettingsAtExit, LinkedSettingsFilesStayLinks)
{
    ASSERT_EQ(mkdir(dir.Path("real").c_str(), 0700), 0);
    ASSERT_EQ(symlink("real/userinfo", dir.Path("userinfo.cfg").c_str()), 0);
    ASSERT_EQ(symlink("real/buddies", dir.Path("blist.cfg").c_str()), 0);
    ctx.settings.buddyList = "alice\n";
    ShutdownClient(ctx);
    EXPECT_TRUE(ctx.settings.saveFailures.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("userinfo.cfg")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("blist.cfg")));
    EXPECT_EQ(ReadBytes(dir.Path("real/userinfo")).size(), 3472u);
    EXPECT_EQ(ReadBytes(dir.Path("real/buddies")), "alice\n");
}

// A userinfo.cfg that is no record of the right size, and a blist.cfg with
// NUL bytes: reported, left byte for byte through a run that changes
// nothing, and a settings change writes a whole record (the defaults where
// the short file held nothing) while the list's lines stay as they were.
TEST_F(SettingsAtExit, OddFilesStayAsTheyAreUntilTheSettingsChange)
{
    ShutdownClient(ctx);
    std::string record(3472, '\0');
    record.replace(0, 7, "someone");
    const std::string blist("bob\0alice\n\xff\n", 12);
    const std::pair<std::string, std::string> cases[] = {
        {record.substr(0, 100), "holds 100 bytes, not the 3472 of a settings record: the settings it does not hold "
                                "whole are the defaults."},
        {record + "tail", "is longer than the 3472 bytes of a settings record: only the first 3472 are read."},
    };
    for (const auto& [file, said] : cases) {
        SCOPED_TRACE(file.size());
        for (bool change : {false, true}) {
            WriteBytes(dir.Path("userinfo.cfg"), file);
            WriteBytes(dir.Path("blist.cfg"), blist);
            ClientContext run;
            run.settings.profile.folder = dir.Folder();
            RecordingWindow window;
            StartClient(run, window, kLibraryPath);
            EXPECT_NE(run.transcript.output.Text().find("STATUS MESSAGE: userinfo.cfg " + std::string(said) +
                                                        " The file is left as it is unless the settings are changed."),
                      std::string::npos);
            EXPECT_EQ(FieldText(run.settings.userInfo.screenName), "someone");
            if (change) {
                window.formatting = "<b>$</b>";
                BuddyListEdit edit(run.settings.buddyList);
                EXPECT_EQ(edit.Add("carl"), BuddyAdd::Added);
                AcceptBuddyListEdit(run, edit);
            }
            ShutdownClient(run);
            EXPECT_TRUE(run.settings.saveFailures.empty());
            if (!change) {
                EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")), file);
                EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), blist);
                continue;
            }
            UserInfo saved{};
            const std::string bytes = ReadBytes(dir.Path("userinfo.cfg"));
            ASSERT_EQ(bytes.size(), sizeof saved);
            std::memcpy(&saved, bytes.data(), sizeof saved);
            EXPECT_EQ(FieldText(saved.screenName), "someone");
            EXPECT_EQ(FieldText(saved.formatting), "<b>$</b>");
            EXPECT_EQ(saved.tocPort, file.size() < 3472 ? 9898 : 0);
            EXPECT_EQ(ReadBytes(dir.Path("blist.cfg")), blist + "carl\n");
        }
    }
}

// ---------------------------------------------------------------- names sent to the server

class BuddyNamesSent : public ClientHarness {};

TEST_F(BuddyNamesSent, CrLfListAndBadNamesAtSignOn)
{
    // A list saved on another system, with lines no screen name can be.
    ctx.settings.buddyList = "Bob\r\nal\"ice\r\ncarl\" \"x\r\n\r\nj\xF6rg\r\nback\\slash\r\nDave";
    const std::string stored = ctx.settings.buddyList;
    ASSERT_TRUE(SignOn());
    const std::vector<std::string> commands = CommandsAfterSignon();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.back(), "toc_set_config \"m 4\ng Fuckers\nb bob\nb dave\n\"");
    EXPECT_EQ(commands[0], "toc_add_buddy alicetest bob dave");
    EXPECT_EQ(Parsed("toc_add_buddy").size(), 1u);
    // Kept in the list (and so in the file), only never sent.
    EXPECT_EQ(ctx.settings.buddyList, stored);
}

TEST_F(BuddyNamesSent, EditorRefusesBadNamesAndNeverSendsOne)
{
    ctx.settings.buddyList = "bad\"name\r\nBob\r\n";
    ASSERT_TRUE(SignOn());
    const std::size_t sentBefore = Peer().commands.size();

    BuddyListEdit edit(ctx.settings.buddyList);
    // (A control character is shown, never taken as it is into the line.)
    const std::pair<const char*, const char*> names[] = {
        {"x\" \"y", "x\" \"y"}, {"back\\slash", "back\\slash"}, {"tab\tname", "tab\\x09name"}, {"   ", "   "}};
    for (const auto& [name, shown] : names) {
        EXPECT_EQ(edit.Add(name), BuddyAdd::NotAScreenName) << name;
        EXPECT_EQ(BuddyAddRefusal(BuddyAdd::NotAScreenName, name, edit.List()),
                  "Cannot add '" + std::string(shown) + "': a screen name holds only letters, digits, blanks and @._-");
    }
    // A stored bad name can still be removed; the server is not told of it.
    EXPECT_TRUE(edit.Remove("bad\"name"));
    // A CR LF entry is removed whole, and the server is told its real name.
    EXPECT_TRUE(edit.Remove("bob"));
    AcceptBuddyListEdit(ctx, edit);
    EXPECT_EQ(ctx.settings.buddyList, "");
    ASSERT_TRUE(ClientSendsArrived());
    const std::vector<std::string> sent(Peer().commands.begin() + static_cast<long>(sentBefore), Peer().commands.end());
    EXPECT_EQ(sent, std::vector<std::string>{"toc_remove_buddy bob"});
}

}  // namespace
