// Replacing settings files: a failed write leaves the old file byte for byte
// and no temporary file behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_file.h"
#include "faulty_files.h"
#include "settings_files.h"
#include "temp_dir.h"

namespace {

struct FailureCase {
    const char* name;
    // Prepares the folder and returns the path to write.
    std::function<std::string(TempDir&)> prepare;
    bool injectEnospc;
    int expectedErrno;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class AtomicWriteFailure : public ::testing::TestWithParam<FailureCase> {};

// Both settings files take the same path through the writer; each case runs
// for both and for the writer itself.
TEST_P(AtomicWriteFailure, LeavesTheOldFileAndNoTemporaryFile)
{
    const FailureCase& c = GetParam();
    const std::string oldBytes = std::string("old\0content\xFF\r\n", 15);

    struct Writer {
        const char* name;
        std::function<bool(const std::string&)> write;
    };
    UserInfo info{};
    SetFieldText(info.screenName, "new");
    FaultyFiles files;
    const Writer writers[] = {
        {"SaveUserInfo", [&](const std::string& p) { return SaveUserInfo(info, p, files); }},
        {"SaveBuddyList", [&](const std::string& p) { return SaveBuddyList("new\n", p, files); }},
        {"WriteFileAtomically", [&](const std::string& p) { return WriteFileAtomically(p, "new", 0644, files); }},
    };
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        ASSERT_TRUE(dir.Ok());
        const std::string path = c.prepare(dir);
        struct stat before {};
        const bool existed = stat(path.c_str(), &before) == 0 && S_ISREG(before.st_mode);
        if (existed) {
            ASSERT_EQ(ReadBytes(path), oldBytes);
        }
        const auto namesBefore = dir.Names();

        if (c.injectEnospc)
            files.FailNextWrite(ENOSPC);
        errno = 0;
        EXPECT_FALSE(w.write(path));
        EXPECT_EQ(errno, c.expectedErrno);

        EXPECT_EQ(dir.Names(), namesBefore);  // nothing added, nothing removed
        if (existed) {
            EXPECT_EQ(ReadBytes(path), oldBytes);
            struct stat after {};
            ASSERT_EQ(stat(path.c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino);  // the very same file, not a copy
        }
    }
}

std::string OldFile(TempDir& dir)
{
    const std::string path = dir.Path("settings.cfg");
    WriteBytes(path, std::string("old\0content\xFF\r\n", 15));
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtomicWriteFailure,
    ::testing::Values(
        FailureCase{"DiskFull", OldFile, true, ENOSPC},
        FailureCase{"MissingFolder", [](TempDir& dir) { return dir.Path("missing/settings.cfg"); }, false, ENOENT},
        // The rename cannot replace a folder that holds a file.
        FailureCase{"RenameFails",
                    [](TempDir& dir) {
                        const std::string path = dir.Path("settings.cfg");
                        mkdir(path.c_str(), 0700);
                        WriteBytes(path + "/inside", "x");
                        return path;
                    },
                    false, EISDIR}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWrite, AFailedWriteLeavesNothingInTheWayOfTheNext)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string path = dir.Path("blist.cfg");
    FaultyFiles files;
    files.FailNextWrite(ENOSPC);
    EXPECT_FALSE(SaveBuddyList("a\n", path, files));
    EXPECT_TRUE(SaveBuddyList("b\n", path, files));
    EXPECT_EQ(ReadBytes(path), "b\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"blist.cfg"});
}

TEST(AtomicWrite, ReplacesContentAndSetsTheModeWhateverTheUmask)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string path = dir.Path("blist.cfg");
    WriteBytes(path, std::string(5000, 'x'));  // longer than the new content
    const mode_t oldMask = umask(0077);
    const bool ok = SaveBuddyList("short\n", path);
    umask(oldMask);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ReadBytes(path), "short\n");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"blist.cfg"});
}

TEST(AtomicWrite, RelativePathWritesIntoTheCurrentFolder)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    ASSERT_EQ(chdir(dir.Path("").c_str()), 0);
    UserInfo info{};
    const bool ok = SaveUserInfo(info, kUserInfoFile);
    const int back = chdir(cwd);
    free(cwd);
    ASSERT_EQ(back, 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")).size(), 3472u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"userinfo.cfg"});
}

// ---------------------------------------------------------------- links and odd files

bool IsLink(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

struct LinkCase {
    const char* name;
    // Makes dir/settings.cfg lead to a file; returns that file's path.
    std::function<std::string(TempDir&)> prepare;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class SaveThroughLink : public ::testing::TestWithParam<LinkCase> {};

// The user's link stays a link, the file it leads to gets the new content,
// and no temporary file is left in either folder.
TEST_P(SaveThroughLink, WritesTheTargetAndKeepsTheLink)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    ASSERT_EQ(mkdir(dir.Path("real").c_str(), 0700), 0);
    const std::string target = GetParam().prepare(dir);
    const std::string link = dir.Path("settings.cfg");

    ASSERT_EQ(ReplaceFile(link, "new\n", 0600), FileWriteFailure::None);
    EXPECT_TRUE(IsLink(link));
    EXPECT_EQ(ReadBytes(target), "new\n");
    EXPECT_EQ(ReadBytes(link), "new\n");
    std::string resolved;
    ASSERT_TRUE(ResolveWriteTarget(link, resolved));
    struct stat a {}, b {};
    ASSERT_EQ(stat(resolved.c_str(), &a), 0);
    ASSERT_EQ(stat(target.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(b.st_mode & 07777, 0600u);
    for (const std::string& name : dir.Names())
        EXPECT_FALSE(name.starts_with(".")) << name;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("real")))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveThroughLink,
    ::testing::Values(
        LinkCase{"RelativeLink",
                 [](TempDir& dir) {
                     WriteBytes(dir.Path("real/settings"), "old");
                     EXPECT_EQ(symlink("real/settings", dir.Path("settings.cfg").c_str()), 0);
                     return dir.Path("real/settings");
                 }},
        LinkCase{"AbsoluteLink",
                 [](TempDir& dir) {
                     WriteBytes(dir.Path("real/settings"), "old");
                     EXPECT_EQ(symlink(dir.Path("real/settings").c_str(), dir.Path("settings.cfg").c_str()), 0);
                     return dir.Path("real/settings");
                 }},
        // A link to a link, the second relative to its own folder.
        LinkCase{"ChainOfLinks",
                 [](TempDir& dir) {
                     WriteBytes(dir.Path("real/settings"), "old");
                     EXPECT_EQ(symlink("settings", dir.Path("real/hop").c_str()), 0);
                     EXPECT_EQ(symlink("real/hop", dir.Path("settings.cfg").c_str()), 0);
                     return dir.Path("real/settings");
                 }},
        // A link to a file not yet written: the file is created where it leads.
        LinkCase{"DanglingLink",
                 [](TempDir& dir) {
                     EXPECT_EQ(symlink("real/settings", dir.Path("settings.cfg").c_str()), 0);
                     return dir.Path("real/settings");
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWrite, NeverReplacesAFifoOrADevice)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string fifo = dir.Path("blist.cfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string device = dir.Path("userinfo.cfg");
    ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
    const std::string loop = dir.Path("loop.cfg");
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);

    EXPECT_FALSE(SaveBuddyList("bob\n", fifo));
    UserInfo info{};
    EXPECT_FALSE(SaveUserInfo(info, device));
    errno = 0;
    EXPECT_EQ(ReplaceFile(loop, "x", 0644), FileWriteFailure::Open);
    EXPECT_EQ(errno, ELOOP);

    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(IsLink(device));
    EXPECT_TRUE(IsLink(loop));
    EXPECT_EQ(dir.Names().size(), 3u);  // no temporary file anywhere
}

TEST(AtomicWrite, TellsAFailedStartFromAFailedWrite)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(ReplaceFile(dir.Path("missing/out.txt"), "x", 0644), FileWriteFailure::Open);
    FaultyFiles files;
    files.FailNextWrite(EIO);
    EXPECT_EQ(ReplaceFile(dir.Path("out.txt"), "x", 0644, files), FileWriteFailure::Write);
    EXPECT_EQ(errno, EIO);
    EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
