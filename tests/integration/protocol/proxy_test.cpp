// Through a real SOCKS5 proxy (Debian's microsocks, started here on
// 127.0.0.1 and killed by its process id): the library signs on through it,
// and each refusal is said in words.
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include "protocol_fixture.h"
#include "refusing_port.h"
#include "stderr_capture.h"

namespace {

// A free port on 127.0.0.1 for a server started by another process.
int FreePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

class Microsocks {
public:
    // Waits until the proxy takes connections.
    bool Start(const QString& user = {}, const QString& password = {})
    {
        port_ = FreePort();
        QStringList arguments{"-i", "127.0.0.1", "-p", QString::number(port_)};
        if (!user.isEmpty())
            arguments << "-u" << user << "-P" << password;
        process_.start(QStringLiteral("microsocks"), arguments);
        if (!process_.waitForStarted(5000))
            return false;
        return faketoc::FakeTocServer::WaitFor([&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
            return probe.waitForConnected(100);
        });
    }
    ~Microsocks()
    {
        if (process_.processId() != 0) {
            process_.kill();  // SIGKILL to the one process this object started
            process_.waitForFinished(5000);
        }
    }
    int Port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

struct ProxyCase {
    const char* label;
    const char* proxyUser;      // null: the proxy asks for none
    const char* givenUser;
    const char* givenPassword;
    bool serverRefuses;         // the TOC port refuses the proxy's connect
    bool proxyRunning;
    const char* reason;         // null: signs on
};
void PrintTo(const ProxyCase& c, std::ostream* os) { *os << c.label; }

const ProxyCase kCases[] = {
    {"NoAuthentication", nullptr, "", "", false, true, nullptr},
    {"UserAndPassword", "quenlo", "quenlo", "s3cret", false, true, nullptr},
    {"WrongPassword", "quenlo", "quenlo", "wrong", false, true, "the proxy refused the user name and password"},
    {"NoPasswordGiven", "quenlo", "", "", false, true, "the proxy asks for a user name and password"},
    {"ServerRefuses", nullptr, "", "", true, true, "the server refused the proxy's connection"},
    {"NoProxyListening", nullptr, "", "", false, false, "the proxy refused the connection"},
};

class ProxyTest : public ProtocolLibraryTest, public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(ProxyTest, SignsOnThroughTheProxyOrSaysWhyNot)
{
    const ProxyCase& c = GetParam();
    const auto setProxy = Bind<TOC_SetProxyFn>("TOC_SetProxy");
    ASSERT_NE(setProxy, nullptr);
    Microsocks proxy;
    RefusingPort stopped;  // where no proxy runs
    if (c.proxyRunning) {
        ASSERT_TRUE(proxy.Start(c.proxyUser ? c.proxyUser : "", "s3cret")) << "microsocks (scripts/install-deps.sh)";
    }
    const int proxyPort = c.proxyRunning ? proxy.Port() : stopped.Port();
    RefusingPort refusing;
    const int tocPort = c.serverRefuses ? refusing.Port() : server.Port();

    StderrCapture boxes;
    ASSERT_EQ(Init(), 1);
    ASSERT_EQ(setProxy(TOC_PROXY_SOCKS5, "127.0.0.1", proxyPort, c.givenUser, c.givenPassword), 1);
    // The proxy looks the server's name up.
    ASSERT_EQ(api.establish("localhost", tocPort), 1);
    if (c.reason == nullptr) {
        ASSERT_TRUE(WaitForStatus(STATUS_ONLINE)) << boxes.Text();
        EXPECT_TRUE(HasCommand(0, "toc_signon "));
        return;
    }
    const std::string expected = "Can't connect to localhost on port " + std::to_string(tocPort) +
                                 " through the proxy 127.0.0.1 port " + std::to_string(proxyPort) + ": " +
                                 c.reason + ".";
    ASSERT_TRUE(WaitFor([&] { return boxes.Text().find(expected) != std::string::npos; })) << boxes.Text();
    EXPECT_EQ(calls.LastStatus(), STATUS_OFFLINE);
    EXPECT_EQ(server.ClientCount(), 0);
    // Direct again (TOC_PROXY_NONE), the same library signs on.
    ASSERT_EQ(setProxy(TOC_PROXY_NONE, nullptr, 0, nullptr, nullptr), 1);
    ASSERT_EQ(Establish(), 1);
    EXPECT_TRUE(WaitForStatus(STATUS_ONLINE));
}

INSTANTIATE_TEST_SUITE_P(Socks5, ProxyTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(ProtocolLibraryTest, AProxyWithoutHostOrPortIsRefusedAndTheConnectionStaysDirect)
{
    const auto setProxy = Bind<TOC_SetProxyFn>("TOC_SetProxy");
    ASSERT_NE(setProxy, nullptr);
    EXPECT_EQ(setProxy(TOC_PROXY_SOCKS5, "", 1080, nullptr, nullptr), 0);
    EXPECT_EQ(setProxy(TOC_PROXY_HTTP, "proxy.example", 70000, nullptr, nullptr), 0);
    EXPECT_EQ(setProxy(7, "proxy.example", 1080, nullptr, nullptr), 0);
    ASSERT_TRUE(SignOn());
}

}  // namespace
