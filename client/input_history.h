// The input line's history: 64 lines, newest first, walked with Up and Down.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class InputHistory {
public:
    static constexpr int kSlots = 64;

    // Stores a submitted line as the newest (repeats included); the oldest
    // beyond 64 is dropped, and the recall position returns to the fresh line.
    void Push(std::string_view line);
    // One step older (true) or newer (false). Returns the text the input line
    // now shows, or nothing when the step changes nothing.
    std::optional<std::string> Step(bool older);
    void Clear();

private:
    std::array<std::string, kSlots> slots_;
    int position_ = 0;
};
