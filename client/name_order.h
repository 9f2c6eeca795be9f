// The order of screen names wherever the client lists them (the online list,
// the buddy editor): letters compared without regard to case, ties broken
// byte for byte so the order is total.
#pragma once

#include <string_view>

bool NameSortsBefore(std::string_view a, std::string_view b);
