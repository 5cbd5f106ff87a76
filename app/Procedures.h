#pragma once

#include <string>
#include <vector>

// The program's procedures. Each sets its thread's ThreadResponse to what its window manager's
// Run answered.

namespace app {

/// The application frame with its menus and status bar; returns when the frame closes. Runs on
/// the program's first thread. "&Testiranje " starts HashWindow, "&Provjera " VerifyWindow and
/// "&Uputa" About, each on a thread of its own.
void MainFrame();

/// The window in which a control number is formed, an MDI child of the frame.
void HashWindow(std::vector<std::string> parameters);

/// The window in which a control number is checked against the one expected, an MDI child of
/// the frame. It writes nothing.
void VerifyWindow(std::vector<std::string> parameters);

/// Asks for the file to hash ("Popis datoteka") and makes it InputFileName; a cancelled or
/// refused choice keeps the file chosen before. Has no window of its own: it runs on the
/// thread of the hash window whose "..." was pressed.
void SelectInputFile();

/// "O programu": what the tool and its hashing library are; closed by "OK".
void About(std::vector<std::string> parameters);

} // namespace app
