// The library's life as the host drives it: TOC_Init, TOC_Establish,
// TOC_Shutdown and MaintainLoop in and out of order, and unloading.
#include "protocol_fixture.h"
#include "stderr_capture.h"

namespace {

using namespace std::string_literals;

const char* const kInitAgainText = "You cannot call init again without shutting down first!";

using LifecycleTest = ProtocolLibraryTest;

TEST_F(LifecycleTest, SecondInitIsRefusedAndTheFirstValuesStay)
{
    StderrCapture errors;
    ASSERT_EQ(Init(), 1);
    EXPECT_EQ(errors.Text(), "");
    EXPECT_EQ(api.init(nullptr, &calls, "Bob Other", "other secret", 7777, "other.example.net", "Other 2"), 0);
    EXPECT_NE(errors.Text().find(kInitAgainText), std::string::npos) << errors.Text();
    EXPECT_EQ(calls.log, std::vector<std::string>{});

    ASSERT_EQ(Establish(), 1);
    ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
    EXPECT_EQ(Peer().screenName, kNormalisedName);
    ASSERT_GE(Peer().commands.size(), 1u);
    EXPECT_EQ(Peer().commands[0],
              "toc_signon login.example.net 5190 alicetest 0x2408105c23001130 english \"Quenlo 1.0\"");
}

TEST_F(LifecycleTest, InitWithLoginPortMinusOneLeavesTheLibraryUninitialised)
{
    StderrCapture errors;
    EXPECT_EQ(Init(kScreenName, kPassword, -1), 1);
    EXPECT_EQ(Establish(), 0);
    EXPECT_EQ(Init(), 1) << "a further TOC_Init is accepted";
    EXPECT_EQ(errors.Text(), "");
    Settle();
    EXPECT_EQ(calls.log, std::vector<std::string>{});
    EXPECT_EQ(server.ClientCount(), 0);

    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

TEST_F(LifecycleTest, NothingHappensBeforeInit)
{
    for (int i = 0; i < 1000; ++i)
        api.maintainLoop();
    EXPECT_EQ(Establish(), 0);
    EXPECT_EQ(Send("toc_init_done"), -1);
    api.disconnect();
    Settle();
    EXPECT_EQ(calls.log, std::vector<std::string>{});
    EXPECT_EQ(server.ClientCount(), 0);
}

TEST_F(LifecycleTest, EveryAcceptedEstablishReportsOfflineFirst)
{
    ASSERT_EQ(Init(), 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        const std::size_t mark = calls.log.size();
        ASSERT_EQ(Establish(), 1);
        // Reported inside the call, also when the library is offline already.
        ASSERT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
        // Refused while the connect is under way or the connection is up, with no report.
        EXPECT_EQ(Establish(), 0);
        ASSERT_TRUE(WaitForStatus(STATUS_ONLINE));
        const std::size_t online = calls.log.size();
        EXPECT_EQ(Establish(), 0);
        EXPECT_EQ(calls.log.size(), online);
        api.disconnect();
        ASSERT_TRUE(WaitForServerSideClosed(attempt));
    }
    EXPECT_EQ(server.ClientCount(), 3);
}

// --- TOC_Shutdown ---

TEST_F(LifecycleTest, ShutdownOnlineSignsOffClosesAndReportsOffline)
{
    ASSERT_TRUE(SignOn());
    const std::size_t mark = calls.log.size();
    api.shutdown();
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
    ASSERT_TRUE(WaitForServerSideClosed());
    EXPECT_EQ(Peer().frames.back().type, faketoc::kFrameSignoff);
    EXPECT_EQ(Establish(), 0) << "not initialised any more";

    StderrCapture errors;
    EXPECT_EQ(Init(), 1);
    EXPECT_EQ(errors.Text(), "");
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

TEST_F(LifecycleTest, ShutdownWithoutConnectionOnlyUninitialises)
{
    ASSERT_EQ(Init(), 1);
    api.shutdown();
    api.shutdown();
    for (int i = 0; i < 100; ++i)
        api.maintainLoop();
    EXPECT_EQ(calls.log, std::vector<std::string>{});
    EXPECT_EQ(Establish(), 0);
    EXPECT_EQ(Init(), 1);
}

TEST_F(LifecycleTest, ShutdownDuringAPendingSignOnClosesWithoutSignoff)
{
    ASSERT_EQ(Init(), 1);
    ASSERT_TRUE(SignOnHeld());
    const std::size_t mark = calls.log.size();
    api.shutdown();
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
    ASSERT_TRUE(WaitForServerSideClosed());
    EXPECT_EQ(FramesOfType(0, faketoc::kFrameSignoff), 0u) << "SIGNOFF only when online";
    server.AcceptSignOn(0);  // too late: nothing may come of it
    Settle();
    EXPECT_EQ(calls.Since(mark), std::vector<std::string>{Status(STATUS_OFFLINE)});
}

TEST_F(LifecycleTest, ShutdownWhileTheConnectIsUnderWayAbandonsIt)
{
    ASSERT_EQ(Init(), 1);
    ASSERT_EQ(Establish(), 1);
    const std::size_t mark = calls.log.size();
    api.shutdown();
    Settle(300);
    // Whether the connect had completed inside TOC_Establish or not, the
    // attempt ends here: no greeting, no sign-on, at most an offline report.
    for (const std::string& entry : calls.Since(mark))
        EXPECT_EQ(entry, Status(STATUS_OFFLINE));
    EXPECT_EQ(Peer().greeting, "");
    EXPECT_TRUE(Peer().frames.empty());
    EXPECT_FALSE(Peer().connected);
}

// --- callbacks calling back ---

TEST_F(LifecycleTest, HostMayReconnectFromTheOfflineReport)
{
    ASSERT_TRUE(SignOn());
    int reconnectResult = -1;
    calls.onStatusChange = [&](int status) {
        if (status != STATUS_OFFLINE || reconnectResult != -1)
            return;
        reconnectResult = 0;  // once only: the new attempt reports offline too
        reconnectResult = api.establish("127.0.0.1", server.Port());
    };
    server.Close(0);
    ASSERT_TRUE(WaitFor([&] { return server.ClientCount() == 2 && Peer(1).signedOn; }));
    EXPECT_EQ(reconnectResult, 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

// --- unloading ---

TEST_F(LifecycleTest, UnloadingForgetsEverything)
{
    ASSERT_EQ(Init(), 1);
    // Unloaded without TOC_Shutdown: the next load starts uninitialised.
    api.shutdown = nullptr;
    Unload();
    ASSERT_FALSE(LibraryIsLoaded());
    Load();
    StderrCapture errors;
    EXPECT_EQ(Init(), 1);
    EXPECT_EQ(errors.Text(), "");
}

}  // namespace
