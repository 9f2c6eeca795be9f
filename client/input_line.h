// The input line: typed messages through the Formatting template, a typed
// "/word" handed to the slash commands (slash_commands.h), the history keys,
// and the Warn and Info buttons.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "printer.h"

struct ClientContext;
class InputHistory;
class OnlineList;
struct SessionState;
struct UserInfo;

inline constexpr std::size_t kMaxTemplate = 1023;
inline constexpr std::size_t kMaxAwayTemplate = 511;
inline constexpr std::size_t kMaxAwayArgument = 1023;
inline constexpr std::size_t kMaxComposedMessage = 4095;
inline constexpr std::size_t kMaxSelected = 1024;

// The Send button. A line of blanks only is not sent. A message is sent
// whole or not at all: one whose command would pass the line limit (after
// the Formatting template and escaping) is refused with its length and the
// most that can be sent, and stays in the input line.
void SubmitInputLine(ClientContext& ctx);
// A line typed in a conversation: sent as Send sends it, but to `names`
// alone; a "/word" line runs as a command. False when nothing was taken (a
// blank line, or a message refused for its length): the line stays.
bool SubmitLineTo(ClientContext& ctx, const std::string& typed, const std::vector<std::string>& names);
// A text handled as if typed, for one recipient (a module's service); it is
// cut, between whole characters, to what one command line holds.
void SendInputLine(ClientContext& ctx, std::string_view recipient, std::string_view text);

// A Formatting template split at its first "$"; no "$": all prefix.
struct TemplateParts {
    std::string_view prefix;
    std::string_view suffix;
};
TemplateParts SplitTemplate(std::string_view formatTemplate);
// The Formatting box's text (the saved one without a window), cut to `room`.
std::string TemplateFromWindow(const ClientWindow& window, const UserInfo& settings, std::size_t room);

// The template's prefix, the text with backslash-n turned into line breaks
// (sent as "<BR>"), and the template's suffix.
std::string ComposeMessage(std::string_view text, std::string_view formatTemplate);
// The same, whole: nothing is cut.
std::string ComposeWhole(std::string_view text, const TemplateParts& parts);
// The longest start of a typed text (its length in bytes, between whole
// characters) whose ComposeWhole, escaped for a quoted argument, takes at
// most `room` on the wire (outgoing.h).
std::size_t FittingLength(std::string_view text, const TemplateParts& parts, std::size_t room);
// Each backslash followed by "n" becomes LF, except where the backslash is
// the text's first character or follows another backslash.
std::string ExpandBackslashN(std::string_view text);
// Cut to kMaxTocText (toc_limits.h), then each LF becomes "<BR>".
std::string NewlinesToBreaks(std::string_view text);

// Up and Down in the input line: an older or newer line from the history.
void HistoryStep(InputHistory& history, ClientWindow& window, bool older);
void RequestInfo(const Printer& out, SessionState& session, std::string_view screenName);
void WarnUser(const Printer& out, SessionState& session, std::string_view screenName);
// The Info and Warn buttons: the request for each name selected in the list.
enum class UserAction { Info, Warn };
void ActOnSelected(const Printer& out, SessionState& session, const OnlineList& online, UserAction action);
