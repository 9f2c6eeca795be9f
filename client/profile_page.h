// A profile as the server serves it (GOTO_URL's relative URL, an HTML page
// on the TOC port), turned into what the client shows: plain text runs, each
// either text or a link. Nothing of the page is ever rendered: no markup,
// no images, only the text and the addresses of its links.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Whose profile a GOTO_URL points to: the URL's "user" value when it has
// one, else the window name the server gave; cut to a screen name's room.
std::string ProfileSubject(std::string_view windowName, std::string_view url);

// The address to fetch: a URL that names its own http or https scheme is
// taken as it is; any other is relative to the TOC server's port.
std::string ProfileAddress(std::string_view tocHost, int tocPort, std::string_view url);

struct ProfileRun {
    std::string text;  // may hold line breaks
    std::string link;  // the link's address as the page gives it; "" for text
    bool operator==(const ProfileRun&) const = default;
};

// The page's body (the whole page when it has none) as runs: tags left out
// (<BR>, <P>, <HR>, <DIV>, <LI> and <TR> break the line), the text of
// <SCRIPT>, <STYLE> and <TITLE> dropped, the common character entities
// decoded, blanks collapsed as a browser would. An <A HREF> whose address is
// http, https or mailto, or relative, makes a link run of its text.
std::vector<ProfileRun> ProfileRuns(std::string_view page);
