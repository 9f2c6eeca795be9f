// The profile folder: made where missing, entered, and known by its absolute
// path whatever form --dir took; every file the client keeps is named from it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "command_line.h"
#include "temp_dir.h"

TEST(ProfileFolder, ARelativeOrLinkedDirGivesTheFolderItself)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string base = std::filesystem::canonical(dir.Folder()).string();
    std::filesystem::create_directory(base + "/real");
    std::filesystem::create_directory_symlink("real", base + "/link");
    const std::filesystem::path started = std::filesystem::current_path();
    struct Case {
        const char* dir;
        std::string folder;
    };
    const Case cases[] = {
        {"new/deeper", base + "/new/deeper"},  // made, parents too
        {"link", base + "/real"},
        {"./real/../new", base + "/new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dir);
        std::filesystem::current_path(base);
        std::string folder;
        EXPECT_EQ(EnterProfileDir(c.dir, folder), "");
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(std::filesystem::current_path(), c.folder);
    }
    struct stat st {};
    ASSERT_EQ(stat((base + "/new/deeper").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::filesystem::current_path(base);
    std::string folder;
    ASSERT_EQ(::close(::open((base + "/file").c_str(), O_CREAT | O_WRONLY, 0600)), 0);
    EXPECT_EQ(EnterProfileDir("file", folder), "Cannot use the folder 'file': Not a directory");
    std::filesystem::current_path(started);
}
