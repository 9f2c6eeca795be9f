// What the status line says for a server ERROR.
#pragma once

#include <string_view>

// The text for an ERROR's argument ("901:bob" and so on).
std::string_view ErrorCodeText(std::string_view argument);
