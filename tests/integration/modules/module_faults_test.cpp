// Modules that misbehave in the real client: a hook that throws, a module
// that hands the transcript's own text back to be shown, and names from
// outside (file names, server texts) that hold line breaks.
#include <algorithm>

#include "module_harness.h"

namespace {

using ModuleFaults = ModuleHarness;

TEST_F(ModuleFaults, AModuleThatThrowsIsDisabledAndTheOthersGoOn)
{
    for (const char* name : {"user_a.so", "user_b.so", "user_c.so", "user_d.so"})
        InstallRecorder(name);
    Configure({"user_c.so|Initialize|throw", "user_a.so|OnUserCommand|throw", "user_b.so|OnSendIM|throw-int",
               "user_d.so|Shutdown|throw"});
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Status("Loaded user module 'user_a.so'."),
                           Status("Loaded user module 'user_b.so'."),
                           Status("'user_c.so' is not a valid user module."),
                           Status("Reason: its Initialize threw an exception (bad\\x0aday in Initialize)."),
                           Status("Loaded user module 'user_d.so'."),
                       }));

    // The event still reaches the modules after the one that threw, and
    // that one never gets another.
    Type("/foo");
    Type("/foo");
    EXPECT_EQ(LinesAfter(Status("Loaded user module 'user_d.so'.")),
              (std::vector<std::string>{
                  Status("User module 'user_a.so' is disabled: its OnUserCommand threw an exception "
                         "(bad\\x0aday in OnUserCommand)."),
                  Status("Command 'foo' is not valid."), Status("Command 'foo' is not valid.")}));
    EXPECT_EQ(LogOf("OnUserCommand"),
              (std::vector<std::string>{"user_a.so|OnUserCommand|foo|", "user_b.so|OnUserCommand|foo|",
                                        "user_d.so|OnUserCommand|foo|", "user_b.so|OnUserCommand|foo|",
                                        "user_d.so|OnUserCommand|foo|"}));

    // A module that threw instead of answering has not let the message go.
    const std::string before = Lines().back();
    SendInputLine(ctx, "bob", "hi");
    SendInputLine(ctx, "bob", "hi");
    EXPECT_EQ(LinesAfter(before),
              (std::vector<std::string>{Status("User module 'user_b.so' is disabled: its OnSendIM threw an exception."),
                                        Status("Cannot send IM.")}));
    EXPECT_EQ(LogOf("OnSendIM").size(), 3u);

    Type("/modules");
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{Status("  user_a.so (disabled)"), Status("  user_b.so (disabled)"),
                                        Status("  user_d.so")}));

    ShutdownClient(ctx);
    EXPECT_EQ(LogOf("Shutdown"), (std::vector<std::string>{"user_d.so|Shutdown"}));
    EXPECT_EQ(Lines().back(),
              Status("User module 'user_d.so' threw an exception (bad\\x0aday in Shutdown) from its Shutdown."));
}

TEST_F(ModuleFaults, TheTranscriptsOwnTextCanBeShownAgain)
{
    InstallRecorder("user_a.so");
    // While the client closes too (when a module's line is also read for a failed save).
    Configure({"user_a.so|OnUserCommand:echo|1|EchoOutputText", "user_a.so|Shutdown|0|EchoOutputText"});
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "from Shutdown" : "from a command");
        const std::string before = ctx.transcript.output.Text();
        if (closing)
            ShutdownClient(ctx);
        else
            Type("/echo");
        EXPECT_EQ(ctx.transcript.output.Text(), before + "STATUS MESSAGE: " + before + "\r\n");
    }
}

TEST_F(ModuleFaults, NamesFromOutsideCannotForgeALine)
{
    const std::string forged = "STATUS MESSAGE: Connected to AIM server.";
    InstallRecorder("user_x\n" + forged + "\n.so");
    WriteBytes(dir.Path("modules/user_y\r\n" + forged + ".so"), "not a library");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Status("Loaded user module 'user_x\\x0a" + forged + "\\x0a.so'."),
                           Status("'user_y\\x0d\\x0a" + forged + ".so' is not a valid user module."),
                           Status("Reason: user_y\\x0d\\x0a" + forged + ".so: file too short"),
                       }));

    // What the server names: buddies, a warner, the sender of a message.
    // The message's own text is shown as it came.
    ASSERT_TRUE(SignOn());
    struct Case {
        std::string message;
        std::string shown;
    };
    const Case cases[] = {
        {"UPDATE_BUDDY:ev\nil:T:0:0:0: O", Status("ev\\x0ail signed on.")},
        {"UPDATE_BUDDY:li\xE2\x80\xA8ne:T:0:0:0: O", Status("li\\xe2\\x80\\xa8ne signed on.")},
        {"EVILED:10:war\rner", Status("You have been warned by war\\x0dner. Your warning level is now 10%.")},
        {"IM_IN:s\x1b[2Jender:F:two\nlines", "<-s\\x1b[2Jender:  two\nlines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        server.SendData(0, c.message);
        EXPECT_TRUE(faketoc::FakeTocServer::WaitFor(
            [&] { return ctx.transcript.output.Text().find(c.shown + "\r\n") != std::string::npos; }));
    }
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), forged), 1) << "only the client's own";
}

}  // namespace
