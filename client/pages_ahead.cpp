#include "pages_ahead.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::size_t kStretch = std::size_t{256} << 10;

}  // namespace

void PagesAhead::Written(const void* data, std::size_t used, std::size_t capacity)
{
    if (data != block_) {
        // A new block: what was copied into it is made already.
        block_ = data;
        ready_ = used;
    }
    if (used < ready_)
        return;
#ifdef MADV_POPULATE_WRITE
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (begin + used + page - 1) & ~(page - 1);
    const std::uintptr_t to = std::min((begin + capacity) & ~(page - 1), from + kStretch);
    ready_ = to > begin ? to - begin : used;
    // A kernel without it says EINVAL: the pages then come one fault at a time.
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    ready_ = capacity;
#endif
}
