#pragma once
// A headless check of what a session shows: when the environment variable VELNOR_MENU_REPORT
// names a file, the program writes its main window's menu bar into that file as soon as a
// session is ready to work (each visible menu and item on a line of its own, sub-items
// indented by two blanks, separators left out), and then closes the main window, which
// stops the session and ends the program. Plug-in authors use it to see their services'
// menus without a display:
//
//   VELNOR_MENU_REPORT=menus.txt QT_QPA_PLATFORM=offscreen velnor07
//
// Nobody is there to answer the program's dialogs then: every modal form is confirmed (the
// application chooser takes the preselected application, the last one used), every message
// box is written to standard error and answered with its first button, and every input box
// is cancelled.

class TForm;

namespace MenuReport {

// When the report is asked for, installs the dialog host that answers for the absent user.
// Called once at program start.
void PrepareIfAsked();

// Writes the report and closes MainForm once control is back in the event loop; nothing
// when the variable is not set. A report that cannot be written is told on standard error.
void WriteIfAsked(TForm* MainForm);

} // namespace MenuReport
