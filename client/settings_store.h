// The two settings files over one run: loaded at start, held back when they
// are there but could not be read (so defaults never overwrite them), saved
// from the configuration dialog and at exit, and what could not be saved.
#pragma once

#include <string>
#include <vector>

#include "settings_state.h"

#include "printer.h"

// Reads userinfo.cfg, blist.cfg and quenlo.ini into the client's settings. A file that exists but
// cannot be read gives "Cannot read <file>: <reason>." in the transcript,
// the defaults, and is held: not written again in this run.
void LoadSettingsFiles(const Printer& out, SettingsState& settings);

// The configuration dialog's save: "Failed to write user info." when the
// write fails, a line saying why nothing was written when the file is held;
// true when written. The password is left out while the keyring holds it
// (password_keeping.h).
bool SaveUserInfoNow(const Printer& out, SettingsState& settings);
// The buddy list editor's save, the same way: "Failed to write buddy list."
// when the write fails, a line saying why nothing was written when held.
void SaveBuddyListNow(const Printer& out, const SettingsState& settings);

// The close's save of both files. Each failure gives its status line, a line
// on standard error (the window is closing, the transcript will not be
// seen) and an entry in settings.saveFailures for the window to show (after
// what the modules' own saves reported there). A held
// file is reported only when the run changed what it would hold.
void SaveSettingsFilesAtExit(const Printer& out, SettingsState& settings);
// A file that could not be saved at exit: said on standard error (the
// window is closing) and kept in settings.saveFailures for the closing box.
void ReportSaveFailureAtExit(SettingsState& settings, SaveFailure failure);

// The saving failures as one text for a message box, one line each.
std::string SaveFailureText(const std::vector<SaveFailure>& failures);
