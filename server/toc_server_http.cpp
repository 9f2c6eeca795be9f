// Profiles over HTTP on the TOC port, as TOC servers serve them: the first
// bytes of a connection decide ("FLAPON" starts TOC, a GET request line asks
// for a page). GOTO_URL's relative "info?user=NAME" gives a signed-on user's
// profile as toc_set_info last set it; anything else gets a 404 page. One
// request per connection, answered in HTTP/1.0 and closed.
#include "toc_server_core.h"
#include "toc_command_line.h"

#include <QDateTime>

#include <optional>

namespace tocserver {

namespace {

// A request line and its headers must end within this much.
constexpr std::size_t kMaxRequest = 8192;

constexpr std::string_view kEchoBotProfile =
    "I am the Echo Bot of this local server: I send back every message you send me."
    "<br>Send me <b>&quot;invite me&quot;</b> and I invite you to a chat."
    "<br>This page in your web browser: <a href=\"info?user=echobot\">info?user=echobot</a>";

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

// %XX and "+" of a query value.
std::string DecodeQueryValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            out.push_back(' ');
        } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
                   HexValue(value[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2])));
            i += 2;
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

// The "user" value of "/info?...", or nothing when the target is another page.
std::optional<std::string> InfoUser(std::string_view target)
{
    constexpr std::string_view kInfo = "/info?";
    if (!target.starts_with(kInfo))
        return std::nullopt;
    std::string_view query = target.substr(kInfo.size());
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.starts_with("user="))
            return DecodeQueryValue(pair.substr(5));
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
    }
    return std::nullopt;
}

std::string HttpAnswer(std::string_view status, std::string_view title, std::string_view body)
{
    const std::string page = "<HTML><HEAD><TITLE>" + EscapeHtml(title) + "</TITLE></HEAD><BODY>" +
                             std::string(body) + "</BODY></HTML>\n";
    return "HTTP/1.0 " + std::string(status) +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
           "\r\nConnection: close\r\n\r\n" + page;
}

std::string ProfileBody(std::string_view name, int warningLevel, std::int64_t signonTime, std::string_view profile)
{
    const QString since = QDateTime::fromSecsSinceEpoch(signonTime).toUTC().toString(Qt::ISODate);
    return "Username: <B>" + EscapeHtml(name) + "</B><BR>Warning Level: <B>" + std::to_string(warningLevel) +
           "%</B><BR>Online Since: <B>" + since.toStdString() + "</B><BR><HR>" + std::string(profile);
}

}  // namespace

bool StartsHttpRequest(std::string_view bytes)
{
    constexpr std::string_view kGet = "GET ";
    return bytes.substr(0, kGet.size()) == kGet.substr(0, std::min(bytes.size(), kGet.size()));
}

void ServerCore::TakeHttpRequest(Connection& connection, std::string_view bytes)
{
    std::string& request = connection.httpRequest;
    request.append(bytes);
    std::size_t end = request.find("\r\n\r\n");
    if (end == std::string::npos)
        end = request.find("\n\n");
    if (end == std::string::npos) {
        if (request.size() > kMaxRequest)
            DropConnection(connection, "an HTTP request without its end");
        return;
    }
    // "GET <target> HTTP/1.x"
    const std::string_view line = std::string_view(request).substr(0, request.find_first_of("\r\n"));
    const std::size_t targetStart = line.find(' ') + 1;
    const std::size_t targetEnd = line.find(' ', targetStart);
    const std::string_view target = line.substr(targetStart, targetEnd - targetStart);
    connection.phase = Connection::Phase::Finished;

    std::string answer;
    const std::optional<std::string> user = InfoUser(target);
    const std::string key = user ? NormalizeScreenName(*user) : std::string();
    const std::vector<Connection*> online = OnlineAs(key);
    if (user && echoBot && key == kEchoBotKey) {
        answer = HttpAnswer("200 OK", "Profile of " + std::string(kEchoBotName),
                            ProfileBody(kEchoBotName, 0, startTime, kEchoBotProfile));
    } else if (user && !online.empty()) {
        const Connection& found = *online.front();
        answer = HttpAnswer("200 OK", "Profile of " + key,
                            ProfileBody(key, found.warningLevel, found.signonTime, found.profile));
    } else if (user) {
        answer = HttpAnswer("404 Not Found", "Not signed on", EscapeHtml(key) + " is not signed on.");
    } else {
        answer = HttpAnswer("404 Not Found", "Not found", "There is no such page here.");
    }
    Write(connection, answer);
    connection.closedByServer = true;
    if (connection.socket)
        connection.socket->disconnectFromHost();  // after what is written has gone
}

}  // namespace tocserver
