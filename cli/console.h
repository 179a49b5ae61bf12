// The Windows console: what the program prints reaches it in its own terms, and a start by
// double-click explains the program instead of flashing past. Natively there is nothing to do.
#pragma once

// From here on, standard output and standard error that are a console get the program's UTF-8
// text as UTF-16 (WriteConsoleW), whoever prints it: the commands, the conversion's printf
// lines, the parser's help. A pipe or a file gets the UTF-8 bytes as they are written.
void UseConsoleOutput();

// True when the program looks started by a double-click: no arguments, and alone on its console
// (`consoleProcesses` from GetConsoleProcessList; a Command Prompt would be a second).
bool LooksDoubleClicked(int argc, unsigned long consoleProcesses);

// When started that way: says what the program is, how to use it from the Vexillor command
// prompt and the common command lines, then waits for a key. True when it did.
bool IntroduceWhenDoubleClicked(int argc);
