// Where each line of a text begins, in four bytes a line: offsets keep their
// low 32 bits, and the few lines where the text passed another 4 GiB are
// noted apart. Half the memory of plain offsets, for any text size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class LineStarts {
public:
    LineStarts() { Reset(); }
    void Reset()
    {
        low_.assign(1, 0);
        wraps_.clear();
    }
    // Offsets come in ascending order.
    void Add(std::size_t offset)
    {
        const std::size_t line = low_.size();
        while (wraps_.size() < (static_cast<std::uint64_t>(offset) >> 32))
            wraps_.push_back(line);
        low_.push_back(static_cast<std::uint32_t>(offset));
    }
    std::size_t Count() const { return low_.size(); }
    std::size_t operator[](std::size_t line) const
    {
        const auto high = static_cast<std::uint64_t>(std::upper_bound(wraps_.begin(), wraps_.end(), line) - wraps_.begin());
        return static_cast<std::size_t>((high << 32) | low_[line]);
    }

private:
    std::vector<std::uint32_t> low_;
    std::vector<std::size_t> wraps_;  // the first line of each further 4 GiB
};
