// Reading fields out of a userinfo.cfg image by offset, independently of the
// client's own record type: texts end at their first NUL (or their width),
// integers are 32-bit little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline std::string TextAt(const std::string& image, std::size_t offset, std::size_t width)
{
    if (offset >= image.size())
        return {};
    const std::string field = image.substr(offset, width);
    return field.substr(0, field.find('\0'));
}

inline std::int32_t IntAt(const std::string& image, std::size_t offset)
{
    if (offset + 4 > image.size())
        return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(image[offset + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(value);
}
