// Host-name lookups: the library's logic over the real socket, with a
// resolver the test answers (or never answers).
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "callback_recorder.h"
#include "fake_toc_server.h"
#include "toc_library.h"
#include "toc_socket.h"

namespace {

class ScriptedResolver : public tocwire::HostResolver {
public:
    void Start(const std::string& host, Done done) override
    {
        asked.push_back(host);
        done_ = std::move(done);
    }
    void Cancel() override { done_ = nullptr; }
    void Answer(const QList<QHostAddress>& addresses)
    {
        Done done = std::move(done_);
        done_ = nullptr;
        if (done)
            done(addresses);
    }

    std::vector<std::string> asked;

private:
    Done done_;
};

std::vector<std::string>& Boxes()
{
    static std::vector<std::string> boxes;
    return boxes;
}

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Boxes().clear();
        library.SetTransport(&socket);
        ASSERT_TRUE(server.Listen());
        ASSERT_EQ(library.Init(nullptr, &calls, "Alice Test", "password", 5190, "login.example.net", "v"), 1);
    }
    static bool WaitFor(const std::function<bool()>& pred, int ms = 5000)
    {
        return faketoc::FakeTocServer::WaitFor(pred, ms);
    }

    ScriptedResolver resolver;
    tocwire::TocLibrary library{[](void*, const char* text) { Boxes().push_back(text); }};
    tocwire::TocSocket socket{library, &resolver};
    CallbackRecorder calls;
    faketoc::FakeTocServer server;
};

TEST_F(LookupTest, ALookupThatNeverAnswersLeavesTheEventLoopRunning)
{
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(library.Establish("toc.example.net", server.Port()), 1);
    const qint64 establishMs = clock.elapsed();

    // The longest gap between two turns of a 5 ms timer while the lookup hangs.
    qint64 longestStallMs = 0;
    qint64 lastTick = clock.elapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestStallMs = std::max(longestStallMs, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    tick.start(5);
    WaitFor([] { return false; }, 1500);
    tick.stop();
    std::printf("TOC_Establish returned in %lld ms; longest event-loop stall during the hung lookup: %lld ms\n",
                static_cast<long long>(establishMs), static_cast<long long>(longestStallMs));
    RecordProperty("longest_stall_ms", static_cast<int>(longestStallMs));
    EXPECT_LT(establishMs, 50);
    EXPECT_LT(longestStallMs, 100);
    EXPECT_EQ(resolver.asked, std::vector<std::string>{"toc.example.net"});
    EXPECT_EQ(calls.log, std::vector<std::string>{CallbackRecorder::Status(STATUS_OFFLINE)});
    // Still pending: a second attempt is refused, as while a connect is under way.
    EXPECT_EQ(library.Establish("toc.example.net", server.Port()), 0);

    // Giving up (TOC_Shutdown) abandons the lookup: nothing connects later.
    library.Shutdown();
    resolver.Answer({QHostAddress(QHostAddress::LocalHost)});
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(server.ClientCount(), 0);
    ASSERT_EQ(library.Init(nullptr, &calls, "Alice Test", "password", 5190, "login.example.net", "v"), 1);
    ASSERT_EQ(library.Establish("127.0.0.1", server.Port()), 1);
    EXPECT_TRUE(WaitFor([&] { return calls.LastStatus() == STATUS_ONLINE; }));
}

TEST_F(LookupTest, EachAddressFoundIsTriedInTurnAndANameNotFoundIsReported)
{
    // ::1 has no server on that port (or no IPv6 at all): the next address is tried.
    ASSERT_EQ(library.Establish("toc.example.net", server.Port()), 1);
    ASSERT_TRUE(WaitFor([&] { return !resolver.asked.empty(); }));
    resolver.Answer({QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)});
    EXPECT_TRUE(WaitFor([&] { return calls.LastStatus() == STATUS_ONLINE; }));
    EXPECT_TRUE(Boxes().empty());
    library.Disconnect();

    ASSERT_EQ(library.Establish("nowhere.example.net", 9898), 1);
    ASSERT_TRUE(WaitFor([&] { return resolver.asked.size() == 2; }));
    resolver.Answer({});
    ASSERT_TRUE(WaitFor([&] { return !Boxes().empty(); }));
    EXPECT_EQ(Boxes().back(), "Can't connect to nowhere.example.net on port 9898. LastError is 22.");
    EXPECT_EQ(calls.LastStatus(), STATUS_OFFLINE);
}

TEST(AddressOrder, FamiliesAlternateFromTheFirstOneGiven)
{
    const QHostAddress v6a("2001:db8::1"), v6b("2001:db8::2"), v4a("192.0.2.1"), v4b("192.0.2.2");
    EXPECT_EQ(tocwire::InterleaveFamilies({v6a, v6b, v4a, v4b}), (QList<QHostAddress>{v6a, v4a, v6b, v4b}));
    EXPECT_EQ(tocwire::InterleaveFamilies({v4a, v6a, v6b}), (QList<QHostAddress>{v4a, v6a, v6b}));
}

}  // namespace
