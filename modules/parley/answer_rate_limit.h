// A rate limit on answers: one inviter is answered at most once in
// kAnswerIntervalMs, so a flood of invitations cannot turn into a flood of
// replies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace parley {

inline constexpr std::int64_t kAnswerIntervalMs = 10000;
// Inviters remembered at once; more different ones within one window go
// unanswered (only a flood gets there).
inline constexpr std::size_t kMaxRemembered = 1024;

class AnswerRateLimit {
public:
    // Whether to answer this inviter (normalised) at this time (milliseconds
    // of a steady clock); an answer is remembered.
    bool ShouldAnswer(const std::string& inviter, std::int64_t nowMs);

private:
    std::unordered_map<std::string, std::int64_t> lastAnswer_;
};

}  // namespace parley
