// The client's version word, as the protocol library sends it at sign-on.
#pragma once

inline constexpr const char* kClientVersion = "zorvane";
