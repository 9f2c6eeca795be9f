// userinfo.cfg and blist.cfg: the on-disk image, first-run defaults, odd
// file sizes and contents, and the buddy list's add and remove.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app_settings.h"
#include "settings_files.h"
#include "temp_dir.h"

namespace {

using Image = std::vector<unsigned char>;

Image ImageOf(const UserInfo& info)
{
    const auto* p = reinterpret_cast<const unsigned char*>(&info);
    return Image(p, p + sizeof info);
}

// Writes the pieces of an expected record by offset, independent of the struct.
void PutText(Image& image, std::size_t offset, std::string_view text)
{
    std::memcpy(image.data() + offset, text.data(), text.size());
}

void PutInt(Image& image, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[offset + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::string Slice(const std::string& bytes, std::size_t offset, std::size_t size)
{
    return bytes.substr(offset, size);
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.Ok()); }
    TempDir dir;
};

// ---------------------------------------------------------------- userinfo.cfg

TEST_F(SettingsFiles, SavedRecordIsTheFieldByFieldImage)
{
    UserInfo info{};
    SetFieldText(info.screenName, "Some Body");
    SetFieldText(info.password, "s3cr\xE9t pass");
    SetFieldText(info.formatting, "<b>$</b>");
    SetFieldText(info.oscarServer, "login.example");
    info.oscarPort = 0x01020304;
    SetFieldText(info.tocServer, "toc.example");
    info.tocPort = -2;
    SetFieldText(info.userProfile, "line one\nline two");
    info.logToFile = 1;
    SetFieldText(info.logPath, "/var/log/x.txt");
    info.timestamp = 0x7F000001;

    const std::string path = dir.Path("userinfo.cfg");
    ASSERT_TRUE(SaveUserInfo(info, path));
    const std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 3472u);

    struct Field {
        const char* name;
        std::size_t offset;
        std::string expected;  // the field's content followed by its terminator, or the integer's 4 bytes
    };
    const Field fields[] = {
        {"screenName", 0, std::string("Some Body\0", 10)},
        {"password", 64, std::string("s3cr\xE9t pass\0", 12)},
        {"formatting", 128, std::string("<b>$</b>\0", 9)},
        {"oscarServer", 1152, std::string("login.example\0", 14)},
        {"oscarPort", 1280, std::string("\x04\x03\x02\x01", 4)},
        {"tocServer", 1284, std::string("toc.example\0", 12)},
        {"tocPort", 1412, std::string("\xFE\xFF\xFF\xFF", 4)},
        {"userProfile", 1416, std::string("line one\nline two\0", 18)},
        {"logToFile", 2440, std::string("\x01\x00\x00\x00", 4)},
        {"logPath", 2444, std::string("/var/log/x.txt\0", 15)},
        {"timestamp", 3468, std::string("\x01\x00\x00\x7F", 4)},
    };
    for (const Field& f : fields)
        EXPECT_EQ(Slice(bytes, f.offset, f.expected.size()), f.expected) << f.name;

    // The password is readable as text in the file, and only its owner may read it.
    EXPECT_NE(bytes.find("s3cr\xE9t pass"), std::string::npos);
    EXPECT_EQ(ModeOf(path), 0600u);

    UserInfo back;
    std::memset(&back, 0x5A, sizeof back);
    EXPECT_TRUE(LoadUserInfo(back, path));
    EXPECT_EQ(ImageOf(back), ImageOf(info));
}

TEST_F(SettingsFiles, SaveTightensAnOldFilesMode)
{
    const std::string path = dir.Path("userinfo.cfg");
    WriteBytes(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    UserInfo info{};
    ASSERT_TRUE(SaveUserInfo(info, path));
    EXPECT_EQ(ModeOf(path), 0600u);
}

TEST_F(SettingsFiles, FirstRunGivesTheDefaults)
{
    UserInfo info;
    std::memset(&info, 0xA5, sizeof info);  // whatever was there before
    EXPECT_FALSE(LoadUserInfo(info, dir.Path("userinfo.cfg")));

    EXPECT_EQ(FieldText(info.screenName), "");
    EXPECT_EQ(FieldText(info.password), "");
    EXPECT_EQ(FieldText(info.formatting), "$");
    EXPECT_EQ(FieldText(info.oscarServer), "localhost");
    EXPECT_EQ(info.oscarPort, 5190);
    EXPECT_EQ(FieldText(info.tocServer), "localhost");
    EXPECT_EQ(info.tocPort, 9898);
    EXPECT_EQ(FieldText(info.userProfile), "<br>");
    EXPECT_EQ(info.logToFile, 0);
    EXPECT_EQ(FieldText(info.logPath), "zorvane_log.txt");
    EXPECT_EQ(info.timestamp, 1);

    // Every byte the table does not set is zero.
    Image expected(3472, 0);
    PutText(expected, 128, "$");
    PutText(expected, 1152, "localhost");
    PutInt(expected, 1280, 5190);
    PutText(expected, 1284, "localhost");
    PutInt(expected, 1412, 9898);
    PutText(expected, 1416, "<br>");
    PutText(expected, 2444, "zorvane_log.txt");
    PutInt(expected, 3468, 1);
    EXPECT_EQ(ImageOf(info), expected);

    EXPECT_EQ(LoadBuddyList(dir.Path("blist.cfg")), "");
}

TEST_F(SettingsFiles, AFolderNamedLikeTheFileCountsAsMissing)
{
    ASSERT_EQ(mkdir(dir.Path("userinfo.cfg").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(dir.Path("blist.cfg").c_str(), 0700), 0);
    UserInfo info{};
    EXPECT_FALSE(LoadUserInfo(info, dir.Path("userinfo.cfg")));
    EXPECT_EQ(info.tocPort, 9898);
    EXPECT_EQ(LoadBuddyList(dir.Path("blist.cfg")), "");
}

// A file of another size than the record: the fields it holds whole are
// taken, the others are the defaults (never zeros), nothing past 3,472
// bytes is used, and the caller learns the size.
class UserInfoFileSize : public SettingsFiles, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(UserInfoFileSize, TakesWholeFieldsAndDefaultsTheRest)
{
    const std::size_t size = GetParam();
    std::string file(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        file[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    const std::string path = dir.Path("userinfo.cfg");
    WriteBytes(path, file);

    UserInfo defaults;
    SetUserInfoDefaults(defaults);
    Image expected = ImageOf(defaults);
    // Field ends by offset; a field cut by the file's end keeps its default.
    const std::size_t ends[] = {64, 128, 1152, 1280, 1284, 1412, 1416, 2440, 2444, 3468, 3472};
    std::size_t begin = 0;
    for (std::size_t end : ends) {
        if (end <= size) {
            for (std::size_t i = begin; i < end; ++i)
                expected[i] = static_cast<unsigned char>(file[i]);
        }
        begin = end;
    }

    UserInfo info{};
    std::size_t seen = 0;
    EXPECT_TRUE(LoadUserInfo(info, path, nullptr, SystemFileOps(), &seen));
    EXPECT_EQ(ImageOf(info), expected);
    EXPECT_EQ(seen, std::min<std::size_t>(size, 3473));
}

INSTANTIATE_TEST_SUITE_P(Sizes, UserInfoFileSize,
                         ::testing::Values(0u, 1u, 64u, 1300u, 3471u, 3472u, 3473u, 10000u));

TEST_F(SettingsFiles, AllHighBytesAreReadWithinEachFieldsWidth)
{
    for (std::size_t size : {std::size_t{3472}, std::size_t{10000}}) {
        SCOPED_TRACE(size);
        const std::string path = dir.Path("userinfo.cfg");
        WriteBytes(path, std::string(size, '\xFF'));
        UserInfo info;
        SetUserInfoDefaults(info);
        ASSERT_TRUE(LoadUserInfo(info, path));

        // No terminator anywhere: each text ends at its own width.
        EXPECT_EQ(FieldText(info.screenName), std::string(64, '\xFF'));
        EXPECT_EQ(FieldText(info.password), std::string(64, '\xFF'));
        EXPECT_EQ(FieldText(info.formatting), std::string(1024, '\xFF'));
        EXPECT_EQ(FieldText(info.oscarServer), std::string(128, '\xFF'));
        EXPECT_EQ(FieldText(info.tocServer), std::string(128, '\xFF'));
        EXPECT_EQ(FieldText(info.userProfile), std::string(1024, '\xFF'));
        EXPECT_EQ(FieldText(info.logPath), std::string(1024, '\xFF'));
        for (std::int32_t value : {info.oscarPort, info.tocPort, info.logToFile, info.timestamp})
            EXPECT_EQ(value, -1);
    }
}

// ---------------------------------------------------------------- blist.cfg

struct BuddyFileCase {
    const char* name;
    std::string file;
    std::string list;
};

void PrintTo(const BuddyFileCase& c, std::ostream* os) { *os << c.name; }

class BuddyListFile : public SettingsFiles, public ::testing::WithParamInterface<BuddyFileCase> {};

TEST_P(BuddyListFile, LoadsEveryByteAndSavesItBackUnchanged)
{
    const BuddyFileCase& c = GetParam();
    const std::string path = dir.Path("blist.cfg");
    WriteBytes(path, c.file);
    const std::string list = LoadBuddyList(path);
    EXPECT_EQ(list, c.list);

    // What was loaded is what a later save writes: no name is lost.
    ASSERT_TRUE(SaveBuddyList(list, path));
    EXPECT_EQ(ReadBytes(path), c.list);
    EXPECT_EQ(ModeOf(path), 0644u);
}

std::string LongList()
{
    std::string list;
    for (int i = 0; list.size() < 300000; ++i)
        list += "buddy" + std::to_string(i) + "\n";
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Contents, BuddyListFile,
    ::testing::Values(
        BuddyFileCase{"Empty", "", ""},
        BuddyFileCase{"Plain", "alice\nBob Smith\n", "alice\nBob Smith\n"},
        BuddyFileCase{"NoFinalLineBreak", "alice\nbob", "alice\nbob"},
        BuddyFileCase{"HighBytesDoNotEndTheList", "j\xF6rg\n\x80\xFF\nzed\n", "j\xF6rg\n\x80\xFF\nzed\n"},
        BuddyFileCase{"NulBytesAreKept", std::string("bob\0alice\n\0bob\n\0", 16),
                      std::string("bob\0alice\n\0bob\n\0", 16)},
        BuddyFileCase{"CrLfKeptAsIs", "alice\r\nbob\r\n", "alice\r\nbob\r\n"},
        BuddyFileCase{"BlankLinesAndDuplicates", "\n\nbob\nBOB\n\n", "\n\nbob\nBOB\n\n"},
        BuddyFileCase{"LongerThanTheOldLimitIsKeptWhole", LongList(), LongList()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuddyListLongFile, IsLongerThanTheOldLimit)
{
    // Guards the case above: it must really pass 262,143 characters.
    EXPECT_GT(LongList().size(), 262143u);
}

// ---------------------------------------------------------------- AddBuddy / RemoveBuddy

struct EditCase {
    const char* name;
    bool add;  // AddBuddy, or RemoveBuddy
    std::string list;
    std::string screenName;
    bool changed;
    std::string after;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class BuddyListEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(BuddyListEdit, ComparesByNormalisedName)
{
    const EditCase& c = GetParam();
    std::string list = c.list;
    const bool changed = c.add ? AddBuddy(list, c.screenName) : RemoveBuddy(list, c.screenName);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(list, c.after);
}

const std::string k1023(1023, 'n');
const std::string k1024(1024, 'n');

INSTANTIATE_TEST_SUITE_P(
    Cases, BuddyListEdit,
    ::testing::Values(
        EditCase{"AddToEmptyKeepsTheNameAsWritten", true, "", "Some Body", true, "Some Body\n"},
        EditCase{"AddSameNormalisedNameRefused", true, "somebody\n", "Some Body", false, "somebody\n"},
        EditCase{"AddAppendsAtTheEnd", true, "alice\n", "Bob", true, "alice\nBob\n"},
        EditCase{"AddMatchesALastEntryWithoutLf", true, "alice\nbob", "B OB", false, "alice\nbob"},
        EditCase{"AddAfterALastEntryWithoutLfKeepsNamesApart", true, "alice\nbob", "carol", true,
                 "alice\nbob\ncarol\n"},
        EditCase{"AddMatchesACrLfEntry", true, "bob\r\nal\r\n", "Bob", false, "bob\r\nal\r\n"},
        EditCase{"AddHighBytesCompareExactly", true, "j\xF6rg\n", "J\xF6RG", false, "j\xF6rg\n"},
        EditCase{"AddHighByteRefused", true, "j\xF6rg\n", "j\xD6rg", false, "j\xF6rg\n"},
        // A name goes into commands: nothing that could end or add an argument.
        EditCase{"AddQuoteRefused", true, "a\n", "bo\"b", false, "a\n"},
        EditCase{"AddBackslashRefused", true, "a\n", "bo\\b", false, "a\n"},
        EditCase{"AddBraceRefused", true, "a\n", "bo{b}", false, "a\n"},
        EditCase{"AddTabRefused", true, "a\n", "bo\tb", false, "a\n"},
        EditCase{"AddCrRefused", true, "a\n", "bob\r", false, "a\n"},
        EditCase{"AddEveryAllowedCharacter", true, "", "Az 09@._-", true, "Az 09@._-\n"},
        EditCase{"AddNameOf1023Characters", true, "", k1023, true, k1023 + "\n"},
        EditCase{"AddNameOf1024CharactersRefused", true, "a\n", k1024, false, "a\n"},
        EditCase{"AddNameWithLineBreakRefused", true, "a\n", "b\nc", false, "a\n"},
        EditCase{"AddBlanksOnlyRefused", true, "a\n", "   ", false, "a\n"},
        EditCase{"AddEmptyRefused", true, "", "", false, ""},
        EditCase{"RemoveByCapitals", false, "Some Body\nother\n", "SOME BODY", true, "other\n"},
        EditCase{"RemoveFirstMatchOnly", false, "Bob\nalice\nB OB\n", "bob", true, "alice\nB OB\n"},
        EditCase{"RemoveLastEntryWithoutLf", false, "alice\nbob", "bob", true, "alice\n"},
        EditCase{"RemoveFirstEntryBeforeOneWithoutLf", false, "alice\nbob", "alice", true, "bob"},
        EditCase{"RemoveCrLfEntryWithItsLineEnd", false, "al\r\nbob\r\ncy\r\n", "BOB", true, "al\r\ncy\r\n"},
        EditCase{"RemoveNoPrefixMatch", false, "bobby\nbob\n", "bob", true, "bobby\n"},
        EditCase{"RemoveNoMatch", false, "alice\n", "bob", false, "alice\n"},
        EditCase{"RemoveFromEmpty", false, "", "bob", false, ""},
        EditCase{"RemoveEmptyNameTouchesNoBlankLine", false, "\nbob\n", "", false, "\nbob\n"},
        EditCase{"RemoveLongEntry", false, "a\n" + k1024 + "\nb\n", k1024, true, "a\nb\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuddyListNamesTest, ListsEntriesWithoutLineEnds)
{
    struct Case {
        std::string list;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"", {}},
        {"alice\nBob Smith\n", {"alice", "Bob Smith"}},
        {"alice\r\n\r\n\nbob", {"alice", "bob"}},
        {"a\rb\n", {"a\rb"}},  // a CR inside a name is part of it
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuddyListNames(c.list), c.names) << c.list;
}

}  // namespace

// ---------------------------------------------------------------- quenlo.ini

// The presence settings read back; a threshold out of range or no number is
// brought into range or left at its default, and other groups' keys stay.
TEST_F(SettingsFiles, PresenceSettingsInTheIniFile)
{
    const Profile profile{dir.Folder()};
    const struct {
        const char* minutes;
        int read;
    } cases[] = {{"5", 5}, {"0", 1}, {"99999", 1440}, {"soon", 10}};
    for (const auto& c : cases) {
        std::FILE* file = std::fopen(dir.Path("quenlo.ini").c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "[presence]\nidle_minutes=%s\nreport_idle=false\n[sounds]\nenabled=false\n", c.minutes);
        std::fclose(file);
        AppSettings settings = LoadAppSettings(profile);
        EXPECT_EQ(settings.presence.idleMinutes, c.read) << c.minutes;
        EXPECT_FALSE(settings.presence.reportIdle);
        settings.presence.showOffline = true;
        ASSERT_EQ(SaveAppSettings(profile, settings), "");
        const AppSettings again = LoadAppSettings(profile);
        EXPECT_TRUE(again.presence.showOffline);
        EXPECT_FALSE(again.sounds.enabled);
        EXPECT_EQ(again.presence.idleMinutes, c.read);
    }
}
