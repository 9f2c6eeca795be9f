#include "name_order.h"

#include <cstring>

namespace {

unsigned char Folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

bool NameSortsBefore(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    // Identical bytes fold alike: names that share a long start (a flood of
    // "Buddy 000...") skip it eight bytes at a time.
    std::size_t i = 0;
    while (i + 8 <= n && std::memcmp(a.data() + i, b.data() + i, 8) == 0)
        i += 8;
    for (; i < n; ++i) {
        const unsigned char x = Folded(a[i]);
        const unsigned char y = Folded(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    // Equal but for case: the byte order keeps the order total ("Bob" before "bob").
    return a.compare(b) < 0;
}
