#include "answer_rate_limit.h"

#include <iterator>

namespace parley {

bool AnswerRateLimit::ShouldAnswer(const std::string& inviter, std::int64_t nowMs)
{
    if (const auto known = lastAnswer_.find(inviter); known != lastAnswer_.end()) {
        if (nowMs - known->second < kAnswerIntervalMs)
            return false;
        known->second = nowMs;
        return true;
    }
    if (lastAnswer_.size() >= kMaxRemembered) {
        for (auto it = lastAnswer_.begin(); it != lastAnswer_.end();)
            it = nowMs - it->second >= kAnswerIntervalMs ? lastAnswer_.erase(it) : std::next(it);
        if (lastAnswer_.size() >= kMaxRemembered)
            return false;
    }
    lastAnswer_.emplace(inviter, nowMs);
    return true;
}

}  // namespace parley
