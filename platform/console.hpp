#pragma once
// Standard input and output as the command loop needs them.

namespace quoll {

// Called once before the first command is read. On Windows, standard input is switched to
// binary mode: the line reader drops the carriage return of a CR LF line end itself, and in text
// mode the C runtime would take a Ctrl-Z byte in the input for the end of the input. Standard
// output stays in text mode, so every reply ends as a Windows text line, with CR LF.
void prepareStandardStreams();

}  // namespace quoll
