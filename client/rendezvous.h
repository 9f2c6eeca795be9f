// RVOUS_PROPOSE: a peer offers a file, a direct connection, voice or a game.
// This client has none of them: the user is told and the offer declined
// (toc_rvous_cancel), so the peer is not left waiting.
#pragma once

#include <string_view>

#include "printer.h"

struct SessionState;

void DeclineRendezvous(const Printer& out, SessionState& session, std::string_view arguments);
