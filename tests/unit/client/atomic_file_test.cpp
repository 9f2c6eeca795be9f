// Replacing settings files: a failed write leaves the old file byte for byte
// and no temporary file behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_file.h"
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
    const Writer writers[] = {
        {"SaveUserInfo", [&](const std::string& p) { return SaveUserInfo(info, p); }},
        {"SaveBuddyList", [](const std::string& p) { return SaveBuddyList("new\n", p); }},
        {"WriteFileAtomically", [](const std::string& p) { return WriteFileAtomically(p, "new", 0644); }},
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
            FailNextAtomicWriteForTesting(ENOSPC);
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

TEST(AtomicWrite, InjectedFailureHitsOnlyTheNextWrite)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string path = dir.Path("blist.cfg");
    FailNextAtomicWriteForTesting(ENOSPC);
    EXPECT_FALSE(SaveBuddyList("a\n", path));
    EXPECT_TRUE(SaveBuddyList("b\n", path));
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
    const bool ok = SaveUserInfo(info);  // the default name, "userinfo.cfg"
    const int back = chdir(cwd);
    free(cwd);
    ASSERT_EQ(back, 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBytes(dir.Path("userinfo.cfg")).size(), 3472u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"userinfo.cfg"});
}

}  // namespace
