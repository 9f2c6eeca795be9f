// Every instant message the client sends passes one operation.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct ClientContext;


// Escapes free text for a double-quoted TOC argument: cut to kMaxTocText, a
// backslash before '"', '\\', '{' and '}', each LF becomes "<BR>". The
// result can be four times as long as the cut text.
std::string EscapeTocText(std::string_view text);

void SendInstantMessage(ClientContext& ctx, std::string_view recipient, std::string_view text, bool automatic);
// Says how many more automatic replies were refused since the first one was
// reported; the pacer calls it when its waiting line empties.
void ReportRefusedReplies(ClientContext& ctx);

// A name from the server or a module goes into a command only when it is a
// screen name; otherwise a status line says so and the caller sends nothing.
bool CheckRecipient(ClientContext& ctx, std::string_view name);
