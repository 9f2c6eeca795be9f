// The client's handling of the server messages the library hands on:
// instant messages, buddy arrivals and departures, warnings, profile links.
#pragma once

#include <string>
#include <string_view>

struct ClientContext;

void HandleServerMessage(ClientContext& ctx, std::string_view command, std::string_view arguments);

// The online list's two operations; names compare in normalised form.
bool AddOnlineName(ClientContext& ctx, std::string_view name);
bool RemoveOnlineName(ClientContext& ctx, std::string_view name);

// Removes an instant message's page-level tags: "<BODY ...>", "<HTML>",
// "</HTML>" and "</BODY>" (upper case only); all other markup stays.
std::string StripBodyTags(std::string_view text);
