// Ctrl-C at the terminal: calls handler (with the signal number) instead of
// ending the program, so that a long run can stop cleanly.
#pragma once

void installInterruptHandler(void (*handler)(int));
