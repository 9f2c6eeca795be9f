// Tests of the TOC server library: its own FLAP parsing, command-line
// unescaping and password un-roasting, and its behaviour on the wire as seen
// by a raw socket client. The integration tests trust all of this.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "flap_frames.h"
#include "fake_toc_server.h"
#include "toc_command_line.h"

namespace faketoc {
namespace {

using namespace std::string_literals;

// --- FLAP framing ---

TEST(FakeFlap, EncodesHeaderBigEndian)
{
    EXPECT_EQ(EncodeFrame(kFrameData, 0x1234, "ab"), "*\x02\x12\x34\x00\x02" "ab"s);
    EXPECT_EQ(EncodeFrame(kFrameKeepAlive, 0xFFFF, ""), "*\x05\xFF\xFF\x00\x00"s);
    const std::string big(300, 'x');
    EXPECT_EQ(EncodeFrame(kFrameSignon, 1, big).substr(0, 6), "*\x01\x00\x01\x01\x2C"s);  // 300 = 0x012C
}

// Three frames written out byte by byte, not built with the encoder.
const std::string kThreeFrames = "*\x01\x03\xE8\x00\x04\x00\x00\x00\x01"s  // SIGNON seq 1000
                                 "*\x02\x03\xE9\x00\x03" "a:\0"s            // DATA seq 1001
                                 "*\x05\x03\xEA\x00\x00"s;                  // KEEPALIVE seq 1002

std::vector<RecordedFrame> ParseAll(FrameParser& parser)
{
    std::vector<RecordedFrame> frames;
    RecordedFrame frame;
    while (parser.Next(frame) == FrameParser::Status::Frame)
        frames.push_back(frame);
    return frames;
}

void ExpectThreeFrames(const std::vector<RecordedFrame>& frames, const std::string& where)
{
    ASSERT_EQ(frames.size(), 3u) << where;
    EXPECT_EQ(frames[0].type, kFrameSignon) << where;
    EXPECT_EQ(frames[0].sequence, 1000) << where;
    EXPECT_EQ(frames[0].payload, "\x00\x00\x00\x01"s) << where;
    EXPECT_EQ(frames[1].type, kFrameData) << where;
    EXPECT_EQ(frames[1].sequence, 1001) << where;
    EXPECT_EQ(frames[1].payload, "a:\0"s) << where;
    EXPECT_EQ(frames[2].type, kFrameKeepAlive) << where;
    EXPECT_EQ(frames[2].sequence, 1002) << where;
    EXPECT_TRUE(frames[2].payload.empty()) << where;
}

TEST(FakeFlap, ReassemblesFramesCutAtEveryByte)
{
    for (std::size_t cut = 0; cut <= kThreeFrames.size(); ++cut) {
        FrameParser parser;
        std::vector<RecordedFrame> frames;
        parser.Append(std::string_view(kThreeFrames).substr(0, cut));
        for (const RecordedFrame& f : ParseAll(parser))
            frames.push_back(f);
        parser.Append(std::string_view(kThreeFrames).substr(cut));
        for (const RecordedFrame& f : ParseAll(parser))
            frames.push_back(f);
        ExpectThreeFrames(frames, "cut at " + std::to_string(cut));
        EXPECT_EQ(parser.Pending(), 0u);
    }
}

TEST(FakeFlap, ReassemblesFramesFedOneByteAtATime)
{
    FrameParser parser;
    std::vector<RecordedFrame> frames;
    for (char c : kThreeFrames) {
        parser.Append(std::string_view(&c, 1));
        for (const RecordedFrame& f : ParseAll(parser))
            frames.push_back(f);
    }
    ExpectThreeFrames(frames, "byte by byte");
}

TEST(FakeFlap, LengthPastTheBytesWaitsForMore)
{
    FrameParser parser;
    parser.Append("*\x02\x00\x01\x00\x10short"s);  // says 16, holds 5
    RecordedFrame frame;
    EXPECT_EQ(parser.Next(frame), FrameParser::Status::NeedMore);
    EXPECT_EQ(parser.Pending(), 11u);
}

TEST(FakeFlap, MissingMarkerStopsTheStreamForGood)
{
    FrameParser parser;
    parser.Append("*\x02\x00\x01\x00\x01" "aX"s);
    RecordedFrame frame;
    ASSERT_EQ(parser.Next(frame), FrameParser::Status::Frame);
    EXPECT_EQ(parser.Next(frame), FrameParser::Status::BadMarker);
    parser.Append("*\x02\x00\x02\x00\x00"s);  // a good frame later does not resynchronise
    EXPECT_EQ(parser.Next(frame), FrameParser::Status::BadMarker);
}

// --- command lines ---

struct SplitCase {
    std::string line;
    std::vector<std::string> words;
};

TEST(FakeCommandLine, SplitsAndUnescapesLikeATocServer)
{
    const std::vector<SplitCase> cases = {
        {"toc_init_done", {"toc_init_done"}},
        {"", {}},
        {"toc_add_buddy bob  alice ", {"toc_add_buddy", "bob", "alice"}},
        {R"(toc_send_im bob "hello world")", {"toc_send_im", "bob", "hello world"}},
        {R"(toc_send_im bob "hi" auto)", {"toc_send_im", "bob", "hi", "auto"}},
        // The client's escapes: $ ( ) [ ] on the whole line, " \ { } inside quotes.
        {R"(toc_send_im bob "cost \$5 \(net\) \[x\]")", {"toc_send_im", "bob", "cost $5 (net) [x]"}},
        {R"(toc_send_im bob "say \"hi\" \\ \{ok\}")", {"toc_send_im", "bob", R"(say "hi" \ {ok})"}},
        {R"(toc_set_info "")", {"toc_set_info", ""}},
        {"toc_set_config \"m 4\ng Group\nb bob\n\"", {"toc_set_config", "m 4\ng Group\nb bob\n"}},
        {R"(a\ b c)", {"a b", "c"}},
        {R"(x "open to the end)", {"x", "open to the end"}},
        {R"(x ends\)", {"x", R"(ends\)"}},
        {R"(x a"b c"d)", {"x", "ab cd"}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(SplitArguments(c.line), c.words) << c.line;
}

TEST(FakeCommandLine, CommandTextStopsAtTheFirstNul)
{
    EXPECT_EQ(CommandText("toc_init_done\0"s), "toc_init_done");
    EXPECT_EQ(CommandText("a\0b\0"s), "a");
    EXPECT_EQ(CommandText("no terminator"), "no terminator");
}

TEST(FakeCommandLine, NormalizesScreenNames)
{
    EXPECT_EQ(NormalizeScreenName("Some Body"), "somebody");
    EXPECT_EQ(NormalizeScreenName("Tab\tName"), "tab\tname");
    EXPECT_EQ(NormalizeScreenName("\xC4Z"), "\xC4z");
}

// Roasted texts worked out by hand from the key "Tic/Toc": 'a' ^ 'T' = 0x35;
// "password" uses the key's first byte again for its eighth letter.
TEST(FakeCommandLine, RoastsAndUnroastsPasswords)
{
    const std::vector<std::pair<std::string, std::string>> known = {
        {"", "0x"},
        {"a", "0x35"},
        {"password", "0x2408105c23001130"},
        {"\xFF\x80", "0xabe9"},
    };
    for (const auto& [password, roasted] : known) {
        EXPECT_EQ(RoastPassword(password), roasted);
        EXPECT_EQ(UnroastPassword(roasted), password) << roasted;
    }
    EXPECT_EQ(UnroastPassword("0x2408105C23001130"), "password");  // upper-case digits read too
}

TEST(FakeCommandLine, RefusesMalformedRoastedPasswords)
{
    for (const char* bad : {"", "35", "0X35", "0x3", "0x3g", "0x 35", "x35"})
        EXPECT_FALSE(UnroastPassword(bad).has_value()) << '"' << bad << '"';
}

// --- the server on the wire ---

// A bare client: raw bytes out, frames in, parsed with the parser tested above.
class RawClient {
public:
    explicit RawClient(quint16 port)
    {
        QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
            const QByteArray bytes = socket_.readAll();
            parser_.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            RecordedFrame frame;
            while (parser_.Next(frame) == FrameParser::Status::Frame)
                frames.push_back(frame);
        });
        socket_.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    }
    void Write(const std::string& bytes) { socket_.write(bytes.data(), static_cast<qint64>(bytes.size())); }
    void WriteFrame(std::uint8_t type, const std::string& payload) { Write(EncodeFrame(type, sequence_++, payload)); }
    void Command(const std::string& text) { WriteFrame(kFrameData, text + '\0'); }
    bool Closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }

    // The DATA texts received so far, without their trailing NUL.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const RecordedFrame& f : frames)
            if (f.type == kFrameData)
                texts.push_back(CommandText(f.payload));
        return texts;
    }
    bool Received(const std::string& text) const
    {
        const std::vector<std::string> texts = Texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    // The text, or (prefix) a text that starts with it; counted from the
    // `skip`th text on.
    bool WaitReceived(const std::string& text, bool prefix = false, std::size_t skip = 0)
    {
        return FakeTocServer::WaitFor([&] {
            const std::vector<std::string> texts = Texts();
            return std::any_of(texts.begin() + static_cast<std::ptrdiff_t>(std::min(skip, texts.size())),
                               texts.end(), [&](const std::string& t) { return prefix ? t.starts_with(text) : t == text; });
        });
    }

    // Greeting, then (once the server's SIGNON frame is in) the sign-on frame
    // and toc_signon joined in one write, as the real client's reads may be.
    void SignOnWithLine(const std::string& frameName, const std::string& signonLine)
    {
        Write(std::string(kGreeting));
        ASSERT_TRUE(FakeTocServer::WaitFor([&] { return !frames.empty(); }));
        sequence_ = frames.front().sequence;
        const std::size_t n = frameName.size();
        std::string payload = "\x00\x00\x00\x01\x00\x01"s;
        payload.push_back(static_cast<char>(n >> 8));
        payload.push_back(static_cast<char>(n & 0xFF));
        payload += frameName;
        std::string bytes = EncodeFrame(kFrameSignon, sequence_++, payload);
        bytes += EncodeFrame(kFrameData, sequence_++, signonLine + '\0');
        Write(bytes);
    }
    void SignOn(const std::string& name, const std::string& password)
    {
        SignOnWithLine(name, "toc_signon localhost 5190 " + name + " " + RoastPassword(password) + " english \"test 1\"");
    }

    std::vector<RecordedFrame> frames;

private:
    QTcpSocket socket_;
    FrameParser parser_;
    std::uint16_t sequence_ = 0;
};

class FakeServerWire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Listen()); }
    std::unique_ptr<RawClient> Connect()
    {
        auto client = std::make_unique<RawClient>(server.Port());
        const int expected = server.ClientCount() + 1;
        EXPECT_TRUE(FakeTocServer::WaitFor([&] { return server.ClientCount() == expected; }));
        return client;
    }
    std::unique_ptr<RawClient> SignedOn(const std::string& name, const std::string& password = "pw")
    {
        auto client = Connect();
        const int index = server.ClientCount() - 1;
        client->SignOn(name, password);
        EXPECT_TRUE(client->WaitReceived("SIGN_ON:TOC1.0")) << name;
        EXPECT_TRUE(server.Client(index).signedOn) << name;
        return client;
    }

    FakeTocServer server;
};

TEST_F(FakeServerWire, AcceptsAGoodSignOnAndRecordsIt)
{
    server.SetSignonSequence(65535);
    auto client = Connect();
    client->Write("FLAP");  // the greeting may arrive in pieces
    client->Write("ON\r\n\r\n");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return !client->frames.empty(); }));
    EXPECT_EQ(client->frames[0].type, kFrameSignon);
    EXPECT_EQ(client->frames[0].sequence, 65535);
    EXPECT_EQ(client->frames[0].payload, "\x00\x00\x00\x01"s);

    const std::string line = R"x(toc_signon login.example 5190 bob 0x35 english "v \(1\)")x";
    // Only the frame part of SignOn: the greeting is already in.
    std::string payload = "\x00\x00\x00\x01\x00\x01\x00\x03" "bob"s;
    std::string bytes = EncodeFrame(kFrameSignon, 65535, payload) + EncodeFrame(kFrameData, 0, line + '\0');
    client->Write(bytes.substr(0, 9));  // cut inside the first frame
    client->Write(bytes.substr(9));
    ASSERT_TRUE(client->WaitReceived("SIGN_ON:TOC1.0"));
    EXPECT_EQ(client->frames.back().sequence, 0);  // 65535 wraps to 0

    const FakeTocServer::ClientRecord& record = server.Client(0);
    EXPECT_TRUE(record.greetingOk);
    EXPECT_EQ(record.greeting, std::string(kGreeting));
    EXPECT_EQ(record.screenName, "bob");
    EXPECT_TRUE(record.signedOn);
    EXPECT_TRUE(record.online);
    EXPECT_TRUE(record.signonError.empty());
    ASSERT_EQ(record.frames.size(), 2u);
    EXPECT_EQ(record.frames[0].payload, payload);
    EXPECT_EQ(record.frames[1].sequence, 0);
    ASSERT_EQ(record.commands.size(), 1u);
    EXPECT_EQ(record.commands[0], line);
    const std::vector<std::string> args = {"toc_signon", "login.example", "5190", "bob", "0x35", "english", "v (1)"};
    EXPECT_EQ(record.parsedCommands[0], args);
}

struct RefusalCase {
    const char* what;
    const char* frameName;
    std::string line;
    bool acceptAny;
};

TEST_F(FakeServerWire, RefusesBadSignOnsWithError980)
{
    server.SetPassword("Bob", "a");
    const std::vector<RefusalCase> cases = {
        {"wrong password", "bob", "toc_signon h 1 bob 0x36 english \"v\"", true},
        {"other name than the frame", "bob", "toc_signon h 1 alice 0x35 english \"v\"", true},
        {"malformed roast", "bob", "toc_signon h 1 bob 35 english \"v\"", true},
        {"too few arguments", "bob", "toc_signon h 1 bob", true},
        {"unknown name, no open accounts", "carol", "toc_signon h 1 carol 0x35 english \"v\"", false},
    };
    for (const RefusalCase& c : cases) {
        server.SetAcceptAnyPassword(c.acceptAny);
        auto client = Connect();
        const int index = server.ClientCount() - 1;
        client->SignOnWithLine(c.frameName, c.line);
        EXPECT_TRUE(client->WaitReceived("ERROR:980")) << c.what;
        EXPECT_FALSE(client->Received("SIGN_ON:TOC1.0")) << c.what;
        EXPECT_FALSE(server.Client(index).signedOn) << c.what;
        EXPECT_FALSE(server.Client(index).signonError.empty()) << c.what;
    }
    auto good = SignedOn("bob", "a");  // the account itself still works
    EXPECT_TRUE(good->Received("SIGN_ON:TOC1.0"));
}

TEST_F(FakeServerWire, FirstSignOnSetsThePasswordWhenAsked)
{
    server.SetRememberFirstPassword(true);
    auto first = SignedOn("dave", "one");
    auto second = Connect();
    second->SignOn("dave", "two");
    EXPECT_TRUE(second->WaitReceived("ERROR:980"));
    auto third = SignedOn("dave", "one");
    EXPECT_TRUE(third->Received("SIGN_ON:TOC1.0"));
}

TEST_F(FakeServerWire, HoldsTheSignOnUntilAccepted)
{
    server.SetAutoSignOn(false);
    auto client = Connect();
    EXPECT_FALSE(server.AcceptSignOn(0));  // nothing to accept yet
    client->SignOn("bob", "pw");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return server.Client(0).commands.size() == 1; }));
    // The stream is ordered: a SIGN_ON sent for toc_signon would come before this.
    ASSERT_TRUE(server.SendData(0, "PROBE"));
    ASSERT_TRUE(client->WaitReceived("PROBE"));
    EXPECT_FALSE(client->Received("SIGN_ON:TOC1.0"));
    EXPECT_TRUE(server.AcceptSignOn(0));
    EXPECT_TRUE(client->WaitReceived("SIGN_ON:TOC1.0"));
    EXPECT_TRUE(server.Client(0).signedOn);
}

TEST_F(FakeServerWire, DropsABadGreetingOrAMissingMarker)
{
    auto bad = Connect();
    bad->Write("FLAPOFF\r\n\r\n");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return bad->Closed(); }));
    EXPECT_FALSE(server.Client(0).greetingOk);
    EXPECT_FALSE(server.Client(0).protocolError.empty());
    EXPECT_FALSE(server.Client(0).closedByPeer);
    EXPECT_TRUE(bad->frames.empty());  // no SIGNON frame for a bad greeting

    auto twice = Connect();  // a second greeting where a frame belongs
    twice->Write(std::string(kGreeting) + std::string(kGreeting));
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return twice->Closed(); }));
    EXPECT_TRUE(server.Client(1).greetingOk);
    EXPECT_FALSE(server.Client(1).protocolError.empty());
}

TEST_F(FakeServerWire, EchoBotIsAnnouncedAndEchoes)
{
    server.SetEchoBot(true);
    auto client = SignedOn("bob");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return client->Texts().size() >= 2; }));
    EXPECT_EQ(client->Texts()[0], "SIGN_ON:TOC1.0");
    EXPECT_EQ(client->Texts()[1].rfind("UPDATE_BUDDY:Echo Bot:T:", 0), 0u) << client->Texts()[1];

    client->Command(R"(toc_send_im echobot "costs \$5: \"ok\"")");
    EXPECT_TRUE(client->WaitReceived(R"(IM_IN:Echo Bot:F:costs $5: "ok")"));
    client->Command(R"(toc_send_im echobot "I am away" auto)");
    EXPECT_TRUE(client->WaitReceived("IM_IN:Echo Bot:T:I am away"));

    auto impostor = Connect();
    impostor->SignOn("echobot", "pw");
    EXPECT_TRUE(impostor->WaitReceived("ERROR:980"));
}

TEST_F(FakeServerWire, RelaysMessagesPresenceAndWarnings)
{
    auto alice = SignedOn("alice");
    auto bob = SignedOn("bob");
    bob->Command("toc_add_buddy bob alice carol");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return bob->Texts().size() >= 3; }));
    const std::vector<std::string> texts = bob->Texts();
    EXPECT_EQ(texts[1].rfind("UPDATE_BUDDY:bob:T:0:", 0), 0u) << texts[1];
    EXPECT_EQ(texts[2].rfind("UPDATE_BUDDY:alice:T:0:", 0), 0u) << texts[2];

    alice->Command(R"(toc_send_im bob "a\[1\]: b" auto)");
    EXPECT_TRUE(bob->WaitReceived("IM_IN:alice:T:a[1]: b"));
    alice->Command("toc_send_im carol \"anyone?\"");
    EXPECT_TRUE(alice->WaitReceived("ERROR:901:carol"));

    alice->Command("toc_get_info bob");
    EXPECT_TRUE(alice->WaitReceived("GOTO_URL:bob:info?user=bob"));
    alice->Command("toc_evil bob norm");
    EXPECT_TRUE(bob->WaitReceived("EVILED:10:alice"));
    alice->Command("toc_evil bob anon");
    EXPECT_TRUE(bob->WaitReceived("EVILED:20:"));

    alice.reset();  // alice's connection goes away
    EXPECT_TRUE(bob->WaitReceived("UPDATE_BUDDY:alice:F:0:0:0: O"));
    EXPECT_TRUE(FakeTocServer::WaitFor([&] { return server.Client(0).closedByPeer; }));
    EXPECT_FALSE(server.Client(0).online);
    EXPECT_TRUE(server.Client(0).signedOn);

    bob->Command("toc_remove_buddy alice");
    auto alice2 = SignedOn("alice");
    bob->Command("toc_send_im bob \"marker\"");  // in order after any arrival notice
    ASSERT_TRUE(bob->WaitReceived("IM_IN:bob:F:marker"));
    int aliceArrivals = 0;
    for (const std::string& text : bob->Texts())
        aliceArrivals += text.rfind("UPDATE_BUDDY:alice:T:", 0) == 0 ? 1 : 0;
    EXPECT_EQ(aliceArrivals, 1);  // only the first one, before the removal
}

// A user who denies someone looks offline to them, from the moment of the
// deny until it is lifted.
TEST_F(FakeServerWire, ADenyHidesTheDenierFromTheDenied)
{
    auto alice = SignedOn("alice");
    auto bob = SignedOn("bob");
    bob->Command("toc_add_buddy alice");
    ASSERT_TRUE(bob->WaitReceived("UPDATE_BUDDY:alice:T:0:", true));
    alice->Command("toc_add_deny bob");
    EXPECT_TRUE(bob->WaitReceived("UPDATE_BUDDY:alice:F:0:0:0: O"));
    auto carol = SignedOn("carol");
    carol->Command("toc_add_buddy alice");
    ASSERT_TRUE(carol->WaitReceived("UPDATE_BUDDY:alice:T:0:", true)) << "only bob is denied";
    const std::size_t seen = bob->Texts().size();
    alice->Command("toc_add_permit bob");
    alice->Command("toc_add_deny");
    EXPECT_TRUE(bob->WaitReceived("UPDATE_BUDDY:alice:T:0:", true, seen));
    alice->Command("toc_add_deny bob");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] {
        int offline = 0;
        for (const std::string& text : bob->Texts())
            offline += text == "UPDATE_BUDDY:alice:F:0:0:0: O";
        return offline == 2;
    }));
    alice.reset();
    EXPECT_TRUE(carol->WaitReceived("UPDATE_BUDDY:alice:F:0:0:0: O"));
    bob->Command("toc_send_im bob \"marker\"");
    ASSERT_TRUE(bob->WaitReceived("IM_IN:bob:F:marker"));
    int offline = 0;
    for (const std::string& text : bob->Texts())
        offline += text == "UPDATE_BUDDY:alice:F:0:0:0: O";
    EXPECT_EQ(offline, 2) << "no departure for someone who never saw her";
}

TEST_F(FakeServerWire, TestsCanSendAnyFrameAndClose)
{
    auto client = SignedOn("bob");
    const std::size_t before = client->frames.size();
    QByteArray joined = server.Frame(0, kFrameData, "A:1");  // two statements: numbered in this order
    joined += server.Frame(0, kFrameData, "B:2");
    ASSERT_TRUE(server.SendRaw(0, joined.left(8)));
    ASSERT_TRUE(server.SendRaw(0, joined.mid(8)));
    ASSERT_TRUE(server.SendKeepAlive(0));
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return client->frames.size() == before + 3; }));
    EXPECT_EQ(client->frames[before].payload, "A:1");  // no NUL unless asked
    EXPECT_EQ(client->frames[before + 1].payload, "B:2");
    EXPECT_EQ(client->frames[before + 2].type, kFrameKeepAlive);
    // One more per frame, whoever built it.
    const std::uint16_t first = client->frames[before].sequence;
    EXPECT_EQ(client->frames[before - 1].sequence + 1, first);
    EXPECT_EQ(client->frames[before + 1].sequence, first + 1);
    EXPECT_EQ(client->frames[before + 2].sequence, first + 2);

    server.Close(0);
    EXPECT_TRUE(FakeTocServer::WaitFor([&] { return client->Closed(); }));
    EXPECT_TRUE(FakeTocServer::WaitFor([&] { return !server.Client(0).connected; }));
    EXPECT_FALSE(server.Client(0).closedByPeer);
    EXPECT_FALSE(server.SendData(0, "late"));
    EXPECT_FALSE(server.SendData(5, "nobody"));
    EXPECT_FALSE(server.Client(5).connected);
}

// The TOC port answers an HTTP request for a profile (GOTO_URL's address),
// sent in pieces as a slow client might, and closes.
TEST_F(FakeServerWire, ServesProfilesOverHttpOnTheTocPort)
{
    server.SetEchoBot(true);
    auto alice = SignedOn("alice");
    alice->Command(R"(toc_set_info "Hi, <b>I am Alice</b> \[x\]")");
    auto bob = SignedOn("bob");
    bob->Command("toc_get_info alice");
    ASSERT_TRUE(bob->WaitReceived("GOTO_URL:alice:info?user=alice"));

    const auto fetch = [&](const std::string& request) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
        EXPECT_TRUE(FakeTocServer::WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
        for (std::size_t at = 0; at < request.size(); at += 7) {
            socket.write(request.substr(at, 7).c_str());
            socket.flush();
        }
        std::string answer;
        EXPECT_TRUE(FakeTocServer::WaitFor([&] {
            answer += socket.readAll().toStdString();
            return socket.state() == QAbstractSocket::UnconnectedState;
        })) << request;
        return answer + socket.readAll().toStdString();
    };
    const std::string page = fetch("GET /info?user=Alice HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_EQ(page.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << page;
    EXPECT_NE(page.find("Content-Type: text/html"), std::string::npos) << page;
    EXPECT_NE(page.find("<HR>Hi, <b>I am Alice</b> [x]</BODY>"), std::string::npos) << page;
    const std::size_t bodyStart = page.find("\r\n\r\n") + 4;
    EXPECT_NE(page.find("Content-Length: " + std::to_string(page.size() - bodyStart) + "\r\n"), std::string::npos);

    EXPECT_NE(fetch("GET /info?user=echobot HTTP/1.0\n\n").find("Echo Bot"), std::string::npos);
    const std::string unknown = fetch("GET /info?user=%3Cb%3Ecarol HTTP/1.0\r\n\r\n");
    EXPECT_EQ(unknown.rfind("HTTP/1.0 404 ", 0), 0u) << unknown;
    EXPECT_NE(unknown.find("&lt;b&gt;carol is not signed on."), std::string::npos) << unknown;
    EXPECT_EQ(fetch("GET /admin HTTP/1.0\r\n\r\n").rfind("HTTP/1.0 404 ", 0), 0u);

    // TOC on the same port is unchanged, and a page request is no TOC client.
    EXPECT_TRUE(server.Client(0).online);
    EXPECT_TRUE(server.Client(2).httpRequest);
    EXPECT_FALSE(server.Client(2).signedOn);
}

// Away, idle and warnings reach whoever lists the user; the configuration an
// account stores comes back as CONFIG at its next sign-on.
TEST_F(FakeServerWire, RelaysAwayIdleAndWarningsAndStoresTheConfiguration)
{
    auto alice = SignedOn("alice");
    auto bob = SignedOn("bob");
    alice->Command("toc_add_buddy bob");
    ASSERT_TRUE(FakeTocServer::WaitFor([&] { return alice->Texts().size() >= 2; }));
    const auto last = [&] { return alice->Texts().back(); };
    const struct {
        const char* command;
        const char* ends;  // warning:signon:idle:class, after the sign-on time
        RawClient* who;
    } steps[] = {
        {"toc_set_away \"lunch\"", ":0: OU", bob.get()},
        {"toc_set_idle 600", ":10: OU", bob.get()},
        {"toc_evil bob norm", ":10: OU", alice.get()},
        {"toc_set_away", ":10: O", bob.get()},
        {"toc_set_idle 0", ":0: O", bob.get()},
    };
    for (const auto& step : steps) {
        const std::size_t before = alice->Texts().size();
        step.who->Command(step.command);
        ASSERT_TRUE(FakeTocServer::WaitFor([&] { return alice->Texts().size() > before; })) << step.command;
        EXPECT_TRUE(last().starts_with("UPDATE_BUDDY:bob:T:")) << last();
        EXPECT_TRUE(last().ends_with(step.ends)) << step.command << ": " << last();
    }
    EXPECT_TRUE(last().starts_with("UPDATE_BUDDY:bob:T:10:")) << last();

    bob->Command("toc_set_config \"m 4\ng Friends\nb alice\nd mal\n\"");
    bob->Command("toc_send_im bob \"marker\"");
    ASSERT_TRUE(bob->WaitReceived("IM_IN:bob:F:marker"));
    bob.reset();
    auto again = SignedOn("bob");
    EXPECT_TRUE(again->WaitReceived("CONFIG:m 4\ng Friends\nb alice\nd mal\n"));
    EXPECT_FALSE(alice->Received("CONFIG:m 4\ng Friends\nb alice\nd mal\n"));
}


}  // namespace
}  // namespace faketoc

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

