// A settings file that is there but cannot be read is not a missing file:
// the loaders give the defaults and a reason, so the client can leave the
// file alone. Only ENOENT (a missing file, a dangling link) counts as missing.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "settings_files.h"
#include "faulty_files.h"
#include "settings_read.h"
#include "temp_dir.h"

namespace {

struct ReadCase {
    const char* name;
    // Puts something under the path (or nothing).
    std::function<void(const TempDir&, FaultyFiles&, const std::string&)> prepare;
    std::string why;  // "": counts as missing
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class UnreadableSettingsFile : public ::testing::TestWithParam<ReadCase> {};

TEST_P(UnreadableSettingsFile, GivesTheDefaultsAndTheReason)
{
    const ReadCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    for (const char* file : {"userinfo.cfg", "blist.cfg"}) {
        SCOPED_TRACE(file);
        const std::string path = dir.Path(file);
        FaultyFiles files;
        c.prepare(dir, files, path);

        std::string why = "untouched";
        UserInfo info{};
        SetFieldText(info.screenName, "was here");
        const bool fromFile = std::string(file) == "userinfo.cfg" ? LoadUserInfo(info, path, &why, files)
                                                                  : !LoadBuddyList(path, &why, files).empty();
        EXPECT_FALSE(fromFile);
        EXPECT_EQ(why, c.why);
        if (std::string(file) == "userinfo.cfg") {
            EXPECT_EQ(FieldText(info.screenName), "");
            EXPECT_EQ(info.tocPort, 9898);
        }
    }
}

void FileWithContent(const TempDir&, const std::string& path)
{
    WriteBytes(path, "alice\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableSettingsFile,
    ::testing::Values(
        ReadCase{"Missing", [](const TempDir&, FaultyFiles&, const std::string&) {}, ""},
        ReadCase{"DanglingLinkIsMissing",
                 [](const TempDir& dir, FaultyFiles&, const std::string& path) {
                     ASSERT_EQ(symlink(dir.Path("nowhere").c_str(), path.c_str()), 0);
                 },
                 ""},
        ReadCase{"PermissionDenied",
                 [](const TempDir& dir, FaultyFiles& files, const std::string& path) {
                     FileWithContent(dir, path);
                     files.FailOpen(path, EACCES);
                 },
                 "Permission denied"},
        ReadCase{"IoError",
                 [](const TempDir& dir, FaultyFiles& files, const std::string& path) {
                     FileWithContent(dir, path);
                     files.FailOpen(path, EIO);
                 },
                 "Input/output error"},
        ReadCase{"Folder", [](const TempDir&, FaultyFiles&, const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0700), 0); },
                 "Is a directory"},
        // Opening a FIFO for reading would wait for a writer; it must not.
        ReadCase{"Fifo", [](const TempDir&, FaultyFiles&, const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
                 "Not a regular file"},
        ReadCase{"Device",
                 [](const TempDir&, FaultyFiles&, const std::string& path) { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); },
                 "Not a regular file"},
        ReadCase{"LinkLoop",
                 [](const TempDir&, FaultyFiles&, const std::string& path) {
                     ASSERT_EQ(symlink(path.c_str(), path.c_str()), 0);
                 },
                 "Too many levels of symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsRead, OpensThroughTheFileOperationsGiven)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    WriteBytes(dir.Path("a.cfg"), "a");
    WriteBytes(dir.Path("b.cfg"), "b");
    FaultyFiles files;
    files.FailOpen(dir.Path("a.cfg"), EACCES);
    constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();
    EXPECT_EQ(ReadSettingsFile(dir.Path("b.cfg"), kAll, files).bytes, "b");
    EXPECT_EQ(ReadSettingsFile(dir.Path("a.cfg"), kAll, files).outcome, SettingsRead::Outcome::Unreadable);
    const SettingsRead again = ReadSettingsFile(dir.Path("a.cfg"), kAll, files);
    EXPECT_EQ(again.outcome, SettingsRead::Outcome::Read);
    EXPECT_EQ(again.bytes, "a");
}

TEST(SettingsRead, StopsAtTheLimitAndFollowsLinks)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    WriteBytes(dir.Path("real.cfg"), std::string(100000, 'x'));
    ASSERT_EQ(symlink("real.cfg", dir.Path("link.cfg").c_str()), 0);
    EXPECT_EQ(ReadSettingsFile(dir.Path("link.cfg"), 3472).bytes.size(), 3472u);
    EXPECT_EQ(ReadSettingsFile(dir.Path("link.cfg")).bytes.size(), 100000u);
}

}  // namespace
