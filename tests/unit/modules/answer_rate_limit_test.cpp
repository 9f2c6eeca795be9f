// How often parley answers one inviter, on a clock the test moves.
#include <string>

#include <gtest/gtest.h>

#include "answer_rate_limit.h"

using parley::kAnswerIntervalMs;

TEST(AnswerRateLimit, AnInviterIsAnsweredAgainExactlyWhenTheWindowEnds)
{
    parley::AnswerRateLimit replies;
    constexpr std::int64_t start = 5'000'000;
    EXPECT_TRUE(replies.ShouldAnswer("bob", start));
    EXPECT_FALSE(replies.ShouldAnswer("bob", start + kAnswerIntervalMs - 1));
    EXPECT_TRUE(replies.ShouldAnswer("alice", start + 1)) << "each inviter has a window of its own";
    EXPECT_TRUE(replies.ShouldAnswer("bob", start + kAnswerIntervalMs));
    // The window starts again at the answer, not at the refusal.
    EXPECT_FALSE(replies.ShouldAnswer("bob", start + 2 * kAnswerIntervalMs - 1));
    EXPECT_TRUE(replies.ShouldAnswer("bob", start + 2 * kAnswerIntervalMs));
}

TEST(AnswerRateLimit, AFullMemoryMakesRoomOnlyForInvitersWhoseWindowEnded)
{
    parley::AnswerRateLimit replies;
    for (std::size_t i = 0; i < parley::kMaxRemembered; ++i)
        ASSERT_TRUE(replies.ShouldAnswer("inviter" + std::to_string(i), static_cast<std::int64_t>(i)));
    EXPECT_FALSE(replies.ShouldAnswer("newcomer", kAnswerIntervalMs - 1)) << "all still within their window";
    EXPECT_TRUE(replies.ShouldAnswer("newcomer", kAnswerIntervalMs)) << "the first inviter's window has ended";
    EXPECT_FALSE(replies.ShouldAnswer("inviter1", kAnswerIntervalMs)) << "kept while within its window";
}
