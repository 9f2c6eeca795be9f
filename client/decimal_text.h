#pragma once

#include <string_view>

// The leading decimal integer of a text by atoi's rules (leading blanks, an
// optional sign, digits up to the first other character; 0 when there are
// none), held to the int range instead of overflowing.
int LeadingDecimal(std::string_view text);
