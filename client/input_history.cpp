#include "input_history.h"
#include "toc_limits.h"

void InputHistory::Push(std::string_view line)
{
    // Slots hold lines newest first; the oldest falls off the end.
    for (int k = kSlots - 2; k >= 0; --k) {
        if (!slots_[static_cast<std::size_t>(k)].empty())
            slots_[static_cast<std::size_t>(k) + 1] = slots_[static_cast<std::size_t>(k)];
    }
    slots_[0].assign(line.substr(0, kMaxTocText));
    position_ = 0;
}

std::optional<std::string> InputHistory::Step(bool older)
{
    if (older) {
        if (position_ >= kSlots || slots_[static_cast<std::size_t>(position_)].empty())
            return std::nullopt;
        return slots_[static_cast<std::size_t>(position_++)];
    }
    if (position_ == 0)
        return std::nullopt;
    --position_;
    if (position_ > 0)
        return slots_[static_cast<std::size_t>(position_) - 1];
    return std::string();
}

void InputHistory::Clear()
{
    for (auto& slot : slots_)
        slot.clear();
    position_ = 0;
}
