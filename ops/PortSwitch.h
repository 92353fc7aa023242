#pragma once

#include "ops/RunState.h"

#include <QString>

class SerialPort;
class WindowSeam;

// Opening, closing and switching the adapter's port from the COM menu. portNumber records the port
// open (0 none, 1 COM1, 2 COM2) and Label6 shows it; every failure is reported in a box.
class PortSwitch {
public:
    // Also watches for the port going away: it then counts as closed (portNumber 0, "COM0") and the
    // user picks a port again from the COM menu.
    PortSwitch(SerialPort &port, RunState &state, WindowSeam &window);
    ~PortSwitch();
    PortSwitch(const PortSwitch &) = delete;
    PortSwitch &operator=(const PortSwitch &) = delete;

    // Opens port portNumber; on failure reports it and leaves portNumber 0. Only while no port is open.
    // A COM1 that is not the remembered port because of the settings is said in a box too.
    void open();
    // Drops RTS and closes the port; portNumber is 0 afterwards whatever happened.
    void close();
    // The device of the port open; empty when none is.
    QString device() const;
    void switchToCom1();
    void switchToCom2();
    // "Port...": remembers the device as what COM1 stands for from now on, also at the next
    // start (a box says so when the settings cannot keep it), and switches to COM1 as its item
    // does, reopening it when COM1 is the port open.
    void chooseCom1Device(const QString &device);

private:
    SerialPort &port_;
    RunState &state_;
    WindowSeam &window_;
};
