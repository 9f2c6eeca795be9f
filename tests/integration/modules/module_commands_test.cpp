// The client's command table, /help and /modules with modules that describe
// themselves (the example module) and one that does not (a recorder), and
// what a module is told about the profile folder.
#include <algorithm>
#include <filesystem>

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

}  // namespace
