#pragma once
// The program's start and end: the framework's units, the shell's forms in their order,
// the message loop, the fatal error box, and the finalisation in reverse order.

#include <functional>

class TForm;

namespace Program {

// Runs the program's message loop until the main window closes.
using TMessageLoop = std::function<void(TForm* MainForm)>;

// Shows the main window and processes events until it is closed.
void RunMessageLoop(TForm* MainForm);

// The whole program: initialises the units, creates the forms, runs Loop with the main
// window, and finalises everything again. Anything escaping the forms' creation or the
// loop ends the program after the fatal error box. Returns the process exit code.
int Run(const TMessageLoop& Loop = RunMessageLoop);

// The program's start and end without the loop, for a test kit that drives the main window
// in-process: Start initialises the units and creates the forms (and raises what they
// raise), Finish frees the forms and finalises the units; Finish goes with every Start,
// also one that raised.
void Start();
void Finish();

} // namespace Program
