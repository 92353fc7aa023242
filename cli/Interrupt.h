#pragma once

// Ctrl+C, SIGTERM and SIGHUP while dravik-cli works. The first of each is only noted: the running
// operation sees it at its next word, sends its closing step and ends, and the program exits with
// 128 + the signal (130, 143, 129). The handler then steps aside for that signal, so a second one
// ends the program at once.
void watchForInterrupt();
bool interruptRequested();
// The signal noted first; 0 when none was.
int interruptSignal();

// Several ports' coordinator: every one of these signals is noted and counted and none ends it;
// it passes each on to the ports' processes, so the first stops them at their next word and a
// second ends them at once.
void countInterrupts();
int interruptCount();
