// The transcript's text as the user sees it: HTML entities decoded, links
// found, and words found in it. The transcript and the log keep the text as
// it came; only views decode it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// &amp; &lt; &gt; &quot; &apos; &nbsp; &#NN; and &#xNN; become their
// characters (UTF-8 when `utf8`, else one byte where the character has one);
// anything else, an unknown name or a number out of range, stays as it is.
std::string DecodeEntities(std::string_view text, bool utf8 = true);
// The one entity at the start of `text` ("&...;"), by the same rules:
// appends what it stands for and gives its length, or 0 when it is none.
std::size_t DecodeEntityAt(std::string_view text, std::string& out, bool utf8 = true);

// Bare addresses in shown text: "http://", "https://" and "www." up to the
// next blank, with trailing punctuation left out. Byte ranges.
struct TextRange {
    std::size_t begin = 0;
    std::size_t length = 0;
};
std::vector<TextRange> BareLinks(std::string_view text);

// Counting and finding a word in a text of CR LF lines, without regard to
// ASCII case, as the lines are shown (entities decoded). A word never spans
// lines.
class TextFinder {
public:
    explicit TextFinder(std::string_view word);
    bool Empty() const { return word_.empty(); }
    // Every match in the text.
    std::size_t Count(std::string_view text) const;
    // Matches in one line as shown.
    std::size_t CountInLine(std::string_view line) const;
    // The start of the first line at or after `from` (forward) or before
    // `from` (backward) that holds a match; npos when none.
    std::size_t NextLine(std::string_view text, std::size_t from, bool forward) const;

private:
    std::size_t CountRaw(std::string_view text) const;
    bool MatchesAt(const char* at) const;
    std::string word_;  // lower-cased
};
