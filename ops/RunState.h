#pragma once

#include <QtGlobal>

#include <optional>

// The program's run state, owned by the main window and handed to the logic by reference.
struct RunState {
    int portNumber = 0;           // port in use: 0 none, 1 COM1, 2 COM2
    bool programLoaded = false;   // the buffer holds a program loaded from a HEX file
    bool watchdogEnabled = false; // basic edition: the written configuration word enables the watchdog
    // The configuration word stored in the file the buffer was loaded from; forgotten with
    // programLoaded, when the buffer no longer holds that file's program.
    std::optional<quint16> fileConfigWord;
};
