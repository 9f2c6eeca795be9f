// Modules that misbehave in the real client: hooks that throw, a module that
// hands the transcript's own text back to be shown, and names from outside
// (file names, server texts) that hold line breaks.
#include <algorithm>

#include "module_harness.h"

namespace {

using ModuleFaults = ModuleHarness;

TEST_F(ModuleFaults, AModuleThatThrowsIsDisabledTheOthersGoOnAndTheTranscriptCanBeShownAgain)
{
    for (const char* name : {"user_a.so", "user_b.so", "user_c.so", "user_d.so"})
        InstallRecorder(name);
    Configure({"user_c.so|Initialize|throw", "user_a.so|OnUserCommand|throw", "user_b.so|OnSendIM|throw-int",
               "user_d.so|OnUserCommand:echo|1|EchoOutputText", "user_d.so|Shutdown|throw|EchoOutputText"});
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(LinesAfter(Status("Loaded user module 'user_b.so'.")),
              (std::vector<std::string>{
                  Status("'user_c.so' is not a valid user module."),
                  Status("Reason: its Initialize threw an exception (bad\\x0aday in Initialize)."),
                  Status("Loaded user module 'user_d.so'.")}));

    // The modules after the one that threw still get the event; that one
    // never gets another. One that threw instead of answering has not let
    // the message go.
    Type("/foo");
    Type("/foo");
    SendInputLine(ctx, "bob", "hi");
    SendInputLine(ctx, "bob", "hi");
    EXPECT_EQ(LinesAfter(Status("Loaded user module 'user_d.so'.")),
              (std::vector<std::string>{
                  Status("User module 'user_a.so' is disabled: its OnUserCommand threw an exception "
                         "(bad\\x0aday in OnUserCommand)."),
                  Status("Command 'foo' is not valid."), Status("Command 'foo' is not valid."),
                  Status("User module 'user_b.so' is disabled: its OnSendIM threw an exception."),
                  Status("Cannot send IM.")}));
    EXPECT_EQ(LogOf("OnUserCommand").size(), 5u);
    EXPECT_EQ(LogOf("OnSendIM").size(), 3u);
    Type("/modules");
    EXPECT_EQ(Lines().back(), Status("  user_d.so"));
    EXPECT_TRUE(TranscriptHas(Status("  user_b.so (disabled)")));

    // The transcript's own text shown again, also while closing (when a
    // module's line is read once more for a failed save).
    std::string before = ctx.transcript.output.Text();
    Type("/echo");
    EXPECT_EQ(ctx.transcript.output.Text(), before + "STATUS MESSAGE: " + before + "\r\n");
    before = ctx.transcript.output.Text();
    ShutdownClient(ctx);
    EXPECT_EQ(ctx.transcript.output.Text(),
              before + "STATUS MESSAGE: " + before + "\r\n" +
                  Status("User module 'user_d.so' threw an exception (bad\\x0aday in Shutdown) from its Shutdown.\r\n"));
    EXPECT_EQ(LogOf("Shutdown"), (std::vector<std::string>{"user_d.so|Shutdown"}));
}

TEST_F(ModuleFaults, NamesFromOutsideCannotForgeALine)
{
    const std::string forged = Status("Connected to AIM server.");
    InstallRecorder("user_x\n" + forged + "\n.so");
    WriteBytes(dir.Path("modules/user_y\r\n" + forged + ".so"), "not a library");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Status("Loaded user module 'user_x\\x0a" + forged + "\\x0a.so'."),
                           Status("'user_y\\x0d\\x0a" + forged + ".so' is not a valid user module."),
                           Status("Reason: user_y\\x0d\\x0a" + forged + ".so: file too short"),
                       }));

    // What the server names; a message's own text is shown as it came.
    ASSERT_TRUE(SignOn());
    const std::pair<std::string, std::string> cases[] = {
        {"UPDATE_BUDDY:ev\nil:T:0:0:0: O", Status("ev\\x0ail signed on.")},
        {"UPDATE_BUDDY:li\xE2\x80\xA8ne:T:0:0:0: O", Status("li\\xe2\\x80\\xa8ne signed on.")},
        {"EVILED:10:war\rner", Status("You have been warned by war\\x0dner. Your warning level is now 10%.")},
        {"IM_IN:s\x1b[2Jender:F:two\nlines", "<-s\\x1b[2Jender:  two\nlines"},
    };
    for (const auto& [message, expected] : cases) {
        const std::string shown = expected;  // (a lambda cannot take a structured binding here)
        server.SendData(0, message);
        EXPECT_TRUE(faketoc::FakeTocServer::WaitFor(
            [&] { return ctx.transcript.output.Text().find(shown + "\r\n") != std::string::npos; }))
            << shown;
    }
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), forged), 1) << "only the client's own";
}

}  // namespace
