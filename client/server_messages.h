// The client's handling of the server messages the library hands on:
// instant messages, buddy arrivals and departures, warnings, profile links.
#pragma once

#include <string>
#include <string_view>

struct ClientContext;

// A server message as the library hands it on: its texts end in a NUL, and
// modules are given them as they are, without a copy. Null stands for an
// empty text.
void HandleServerMessage(ClientContext& ctx, const char* command, const char* arguments);

