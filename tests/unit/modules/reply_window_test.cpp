// How often parley answers one inviter, on a clock the test moves.
#include <string>

#include <gtest/gtest.h>

#include "reply_window.h"

using parley::kReplyWindowMs;

TEST(ReplyWindow, AnInviterIsAnsweredAgainExactlyWhenTheWindowEnds)
{
    parley::ReplyWindow replies;
    constexpr std::int64_t start = 5'000'000;
    EXPECT_TRUE(replies.ShouldAnswer("bob", start));
    EXPECT_FALSE(replies.ShouldAnswer("bob", start + kReplyWindowMs - 1));
    EXPECT_TRUE(replies.ShouldAnswer("alice", start + 1)) << "each inviter has a window of its own";
    EXPECT_TRUE(replies.ShouldAnswer("bob", start + kReplyWindowMs));
    // The window starts again at the answer, not at the refusal.
    EXPECT_FALSE(replies.ShouldAnswer("bob", start + 2 * kReplyWindowMs - 1));
    EXPECT_TRUE(replies.ShouldAnswer("bob", start + 2 * kReplyWindowMs));
}

TEST(ReplyWindow, AFullMemoryMakesRoomOnlyForInvitersWhoseWindowEnded)
{
    parley::ReplyWindow replies;
    for (std::size_t i = 0; i < parley::kMaxRemembered; ++i)
        ASSERT_TRUE(replies.ShouldAnswer("inviter" + std::to_string(i), static_cast<std::int64_t>(i)));
    EXPECT_FALSE(replies.ShouldAnswer("newcomer", kReplyWindowMs - 1)) << "all still within their window";
    EXPECT_TRUE(replies.ShouldAnswer("newcomer", kReplyWindowMs)) << "the first inviter's window has ended";
    EXPECT_FALSE(replies.ShouldAnswer("inviter1", kReplyWindowMs)) << "kept while within its window";
}
