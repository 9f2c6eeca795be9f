// Where the password is kept: in userinfo.cfg's record, or, when the user
// chose it, in the desktop keyring with the record's password field written
// empty (an older build then asks for it). The password is never lost: it
// leaves the file only once the keyring has confirmed that it holds it, and
// whatever the keyring refuses stays in (or goes back to) the file.
#pragma once

#include "user_info.h"

#include "printer.h"

struct SettingsState;
struct SettingsState;

// After the settings files are read, with the keyring chosen: a password
// still in userinfo.cfg goes to the keyring; an empty one is read from it.
// Either answers later; a refusal is one line in the transcript.
void StartKeyringPassword(const Printer& out, SettingsState& settings);

// userinfo.cfg's record as it is written: the password left out when the
// keyring is chosen and known to hold this very password.
UserInfo RecordForFile(const SettingsState& settings);

// The configuration dialog's choice, before its record is saved: "" when it
// is kept in quenlo.ini, otherwise why not (the choice then stays as it was).
std::string ChooseKeyring(const Printer& out, SettingsState& settings, bool keep);
// After the record is saved (`saved`: it was written): the keyring gets a
// new or changed password, or, when the choice was turned off and the file
// holds the password again, loses its copy.
void SyncKeyringPassword(const Printer& out, SettingsState& settings, bool wasChosen, bool saved);
