// The two forms of an instant message's text, made in one walk over it: the
// text without its page-level tags (what modules and notifications are
// given) and, from that, the display form the transcript shows.
#pragma once

#include <string>
#include <string_view>

struct MessageText {
    std::string body;   // without "<BODY ...>", "<HTML>", "</HTML>", "</BODY>"
                        // (upper case only): other markup kept
    std::string shown;  // StripMarkup(body): plain text, cut to its room
    // Whether body holds a "<" followed by an "a" or "A", as every link
    // does; without one there is no link to look for.
    bool mayLink = false;
};

// Fills `out` (its buffers are reused) from the message as it came.
void SplitMessageMarkup(std::string_view text, MessageText& out);
