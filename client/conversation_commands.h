// Messages to anyone: "/msg NAME TEXT" to any screen name, listed or not,
// and "/r TEXT" to whoever last sent a message (automatic replies aside).
#pragma once

#include <string_view>

#include "printer.h"

struct ClientContext;
struct ModuleState;

void MessageAnyone(ClientContext& ctx, std::string_view argument);
void ReplyToLastSender(ClientContext& ctx, std::string_view argument);
// A module whose usage lines name /msg or /r is told of at load: the
// client's own command answers those words first.
void ReportShadowedCommands(const Printer& out, const ModuleState& modules);
// A name from a conversation joins the buddy list as the buddy editor
// would add it (the server told, blist.cfg written); a status line says
// why when it cannot.
void AddBuddyFromConversation(ClientContext& ctx, std::string_view name);
