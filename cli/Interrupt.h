#pragma once

// Ctrl+C while dravik-cli works. The first SIGINT is only noted: the running operation sees it at
// its next word, sends its closing step and ends, and the program exits with 130. The handler then
// steps aside, so a second Ctrl+C ends the program at once.
void watchForInterrupt();
bool interruptRequested();
