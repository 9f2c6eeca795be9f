// The client's handling of the server messages the library hands on:
// instant messages, buddy arrivals and departures, warnings, profile links.
#pragma once

#include <string>
#include <string_view>

struct ClientContext;

void HandleServerMessage(ClientContext& ctx, std::string_view command, std::string_view arguments);
// The same for the library's texts, which end in a NUL: modules are given
// them as they are, without a copy. Null stands for an empty text.
void HandleServerMessageText(ClientContext& ctx, const char* command, const char* arguments);

// The online list's two operations; names compare in normalised form.
bool AddOnlineName(ClientContext& ctx, std::string_view name);
bool RemoveOnlineName(ClientContext& ctx, std::string_view name);

// Removes an instant message's page-level tags: "<BODY ...>", "<HTML>",
// "</HTML>" and "</BODY>" (upper case only); all other markup stays.
std::string StripBodyTags(std::string_view text);
