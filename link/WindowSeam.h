#pragma once

#include <QString>

// What the logic below the window needs from it: modal boxes, a few fields, and the event pump.
// The main window implements it with widgets; tests implement it with a recorder.

enum class BoxIcon { Error, Warning, Information };
enum class BoxButtons { Ok, RetryCancel };
enum class BoxAnswer { Ok, Retry, Cancel };

struct Message {
    QString text;
    QString title;
    BoxIcon icon = BoxIcon::Error;
    BoxButtons buttons = BoxButtons::Ok;
    QString informativeText{}; // shown under the text: the detail and what to do about it
};

class WindowSeam {
public:
    virtual ~WindowSeam() = default;

    // Shows a modal box and returns the button the user pressed.
    virtual BoxAnswer showBox(const Message &message) = 0;
    // Sleeps until something happens (a byte, a click, the 100 ms tick) and handles it.
    virtual void waitForEvents() = 0;
    // Ends the program at once, as EXIT does. Returns only where the program cannot end (tests).
    virtual void endProgram() = 0;
    // True once the program is ending: waits give up at once and nothing more is sent.
    virtual bool programEnding() const = 0;

    virtual void setCurrentAddress(const QString &text) = 0; // Text3
    virtual void setStartAddress(const QString &text) = 0;   // Text4
    virtual QString lastAddressText() const = 0;             // Text5
    virtual void setLastAddress(const QString &text) = 0;    // Text5, its check runs
    virtual void setTickText(const QString &text) = 0;       // Text2
    virtual void setFileName(const QString &text) = 0;       // Text1
    virtual void setPortLabel(const QString &text) = 0;      // Label6
    virtual void setPortDevice(const QString &device) = 0;   // Label6's tool tip, empty: none
    // Rebuilds the buffer view if it is visible; never opens it.
    virtual void refreshBufferView() = 0;
};
