// The ceiling for the burst figures: the same frames sent over 127.0.0.1 and
// read by a plain loop that does nothing but split FLAP frames.
#pragma once

#include <cstddef>

namespace bench {

// IMs per second from the first byte written to the last frame split, or a
// negative value when the loopback connection could not be made.
double MeasureCeiling(std::size_t count);

}  // namespace bench
