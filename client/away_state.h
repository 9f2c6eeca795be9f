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
    // The server was told (by /away, not by a module's SetAwayText): a new
    // connection must tell it again.
    bool ServerTold() const { return away_ && serverTold_; }
    const std::string& Text() const { return text_; }

    // The reply from now on, cut to kMaxTocText; away.
    void Set(std::string_view text, bool serverTold = false)
    {
        text_.assign(text.substr(0, kMaxTocText));
        away_ = true;
        serverTold_ = serverTold;
    }
    // Back: no more replies (the text is kept, unused).
    void Unset()
    {
        away_ = false;
        serverTold_ = false;
    }

private:
    bool serverTold_ = false;
    std::string text_;
    bool away_ = false;
};
