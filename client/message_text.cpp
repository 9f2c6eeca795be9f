#include "message_text.h"

#include "transcript.h"

namespace {

// What may follow a "<" for it to open a tag (as StripMarkup reads it).
bool OpensTag(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

bool IsBreakTag(std::string_view tag)
{
    return tag.size() == 2 && (tag[0] == 'B' || tag[0] == 'b') && (tag[1] == 'R' || tag[1] == 'r');
}

// How long the page-level tag at the start of `rest` (which starts with
// "<") is, or 0 when it starts none. An unclosed "<BODY " takes the rest.
std::size_t PageTagLength(std::string_view rest)
{
    if (rest.size() < 6)
        return 0;
    switch (rest[1]) {
    case 'B':
        if (rest.starts_with("<BODY ")) {
            const std::size_t close = rest.find('>');
            return close == std::string_view::npos ? rest.size() : close + 1;
        }
        return 0;
    case 'H':
        return rest.starts_with("<HTML>") ? 6 : 0;
    case '/':
        return rest.starts_with("</HTML>") || rest.starts_with("</BODY>") ? 7 : 0;
    default:
        return 0;
    }
}

// Reads the body text as it is made, and writes its display form: the
// markup rules of StripMarkup, kept in a state between pieces so that a
// tag may span a page-level tag that was left out ("<b<HTML>r>").
class ShownWriter {
public:
    ShownWriter(const std::string& body, std::string& shown, bool& mayLink)
        : body_(body), shown_(shown), mayLink_(mayLink)
    {
    }

    // A run of body text with no "<" in it, just appended to the body.
    void Run(std::size_t from)
    {
        std::string_view run = std::string_view(body_).substr(from);
        if (run.empty())
            return;
        if (from > 0 && body_[from - 1] == '<' && (run.front() == 'a' || run.front() == 'A'))
            mayLink_ = true;
        if (state_ == State::AfterLess) {
            if (!OpensTag(run.front())) {
                shown_.push_back('<');
                state_ = State::Text;
            } else {
                state_ = State::InTag;
            }
        }
        if (state_ == State::InTag) {
            const std::size_t close = run.find('>');
            if (close == std::string_view::npos)
                return;
            const std::size_t end = from + close;  // the ">" in the body
            if (IsBreakTag(std::string_view(body_).substr(tagAt_ + 1, end - tagAt_ - 1)))
                shown_.push_back(' ');
            state_ = State::Text;
            run.remove_prefix(close + 1);
        }
        shown_.append(run);
    }

    // A "<" of the body, at `at`.
    void Less(std::size_t at)
    {
        if (state_ == State::InTag)
            return;  // part of the tag's text
        if (state_ == State::AfterLess)
            shown_.push_back('<');  // the one before opened nothing
        state_ = State::AfterLess;
        tagAt_ = at;
    }

    void End()
    {
        // A "<" at the very end is text; so is a tag nothing closes, with
        // all that follows it.
        if (state_ == State::AfterLess)
            shown_.push_back('<');
        else if (state_ == State::InTag)
            shown_.append(body_, tagAt_);
        if (shown_.size() > kMaxStrippedText)
            shown_.resize(kMaxStrippedText);
    }

private:
    enum class State { Text, AfterLess, InTag };
    const std::string& body_;
    std::string& shown_;
    bool& mayLink_;
    State state_ = State::Text;
    std::size_t tagAt_ = 0;  // the body offset of the "<" of the open tag
};

}  // namespace

void SplitMessageMarkup(std::string_view text, MessageText& out)
{
    std::string& body = out.body;
    body.clear();
    out.shown.clear();
    out.mayLink = false;
    body.reserve(text.size());
    out.shown.reserve(text.size());
    ShownWriter shown(body, out.shown, out.mayLink);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('<', i);
        const std::size_t runEnd = open == std::string_view::npos ? text.size() : open;
        const std::size_t runAt = body.size();
        body.append(text.substr(i, runEnd - i));
        shown.Run(runAt);
        if (open == std::string_view::npos)
            break;
        i = open;
        // A page-level tag is left out, and what follows is read afresh.
        const std::size_t page = PageTagLength(text.substr(i));
        if (page != 0) {
            i += page;
            continue;
        }
        shown.Less(body.size());
        body.push_back('<');
        ++i;
    }
    shown.End();
}
