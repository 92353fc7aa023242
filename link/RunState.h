#pragma once

#include <QtGlobal>

#include <optional>

// The program's run state, owned by the main window and handed to the logic by reference.
// The names are the ones every adapter user knows from the original tool.
struct RunState {
    qint16 COMNO = 0;   // port in use: 0 none, 1 COM1, 2 COM2
    qint16 TIMECNT = 0; // reply time-out in 100 ms ticks; non-zero while a reply is awaited
    qint16 DATAFG = 0;  // 1 while the buffer holds a program loaded from a HEX file
    qint16 WDTFG = 0;   // basic edition: 1 = the written configuration word enables the watchdog
    // The configuration word stored in the file the buffer was loaded from; forgotten with
    // DATAFG, when the buffer no longer holds that file's program.
    std::optional<quint16> fileConfigWord;
};
