// Fresh room of a large block, written line after line, faults in one page
// at a time; asking for the pages ahead in one call costs far less per page.
#pragma once

#include <cstddef>

class PagesAhead {
public:
    // After a write that left `used` of the `capacity` bytes at `data` in
    // use: when the writes have reached the pages made last time, the next
    // stretch of the room is made at once (where the system can; nothing
    // changes in what the block holds).
    void Written(const void* data, std::size_t used, std::size_t capacity);

private:
    const void* block_ = nullptr;
    std::size_t ready_ = 0;  // bytes of the block whose pages are made
};
