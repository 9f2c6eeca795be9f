// Handing one command line to the protocol library.
#pragma once

#include <string_view>

struct ClientContext;

// TOC_Send with length -1 on a writable copy of the command; -1 means not
// sent (also when the protocol library is not bound).
int SendCommand(ClientContext& ctx, std::string_view command);
