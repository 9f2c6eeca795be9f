// The input line: slash commands, composition, sending to the selection,
// history, away, Warn and Info, reconnect.
#include <cerrno>
#include <filesystem>
#include <utility>
#include <fstream>
#include <unistd.h>

#include "atomic_file.h"

#include "client_harness.h"
#include "input_history.h"
#include "input_line.h"
#include "output.h"

namespace {

class InputLineTest : public ClientHarness {
protected:
    void Type(const std::string& line)
    {
        window.input = line;
        SubmitInputLine(ctx);
    }
    std::string LastLine() const
    {
        const auto lines = Lines();
        return lines.empty() ? std::string() : lines.back();
    }
};

TEST(ComposeMessage, TemplateSplitsAtTheFirstDollar)
{
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"hi", "<b>$</b>", "<b>hi</b>"},
        {"hi", "$", "hi"},
        {"hi", "", "hi"},
        {"hi", "[no dollar]", "[no dollar]hi"},
        {"hi", "<i>$-$</i>", "<i>hi-$</i>"},
        {"one\\ntwo", "<b>$</b>", "<b>one<BR>two</b>"},
    };
    for (const auto& [text, formatTemplate, expected] : cases)
        EXPECT_EQ(ComposeMessage(text, formatTemplate), expected) << formatTemplate;
}

TEST(ComposeMessage, BackslashNBecomesABreakExceptAtTheStartOrAfterABackslash)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\\nb", "a\nb"},
        {"\\nstart", "\\nstart"},
        {"a\\\\nb", "a\\\\nb"},
        {"x\\n\\ny", "x\n\ny"},
        {"end\\", "end\\"},
        {"\\", "\\"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ExpandBackslashN(text), expected) << text;
    EXPECT_EQ(NewlinesToBreaks(std::string(3000, 'a')).size(), 2047u);
    EXPECT_EQ(NewlinesToBreaks("a\nb\n"), "a<BR>b<BR>");
}

TEST(InputHistory, KeepsSixtyFourAndWalksBothWays)
{
    InputHistory history;
    for (int i = 1; i <= 65; ++i)
        history.Push("line " + std::to_string(i));
    std::vector<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        const auto text = history.Step(true);
        ASSERT_TRUE(text.has_value());
        seen.push_back(*text);
    }
    EXPECT_EQ(seen.front(), "line 65");
    EXPECT_EQ(seen.back(), "line 2");  // line 1 fell off
    EXPECT_FALSE(history.Step(true).has_value());
    for (int i = 63; i > 0; --i)
        EXPECT_EQ(history.Step(false), "line " + std::to_string(66 - i));
    EXPECT_EQ(history.Step(false), "");
    EXPECT_FALSE(history.Step(false).has_value());
}

TEST(InputHistory, RecallStopsAtTheOldestStoredLine)
{
    InputHistory history;
    history.Push("a");
    history.Push("a");
    EXPECT_EQ(history.Step(true), "a");
    EXPECT_EQ(history.Step(true), "a");
    EXPECT_FALSE(history.Step(true).has_value());
    history.Push("b");
    EXPECT_FALSE(history.Step(false).has_value()) << "a new line returns the recall to the fresh line";
    EXPECT_EQ(history.Step(true), "b");
}

TEST_F(InputLineTest, CommandsMatchWithoutRegardToCase)
{
    Type("/autoreconnect");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoreconnect enabled.");
    Type("/AutoReconnect");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoreconnect disabled.");
    Type("/CLEAR");
    EXPECT_TRUE(ctx.transcript.output.Exists());
    EXPECT_TRUE(ctx.transcript.output.Text().empty());
    EXPECT_EQ(window.pane, "");
}

TEST_F(InputLineTest, UnknownAndEmptyWordsAreNotValid)
{
    Type("/");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Command '' is not valid.");
    Type("/frobnicate now please");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Command 'frobnicate' is not valid.");
    Type("/%s%n");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Command '%s%n' is not valid.");
}

TEST_F(InputLineTest, MclearSetsTheAutoClearSize)
{
    Type("/mclear");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: mclear command expects byte count as argument. Use 0 to disabled.");
    Type("/mclear 0");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoclearing of disabled.");
    Type("/mclear letters");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoclearing of disabled.");
    EXPECT_EQ(ctx.transcript.autoClearSize, 0);
    Type("/mclear 5000x");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoclearing of buffer after 5000 bytes enabled.");
    Type("/mclear -5");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Autoclearing of buffer after -5 bytes enabled.");
    // Compared as an unsigned count, a negative size never clears.
    for (int i = 0; i < 50; ++i)
        PrintLine(ctx.Out(), "filler line");
    EXPECT_GT(ctx.transcript.output.Length(), 1000u);
}

TEST_F(InputLineTest, SavebufferWritesTheTranscript)
{
    Type("/savebuffer");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: savebuffer command requires file path as argument.");
    Type("/clear");
    Type("/savebuffer " + dir.Path("empty.txt"));
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Buffer is empty, nothing to save.");
    const std::string missing = dir.Path("no/such/folder/out.txt");
    Type("/savebuffer " + missing);
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Failed to open file '" + missing + "'.");
    const std::string before = ctx.transcript.output.Text();
    Type("/savebuffer " + dir.Path("saved.txt"));
    EXPECT_EQ(ReadBytes(dir.Path("saved.txt")), before);
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Saved current buffer to '" + dir.Path("saved.txt") + "'.");
}

// The client never relies on its working directory: a relative name the user
// gives (a saved transcript, the log) lies in the profile folder.
TEST_F(InputLineTest, RelativeNamesLieInTheProfileFolder)
{
    ctx.settings.userInfo.logToFile = 1;
    SetFieldText(ctx.settings.userInfo.logPath, "relative_log.txt");
    PrintLine(ctx.Out(), "logged");
    Type("/savebuffer relative_saved.txt");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Saved current buffer to 'relative_saved.txt'.");
    for (const char* name : {"relative_log.txt", "relative_saved.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(ReadBytes(dir.Path(name)).find("STATUS MESSAGE: logged"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(name)) << "written into the working directory";
    }
}

// A failed write must not be reported as saved, nor leave half a file: the
// earlier file of that name stays as it was, and no temporary file remains.
TEST_F(InputLineTest, SaveBufferWriteFailureLeavesTheOldFileAndSaysSo)
{
    PrintLine(ctx.Out(), "something to save");
    struct Case {
        const char* name;
        int error;
    };
    for (const Case& c : {Case{"DiskFull", ENOSPC}, Case{"IoError", EIO}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path("saved.txt");
        WriteBytes(path, "the old file\n");
        files.FailNextWrite(c.error);
        Type("/savebuffer " + path);
        EXPECT_EQ(LastLine(), "STATUS MESSAGE: Failed to write file '" + path + "'.");
        EXPECT_EQ(ReadBytes(path), "the old file\n");
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
    // A link is written through, and stays a link.
    const std::string target = dir.Path("kept.txt");
    ASSERT_EQ(symlink(target.c_str(), dir.Path("link.txt").c_str()), 0);
    const std::string before = ctx.transcript.output.Text();
    Type("/savebuffer " + dir.Path("link.txt"));
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.txt")));
}

TEST_F(InputLineTest, OfflineLineIsStoredAndCleared)
{
    Type("hello there");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Not logged on.");
    EXPECT_EQ(window.input, "");
    HistoryStep(ctx.history, ctx.Window(), true);
    EXPECT_EQ(window.input, "hello there");
    HistoryStep(ctx.history, ctx.Window(), false);
    EXPECT_EQ(window.input, "");
}

TEST_F(InputLineTest, EmptyOrBlankLineDoesNothing)
{
    ASSERT_TRUE(SignOn());
    server.SendData(0, "UPDATE_BUDDY:bob:T:0:0:0: O");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return window.OnlineCount() == 2; }));
    window.Select("bob");
    const std::size_t before = Lines().size();
    for (const char* line : {"", "   ", " \t "}) {
        Type(line);
        EXPECT_EQ(window.input, line);
    }
    EXPECT_EQ(Lines().size(), before);
    EXPECT_TRUE(Parsed("toc_send_im").empty());
    HistoryStep(ctx.history, ctx.Window(), true);
    EXPECT_EQ(window.input, " \t ");  // nothing was stored to recall
}

std::string Repeat(std::string_view piece, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The first `characters` characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t characters)
{
    std::size_t at = 0;
    for (std::size_t n = 0; at < text.size() && n <= characters; ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && n++ == characters)
            break;
    }
    return text.substr(0, at);
}

struct TooLongCase {
    const char* formatting;
    std::string line;
    std::size_t characters;
};

// A typed message that would not fit one command line is refused whole,
// stays in the input line, and says how much can be sent: exactly that
// many characters then go out whole, and one more is refused.
TEST_F(InputLineTest, TooLongMessageIsRefusedWithTheMostThatCanBeSent)
{
    ASSERT_TRUE(SignOn());
    server.SendData(0, "UPDATE_BUDDY:Bob Smith:T:0:0:0: O");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return window.OnlineCount() == 2; }));
    window.Select("Bob Smith");
    const TooLongCase cases[] = {
        {"$", std::string(2100, 'x'), 2100},       {"<b>$</b>", std::string(2100, 'x'), 2100},
        {"$", std::string(1100, '"'), 1100},       {"$", Repeat("\\n", 600), 1200},
        {"$", Repeat("\xc3\xa9", 2100), 2100},     {"[$]", std::string(1100, '$'), 1100},
    };
    std::size_t sent = 0;
    for (const TooLongCase& c : cases) {
        SCOPED_TRACE(std::string(c.formatting) + " " + c.line.substr(0, 4));
        window.formatting = c.formatting;
        Type(c.line);
        const std::string said = LastLine();
        const std::string start = "STATUS MESSAGE: Message too long: " + std::to_string(c.characters) +
                                  " characters, at most ";
        ASSERT_TRUE(said.starts_with(start) && said.ends_with(" can be sent.")) << said;
        const std::size_t most = std::stoul(said.substr(start.size()));
        EXPECT_EQ(window.input, c.line);
        EXPECT_EQ(Parsed("toc_send_im").size(), sent);

        Type(FirstCharacters(c.line, most + 1));
        EXPECT_TRUE(LastLine().starts_with("STATUS MESSAGE: Message too long: " + std::to_string(most + 1)));
        const std::string fits = FirstCharacters(c.line, most);
        Type(fits);
        ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_send_im").size() == sent + 1; }));
        ++sent;
        EXPECT_EQ(window.input, "");
        const std::string& wire = Peer().commands.back();
        EXPECT_LE(wire.size(), 2047u);
        EXPECT_TRUE(wire.ends_with("\"")) << wire.substr(wire.size() - 8);
        EXPECT_EQ(Parsed("toc_send_im").back().at(2), ComposeMessage(fits, c.formatting));
    }
}

TEST_F(InputLineTest, MessageGoesToEverySelectedNameInListOrder)
{
    ASSERT_TRUE(SignOn());
    Type("nobody selected");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: No one selected in list.");
    for (const char* name : {"carl", "Bob Smith", "alice"})
        server.SendData(0, std::string("UPDATE_BUDDY:") + name + ":T:0:0:0: O");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return window.OnlineCount() == 4; }));  // and our own name
    for (const char* name : {"carl", "Bob Smith", "alice"})
        window.Select(name);
    window.formatting = "<b>$</b>";
    Type("hi\\nall");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_send_im").size() == 3; }));
    const auto sends = Parsed("toc_send_im");
    EXPECT_EQ(sends[0], std::vector<std::string>({"toc_send_im", "alice", "<b>hi<BR>all</b>"}));
    EXPECT_EQ(sends[1], std::vector<std::string>({"toc_send_im", "bobsmith", "<b>hi<BR>all</b>"}));
    EXPECT_EQ(sends[2], std::vector<std::string>({"toc_send_im", "carl", "<b>hi<BR>all</b>"}));
    EXPECT_TRUE(TranscriptHas("carl->:  hi all"));
}

TEST_F(InputLineTest, AwayTextIsSentEscapedAndRepliedExactly)
{
    ASSERT_TRUE(SignOn());
    window.formatting = "<i>$</i>";
    Type("/away say \"hi\" {later} \\n $5 [ok]");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Away message set. Use /away with no arguments to unset.");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_set_away").empty(); }));
    const std::string meant = "<i>say \"hi\" {later} <BR> $5 [ok]</i>";
    EXPECT_EQ(Parsed("toc_set_away")[0], std::vector<std::string>({"toc_set_away", meant}));
    EXPECT_EQ(ctx.away.Text(), meant);

    server.SendData(0, "IM_IN:Bob:F:hello?");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    EXPECT_EQ(Parsed("toc_send_im")[0], std::vector<std::string>({"toc_send_im", "bob", meant, "auto"}));

    Type("/away");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Away flag is unset.");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_away").size() == 2; }));
    EXPECT_EQ(Parsed("toc_set_away")[1], std::vector<std::string>({"toc_set_away"}));
    EXPECT_FALSE(ctx.away.IsAway());
}

// Quoted texts the client composes are cut between whole escapes, so
// each command keeps its closing quote (and an away reply its " auto"),
// and the user hears of a cut away text.
TEST_F(InputLineTest, LongQuotedTextsKeepTheirClosingQuote)
{
    SetFieldText(ctx.settings.userInfo.userProfile, std::string(1023, '$'));
    ASSERT_TRUE(SignOn());
    Type("/away " + std::string(1500, '"'));
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Away message too long: only its first 1016 of its 1500 characters are used.");
    server.SendData(0, "IM_IN:alice:F:hello?");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_send_im").empty(); }));
    const std::pair<const char*, const char*> ends[] = {
        {"toc_set_info", "$\""}, {"toc_set_away", "\\\"\""}, {"toc_send_im", "\\\"\" auto"}};
    for (const auto& [word, end] : ends) {
        SCOPED_TRACE(word);
        std::string wire;
        for (const std::string& command : Peer().commands) {
            if (command.starts_with(std::string(word) + " "))
                wire = command;
        }
        EXPECT_LE(wire.size(), 2047u);
        EXPECT_GE(wire.size(), 2047u - 3);
        EXPECT_TRUE(wire.ends_with(end)) << wire.substr(wire.size() - 8);
    }
    EXPECT_EQ(Parsed("toc_set_away").back().at(1), std::string(1016, '"'));
}

TEST_F(InputLineTest, AwayArgumentBlanks)
{
    Type("/away ");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Away flag is unset.");
    EXPECT_FALSE(ctx.away.IsAway());
    Type("/away  text");
    EXPECT_TRUE(ctx.away.IsAway());
    EXPECT_EQ(ctx.away.Text(), " text");
}

TEST_F(InputLineTest, InfoAndWarnOnTheSelection)
{
    ASSERT_TRUE(SignOn());
    server.SendData(0, "UPDATE_BUDDY:Bob Smith:T:0:0:0: O");
    ASSERT_TRUE(WaitForLine("STATUS MESSAGE: Bob Smith signed on."));
    window.Select("Bob Smith");
    ActOnSelected(ctx.Out(), ctx.session, ctx.online, UserAction::Info);
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Requesting info for Bob Smith...");
    EXPECT_EQ(ctx.session.pendingProfileRequests, 1);
    // The fake server answers with one GOTO_URL: the window is asked to fetch it.
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.pendingProfileRequests == 0; }));
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Fetching the profile of bobsmith...");
    ASSERT_EQ(window.profiles.size(), 1u);
    EXPECT_EQ(window.profiles[0].second,
              "http://127.0.0.1:" + std::to_string(server.Port()) + "/info?user=bobsmith");
    EXPECT_EQ(Parsed("toc_get_info")[0], std::vector<std::string>({"toc_get_info", "bobsmith"}));

    ActOnSelected(ctx.Out(), ctx.session, ctx.online, UserAction::Warn);
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Warning Bob Smith.");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return !Parsed("toc_evil").empty(); }));
    EXPECT_EQ(Parsed("toc_evil")[0], std::vector<std::string>({"toc_evil", "bobsmith", "norm"}));
}

TEST_F(InputLineTest, InfoAndWarnOfflineReportFailure)
{
    RequestInfo(ctx.Out(), ctx.session, "bob");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Failed to request userinfo.");
    WarnUser(ctx.Out(), ctx.session, "bob");
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: Failed to send warn.");
    EXPECT_EQ(ctx.session.pendingProfileRequests, 0);
    ActOnSelected(ctx.Out(), ctx.session, ctx.online, UserAction::Info);
    EXPECT_EQ(LastLine(), "STATUS MESSAGE: No one selected in list.");
}

TEST_F(InputLineTest, ReconnectSignsOnAgainWithoutAnAutomaticAttempt)
{
    ASSERT_TRUE(SignOn(0));
    ctx.session.reconnect.SetAutomatic(true);
    Type("/reconnect");
    EXPECT_FALSE(ctx.session.reconnect.Automatic());
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return ctx.session.connectionStatus == STATUS_ONLINE; }));
    EXPECT_FALSE(ctx.session.reconnect.Reconnecting()) << "no automatic try waits";
    EXPECT_EQ(server.ClientCount(), 2);
    EXPECT_TRUE(ctx.session.reconnect.Automatic());
    const std::vector<std::string> expected = {
        "STATUS MESSAGE: Logging onto AIM...", "STATUS MESSAGE: Connected to AIM server.",
        "STATUS MESSAGE: Disconnected from AIM server.", "STATUS MESSAGE: Logging onto AIM...",
        "STATUS MESSAGE: Connected to AIM server."};
    EXPECT_EQ(LinesWithoutPresence(), expected);
}

}  // namespace
