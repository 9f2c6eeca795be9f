// The away message: the automatic reply to each message that arrives while
// it is set. Set by the "away" command and by the modules' SetAwayText;
// changed only through here.
#pragma once

#include <string>
#include <string_view>

#include "toc_limits.h"

class AwayState {
public:
    bool IsAway() const { return away_; }
    const std::string& Text() const { return text_; }

    // The reply from now on, cut to kMaxTocText; away.
    void Set(std::string_view text)
    {
        text_.assign(text.substr(0, kMaxTocText));
        away_ = true;
    }
    // Back: no more replies (the text is kept, unused).
    void Unset() { away_ = false; }

private:
    std::string text_;
    bool away_ = false;
};
