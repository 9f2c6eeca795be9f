#include "message_text.h"

#include <algorithm>
#include <cstring>

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
// tag may span a page-level tag that was left out ("<b<HTML>r>"). Both
// texts are written in place into room the size of the message: neither
// is ever longer (each shown byte stands for bytes of the body, and each
// body byte for one of the message).
class Splitter {
public:
    Splitter(char* body, char* shown) : body_(body), shown_(shown) {}

    // Copies a run of the message with no "<" in it to the body, and reads it.
    void Run(std::string_view run)
    {
        if (run.empty())
            return;
        const std::size_t from = bodySize_;
        std::memcpy(body_ + from, run.data(), run.size());
        bodySize_ += run.size();
        if (from > 0 && body_[from - 1] == '<' && (run.front() == 'a' || run.front() == 'A'))
            mayLink = true;
        if (state_ == State::AfterLess) {
            if (!OpensTag(run.front())) {
                shown_[shownSize_++] = '<';
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
            if (IsBreakTag(std::string_view(body_ + tagAt_ + 1, end - tagAt_ - 1)))
                shown_[shownSize_++] = ' ';
            state_ = State::Text;
            run.remove_prefix(close + 1);
        }
        std::memcpy(shown_ + shownSize_, run.data(), run.size());
        shownSize_ += run.size();
    }

    // A "<" of the message that is no page-level tag.
    void Less()
    {
        const std::size_t at = bodySize_;
        body_[bodySize_++] = '<';
        if (state_ == State::InTag)
            return;  // part of the tag's text
        if (state_ == State::AfterLess)
            shown_[shownSize_++] = '<';  // the one before opened nothing
        state_ = State::AfterLess;
        tagAt_ = at;
    }

    void End()
    {
        // A "<" at the very end is text; so is a tag nothing closes, with
        // all that follows it.
        if (state_ == State::AfterLess) {
            shown_[shownSize_++] = '<';
        } else if (state_ == State::InTag) {
            std::memcpy(shown_ + shownSize_, body_ + tagAt_, bodySize_ - tagAt_);
            shownSize_ += bodySize_ - tagAt_;
        }
    }

    std::size_t BodySize() const { return bodySize_; }
    std::size_t ShownSize() const { return shownSize_; }
    bool mayLink = false;

private:
    enum class State { Text, AfterLess, InTag };
    char* body_;
    char* shown_;
    std::size_t bodySize_ = 0;
    std::size_t shownSize_ = 0;
    State state_ = State::Text;
    std::size_t tagAt_ = 0;  // the body offset of the "<" of the open tag
};

}  // namespace

void SplitMessageMarkup(std::string_view text, MessageText& out)
{
    out.body.resize(text.size());
    out.shown.resize(text.size());
    Splitter split(out.body.data(), out.shown.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('<', i);
        const std::size_t runEnd = open == std::string_view::npos ? text.size() : open;
        split.Run(text.substr(i, runEnd - i));
        if (open == std::string_view::npos)
            break;
        i = open;
        // A page-level tag is left out, and what follows is read afresh.
        const std::size_t page = PageTagLength(text.substr(i));
        if (page != 0) {
            i += page;
            continue;
        }
        split.Less();
        ++i;
    }
    split.End();
    out.body.resize(split.BodySize());
    out.shown.resize(std::min(split.ShownSize(), kMaxStrippedText));
    out.mayLink = split.mayLink;
}
