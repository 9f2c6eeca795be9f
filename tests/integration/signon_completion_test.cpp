// What the server records after SIGN_ON: configuration, buddy batches,
// readiness, capabilities and profile.
#include <set>

#include "client_harness.h"

namespace {

class SignonCompletionTest : public ClientHarness {};

// The client offers none of the rendezvous services.
const std::string kCaps = "toc_set_caps";

TEST_F(SignonCompletionTest, EmptyBuddyListSendsTheWholeSequence)
{
    ctx.settings.buddyList.clear();
    SetFieldText(ctx.settings.userInfo.userProfile, "");
    ASSERT_TRUE(SignOn());
    // With no CONFIG from the server, the plain configuration follows.
    const std::vector<std::string> expected = {"toc_add_buddy alicetest", "toc_init_done", kCaps, "toc_set_info \"\"",
                                               "toc_set_config \"m 4\ng Fuckers\n\""};
    EXPECT_EQ(CommandsAfterSignon(), expected);
}

TEST_F(SignonCompletionTest, ScreenNameWithCapitalsAndBlanksIsSentNormalised)
{
    SetFieldText(ctx.settings.userInfo.screenName, "  The Real ALICE ");
    ctx.settings.buddyList = "Bob Smith\n";
    ASSERT_TRUE(SignOn());
    EXPECT_EQ(Peer().screenName, "therealalice");
    const auto batches = Parsed("toc_add_buddy");
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0], std::vector<std::string>({"toc_add_buddy", "therealalice", "bobsmith"}));
}

TEST_F(SignonCompletionTest, ManyBuddiesAreBatchedAndEachRegisteredOnce)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Bud%05d", i);  // 8 characters
        names.push_back(name);
        ctx.settings.buddyList += std::string(name) + "\n";
    }
    ASSERT_TRUE(SignOn());
    const std::vector<std::string> commands = CommandsAfterSignon();

    // The configuration holds the names in order up to the one that takes it past 1024.
    const std::string& config = commands.back();
    std::string expectedConfig = "toc_set_config \"m 4\ng Fuckers\n";
    for (const std::string& name : names) {
        std::string lowered = name;
        lowered[0] = 'b';
        expectedConfig += "b " + lowered + "\n";
        if (expectedConfig.size() > 1024)
            break;
    }
    EXPECT_EQ(config, expectedConfig + "\"");

    std::multiset<std::string> registered;
    std::size_t batchCount = 0;
    for (std::size_t i = 0; i < commands.size() && commands[i].rfind("toc_add_buddy", 0) == 0; ++i) {
        ++batchCount;
        const std::string& batch = commands[i];
        const bool last = i + 1 >= commands.size() || commands[i + 1].rfind("toc_add_buddy", 0) != 0;
        if (!last) {
            // Each full batch passes 1024 characters by less than one name (" " + 8).
            EXPECT_GT(batch.size(), 1024u);
            EXPECT_LE(batch.size(), 1024u + 9u);
        } else {
            EXPECT_LE(batch.size(), 1024u);
            EXPECT_NE(batch, "toc_add_buddy");
        }
    }
    for (const auto& parsed : Parsed("toc_add_buddy"))
        registered.insert(parsed.begin() + 1, parsed.end());
    EXPECT_GT(batchCount, 2u);
    EXPECT_EQ(registered.size(), 301u);
    EXPECT_EQ(registered.count("alicetest"), 1u);
    for (const std::string& name : names) {
        std::string lowered = name;
        lowered[0] = 'b';
        EXPECT_EQ(registered.count(lowered), 1u) << lowered;
    }
    EXPECT_EQ(commands.at(batchCount), "toc_init_done");
}

TEST_F(SignonCompletionTest, ProfileIsEscapedWithLineBreaks)
{
    SetFieldText(ctx.settings.userInfo.userProfile, "Say \"hi\" {x}\nline two $");
    ASSERT_TRUE(SignOn());
    const std::vector<std::string> commands = CommandsAfterSignon();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], "toc_set_info \"Say \\\"hi\\\" \\{x\\}<BR>line two \\$\"");
    const auto info = Parsed("toc_set_info");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0], std::vector<std::string>({"toc_set_info", "Say \"hi\" {x}<BR>line two $"}));
}

TEST_F(SignonCompletionTest, CompletionRunsAgainAfterPauseAndSignOn)
{
    ASSERT_TRUE(SignOn());
    server.SendData(0, "PAUSE");
    server.SendData(0, "SIGN_ON:TOC1.0");
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return Parsed("toc_set_info").size() == 2; }));
    EXPECT_EQ(Parsed("toc_init_done").size(), 2u);
}

}  // namespace
