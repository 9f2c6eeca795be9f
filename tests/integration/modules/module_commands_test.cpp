// The client's command table, /help and /modules with modules that describe
// themselves (the example module) and one that does not (a recorder), the
// commands modules declare and the clashes named at load, and what a module
// is told about the profile folder.
#include <algorithm>
#include <filesystem>

#include "module_commands.h"
#include "module_harness.h"
#include "slash_commands.h"

namespace {

using ModuleCommands = ModuleHarness;

TEST(SlashCommandTable, WordsAreDistinctLowerCaseAndEachUsageStartsWithItsWord)
{
    std::vector<std::string> words;
    for (const SlashCommand& command : ClientSlashCommands()) {
        const std::string word(command.word);
        EXPECT_EQ(word, NormalizeName(word)) << "matched as typed in any case: keep the table's words lower case";
        EXPECT_TRUE(command.usage.starts_with("/" + word)) << command.usage;
        EXPECT_EQ(std::count(words.begin(), words.end(), word), 0) << word;
        words.push_back(word);
    }
    // The six the client has always had come first, in their matching order.
    ASSERT_GE(words.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + 6),
              (std::vector<std::string>{"clear", "savebuffer", "mclear", "autoreconnect", "reconnect", "away"}));
}

TEST_F(ModuleCommands, HelpAndModulesShowWhatModulesSayAndUnknownWordsStillReachThem)
{
    Install(kTestModules + "/user_hello.so", "user_hello.so");
    InstallRecorder("user_rec.so");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(LogOf("SetProfileFolderZORVANE"),
              (std::vector<std::string>{"user_rec.so|SetProfileFolderZORVANE|" +
                                        dir.Folder()}));
    EXPECT_EQ(LogOf("Initialize").size(), 1u);

    Type("/modules");
    EXPECT_EQ(LinesAfter(Status("Loaded user module 'user_rec.so'.")),
              (std::vector<std::string>{Status("Loaded user modules:"),
                                        Status("  user_hello.so: Hello 1.0 - Greets whoever you name."),
                                        Status("  user_rec.so")}));

    const std::string lastLine = Lines().back();
    Type("/HELP");
    std::vector<std::string> expected{Status("Commands:")};
    for (const SlashCommand& command : ClientSlashCommands())
        expected.push_back(Status("  " + std::string(command.usage)));
    expected.push_back(Status("Commands of Hello (user_hello.so):"));
    expected.push_back(Status("  /hello [name]: greets NAME, or the world"));
    EXPECT_EQ(LinesAfter(lastLine), expected);

    // The example works through its own hook; the client's words never reach
    // a module, every other word reaches all of them.
    Type("/hello Some Body");
    EXPECT_EQ(Lines().back(), Status("Hello, somebody!"));
    Type("/nothing at all");
    EXPECT_EQ(Lines().back(), Status("Command 'nothing' is not valid."));
    EXPECT_EQ(LogOf("OnUserCommand"), (std::vector<std::string>{"user_rec.so|OnUserCommand|hello|Some Body",
                                                                "user_rec.so|OnUserCommand|nothing|at all"}));
}

TEST_F(ModuleCommands, WithoutModulesModulesSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Type("/modules");
    EXPECT_EQ(Lines().back(), Status("No user modules are loaded."));
}

TEST_F(ModuleCommands, ControlBytesInAnIdentityAreShownAndNeverBreakALine)
{
    InstallRecorder("user_d.so", "user_described");
    ASSERT_NO_FATAL_FAILURE(Start());
    Type("/modules");
    EXPECT_EQ(Lines().back(), Status("  user_d.so: Rec\\x09Name - line one\\x0aline two"));
    const std::string lastLine = Lines().back();
    Type("/help");
    const std::vector<std::string> help = LinesAfter(lastLine);
    EXPECT_EQ(std::vector<std::string>(help.end() - 3, help.end()),
              (std::vector<std::string>{Status("Commands of Rec\\x09Name (user_d.so):"), Status("  /a: x"),
                                        Status("  /b: y\\x0d")}));
}

TEST_F(ModuleCommands, DeclaredCommandsShowInHelpAndClashesAreNamedWhileDispatchStaysAsItWas)
{
    InstallRecorder("user_decl.so", "user_declares");
    InstallRecorder("user_old.so");  // declares nothing
    Install(kStandardModules + "/user_shun.so", "user_shun.so");
    Configure({"user_old.so|OnUserCommand:rec|1"});
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string decl = "User module 'user_decl.so'";
    EXPECT_EQ(LinesAfter(Status("Loaded user module 'user_decl.so'.")),
              (std::vector<std::string>{
                  Status(decl + ": declared command 4 ignored: it has no word."),
                  Status(decl + ": declared command 5 ignored: '/two words' holds a blank, a '/' or a control character."),
                  Status(decl + ": declared command 6 ignored: '/REC' is declared twice."),
                  Status(decl + ": declared command 7 ignored: the help of '/ok' holds a control character."),
                  Status(decl + " declares '/clear', a command of the client's own: the client answers it and no "
                                "module sees it."),
                  Status("Loaded user module 'user_old.so'."), Status("Loaded user module 'user_shun.so'."),
                  Status("User modules 'user_decl.so' and 'user_shun.so' both declare '/block': both are called "
                         "for it, 'user_decl.so' first.")}));

    const std::string lastLine = Lines().back();
    Type("/help");
    const std::vector<std::string> help = LinesAfter(lastLine);
    ASSERT_GE(help.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(help.end() - 7, help.end()),
              (std::vector<std::string>{
                  Status("Commands of user_decl.so:"), Status("  /block NAME: blocks too"),
                  Status("  /rec: records what it is given"), Status("Commands of Block list (user_shun.so):"),
                  Status("  /block NAME: blocks NAME from now on, also after the next sign-on"),
                  Status("  /unblock NAME: lifts the block on NAME"), Status("  /blocklist: lists the blocked users")}));

    ClearLog();
    Type("/clear");
    Type("/rec x");
    Type("/blocklist");
    EXPECT_EQ(LogOf("OnUserCommand"),
              (std::vector<std::string>{"user_decl.so|OnUserCommand|rec|x", "user_old.so|OnUserCommand|rec|x",
                                        "user_decl.so|OnUserCommand|blocklist|",
                                        "user_old.so|OnUserCommand|blocklist|"}));
    for (const std::string& line : Lines())
        EXPECT_EQ(line.find("is not valid"), std::string::npos) << line;
}

// What a module's declaration header says is read within the bounds it
// states: sizes too small, a lying count, a null list are refused whole; a
// newer module's bigger structs are read in its own steps.
TEST(DeclaredCommands, HeadersAreCheckedBeforeAnyEntryIsRead)
{
    struct Newer {
        UserModuleCommand known;
        const char* extra;
    };
    static const Newer newer[] = {{{"one", "/one: first"}, "x"}, {{"two", nullptr}, "y"}};
    static const UserModuleCommand plain[] = {{"a", "b"}};
    constexpr int kSize = sizeof(UserModuleCommands), kEntry = sizeof(UserModuleCommand);
    const std::string ignored = "its declared commands are ignored: ";
    const struct {
        UserModuleCommands header;
        std::vector<std::string> expected;  // help lines, or the refusal
    } cases[] = {
        {{4, kEntry, 1, plain}, {ignored + "its size field is 4, less than the 24 this client reads"}},
        {{kSize, 8, 1, plain}, {ignored + "its command size is 8, not between 16 and 1024"}},
        {{kSize, 4096, 1, plain}, {ignored + "its command size is 4096, not between 16 and 1024"}},
        {{kSize, kEntry, -1, plain}, {ignored + "its count is -1, not between 0 and 64"}},
        {{kSize, kEntry, 65, plain}, {ignored + "its count is 65, not between 0 and 64"}},
        {{kSize, kEntry, 2, nullptr}, {ignored + "its list of 2 commands is null"}},
        {{kSize + 8, static_cast<int>(sizeof(Newer)), 2, &newer[0].known}, {"/one: first", "/two"}},
    };
    for (const auto& c : cases) {
        const DeclaredCommands read = ReadDeclaredCommands(&c.header);
        std::vector<std::string> got = read.refusals;
        for (const DeclaredCommand& command : read.commands)
            got.push_back(command.help);
        EXPECT_EQ(got, c.expected);
    }
}

}  // namespace
