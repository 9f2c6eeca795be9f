// The client's handling of the server messages the library hands on:
// instant messages, buddy arrivals and departures, warnings, profile links.
#pragma once

#include <string>
#include <string_view>

struct ClientContext;

void HandleServerMessage(ClientContext& ctx, std::string_view command, std::string_view arguments);

// Removes an instant message's page-level tags: "<BODY ...>", "<HTML>",
// "</HTML>" and "</BODY>" (upper case only); all other markup stays.
std::string StripBodyTags(std::string_view text);
