// The installer's backends: the GTK 3 dialog, and the unattended one for
// scripts. Entry points for the installer's startup code, which includes this
// header without GTK's.
#pragma once

#include <string>

namespace pf::gtk {

// Starts GTK and installs the dialog backend. False (after a message on
// standard error) when there is no display to show the dialog on.
bool StartDialogBackend(int* argc, char*** argv);

// The text of the last message box the dialog backend showed (empty when
// none was shown).
const std::string& DialogMessage();
// The game's icon (64 pixels) as a PNG file's bytes, for the menu entry.
std::string IconPng();

// Installs the unattended backend: the dialog's edit box holds folder and its
// default button is pressed as soon as the message loop runs; message boxes
// print their text on standard output.
void StartUnattendedBackend(const char* folder);

// Milliseconds of a monotonic clock, for both backends.
unsigned long MonotonicMilliseconds();

}  // namespace pf::gtk
