#include "profile_page.h"

#include "shown_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

constexpr std::size_t kMaxSubject = 127;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return Lower(a) == Lower(b); });
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0)
{
    for (std::size_t at = from; at + what.size() <= text.size(); ++at) {
        if (StartsWithNoCase(text.substr(at), what))
            return at;
    }
    return std::string_view::npos;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string DecodeQueryValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            out.push_back(' ');
        } else if (value[i] == '%' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
                   HexDigit(value[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2])));
            i += 2;
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

// The text between <BODY ...> and </BODY>, or the whole page.
std::string_view Body(std::string_view page)
{
    const std::size_t open = FindNoCase(page, "<body");
    if (open == std::string_view::npos)
        return page;
    const std::size_t start = page.find('>', open);
    if (start == std::string_view::npos)
        return {};
    page = page.substr(start + 1);
    const std::size_t close = FindNoCase(page, "</body");
    return page.substr(0, close);
}

// The tag's name in lower case, without a leading "/".
std::string TagName(std::string_view tag)
{
    if (tag.starts_with('/'))
        tag.remove_prefix(1);
    std::string name;
    for (char c : tag) {
        if (IsBlank(c) || c == '/' || c == '>')
            break;
        name.push_back(Lower(c));
    }
    return name;
}

// The HREF value of an <A ...> tag, entities decoded; "" when it has none.
std::string HrefOf(std::string_view tag)
{
    std::size_t at = 0;
    while ((at = FindNoCase(tag, "href", at)) != std::string_view::npos) {
        const bool starts = at > 0 && IsBlank(tag[at - 1]);
        std::size_t i = at + 4;
        while (i < tag.size() && IsBlank(tag[i]))
            ++i;
        if (!starts || i >= tag.size() || tag[i] != '=') {
            at += 4;
            continue;
        }
        ++i;
        while (i < tag.size() && IsBlank(tag[i]))
            ++i;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
            const std::size_t end = tag.find(tag[i], i + 1);
            return DecodeEntities(tag.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
        }
        std::size_t end = i;
        while (end < tag.size() && !IsBlank(tag[end]))
            ++end;
        return DecodeEntities(tag.substr(i, end - i));
    }
    return {};
}

// Only these may become something the user can click.
bool Followable(std::string_view href)
{
    if (href.empty())
        return false;
    for (std::string_view scheme : {"http:", "https:", "mailto:"}) {
        if (StartsWithNoCase(href, scheme))
            return true;
    }
    // A relative address has no scheme before its path.
    const std::size_t colon = href.find(':');
    return colon == std::string_view::npos || href.find_first_of("/?#") < colon;
}

// Collects the runs, collapsing blanks across tags as a browser does.
class RunBuilder {
public:
    void Text(char c)
    {
        if (IsBlank(c)) {
            blankPending_ = true;
            return;
        }
        Literal(c);
    }
    // A character that is never collapsed (from an entity).
    void Literal(char c)
    {
        if (blankPending_ && !AtLineStart())
            Put(' ');
        blankPending_ = false;
        Put(c);
    }
    void Text(std::string_view text)
    {
        for (char c : text)
            Text(c);
    }
    void Break()
    {
        blankPending_ = false;
        if (newlines_ < 2 && !Empty())
            Put('\n');
    }
    void StartLink(std::string href)
    {
        EndLink();
        // A blank before the link belongs to the text, not to the link.
        if (blankPending_ && !AtLineStart())
            Put(' ');
        blankPending_ = false;
        Close();
        link_ = std::move(href);
        linkTextStart_ = Current().text.size();
    }
    void EndLink()
    {
        if (link_.empty())
            return;
        if (Current().text.size() == linkTextStart_)
            Text(link_);  // a link without text shows its address
        Close();
    }
    std::vector<ProfileRun> Finish()
    {
        EndLink();
        Close();
        while (!runs_.empty()) {
            std::string& text = runs_.back().text;
            while (!text.empty() && text.back() == '\n')
                text.pop_back();
            if (!text.empty())
                break;
            runs_.pop_back();
        }
        return std::move(runs_);
    }

private:
    ProfileRun& Current()
    {
        if (!open_) {
            runs_.push_back({{}, link_});
            open_ = true;
        }
        return runs_.back();
    }
    // Ends the open run; a text run right after another text run joins it.
    void Close()
    {
        if (!open_)
            return;
        open_ = false;
        if (runs_.back().text.empty()) {
            runs_.pop_back();
        } else if (runs_.size() >= 2 && runs_.back().link.empty() && runs_[runs_.size() - 2].link.empty()) {
            runs_[runs_.size() - 2].text += runs_.back().text;
            runs_.pop_back();
        }
        link_.clear();
    }
    void Put(char c)
    {
        Current().text.push_back(c);
        newlines_ = c == '\n' ? newlines_ + 1 : 0;
        empty_ = false;
    }
    bool AtLineStart() const { return empty_ || newlines_ > 0; }
    bool Empty() const { return empty_; }

    std::vector<ProfileRun> runs_;
    std::string link_;
    std::size_t linkTextStart_ = 0;
    bool open_ = false;
    bool blankPending_ = false;
    bool empty_ = true;
    int newlines_ = 0;
};

bool BreaksLine(const std::string& name)
{
    static constexpr std::string_view kBreaking[] = {"br", "p", "hr", "div", "li", "tr", "h1", "h2", "h3",
                                                     "h4", "h5", "h6", "ul", "ol", "table", "blockquote"};
    return std::find(std::begin(kBreaking), std::end(kBreaking), name) != std::end(kBreaking);
}

}  // namespace

std::string ProfileSubject(std::string_view windowName, std::string_view url)
{
    const std::size_t question = url.find('?');
    if (question != std::string_view::npos) {
        std::string_view query = url.substr(question + 1);
        query = query.substr(0, query.find('#'));
        while (!query.empty()) {
            const std::size_t amp = query.find('&');
            const std::string_view pair = query.substr(0, amp);
            if (pair.starts_with("user=") && pair.size() > 5)
                return DecodeQueryValue(pair.substr(5)).substr(0, kMaxSubject);
            query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        }
    }
    return std::string(windowName.substr(0, kMaxSubject));
}

std::string ProfileAddress(std::string_view tocHost, int tocPort, std::string_view url)
{
    if (StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"))
        return std::string(url);
    while (url.starts_with('/'))
        url.remove_prefix(1);
    std::string host(tocHost);
    // An IPv6 address is written in brackets inside a URL.
    if (host.find(':') != std::string::npos && !host.starts_with('['))
        host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(tocPort) + "/" + std::string(url);
}

std::vector<ProfileRun> ProfileRuns(std::string_view page)
{
    const std::string_view body = Body(page);
    RunBuilder runs;
    std::size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (c == '<' && body.substr(i).starts_with("<!--")) {
            const std::size_t end = body.find("-->", i + 4);
            i = end == std::string_view::npos ? body.size() : end + 3;
            continue;
        }
        const bool opensTag = c == '<' && i + 1 < body.size() &&
                              (std::isalpha(static_cast<unsigned char>(body[i + 1])) || body[i + 1] == '/' ||
                               body[i + 1] == '!' || body[i + 1] == '?');
        const std::size_t close = opensTag ? body.find('>', i + 1) : std::string_view::npos;
        if (close != std::string_view::npos) {
            const std::string_view tag = body.substr(i + 1, close - i - 1);
            const std::string name = TagName(tag);
            i = close + 1;
            if (tag.starts_with('/')) {
                if (name == "a")
                    runs.EndLink();
                else if (BreaksLine(name))
                    runs.Break();
            } else if (name == "a") {
                std::string href = HrefOf(tag);
                if (Followable(href))
                    runs.StartLink(std::move(href));
            } else if (name == "script" || name == "style" || name == "title") {
                const std::size_t end = FindNoCase(body, "</" + name, i);
                const std::size_t endClose = end == std::string_view::npos ? end : body.find('>', end);
                i = endClose == std::string_view::npos ? body.size() : endClose + 1;
            } else if (BreaksLine(name)) {
                runs.Break();
            }
            continue;
        }
        if (c == '&') {
            std::string decoded;
            if (const std::size_t used = DecodeEntityAt(body.substr(i), decoded); used > 0) {
                // A decoded blank (&nbsp;) is kept as it is.
                for (char d : decoded)
                    runs.Literal(d);
                i += used;
                continue;
            }
        }
        runs.Text(c);
        ++i;
    }
    return runs.Finish();
}
