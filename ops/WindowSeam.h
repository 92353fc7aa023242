#pragma once

#include "link/EventWait.h"

#include <QString>

// What the logic below the window needs from it: modal boxes, a few fields, and the event pump.
// The main window implements it with widgets; tests implement it with a recorder.

enum class BoxIcon { Error, Warning, Information };
enum class BoxButtons { Ok, RetryCancel, YesNo }; // YesNo: No is the default button
enum class BoxAnswer { Ok, Retry, Cancel, Yes, No };

struct Message {
    QString text;
    QString title;
    BoxIcon icon = BoxIcon::Error;
    BoxButtons buttons = BoxButtons::Ok;
    QString informativeText{}; // shown under the text: the detail and what to do about it
};

// The answer to a box when nobody can give one (a console, a program that is ending): OK to a
// notice, Cancel or No to a question, so nothing more is sent.
inline BoxAnswer answerThatSendsNothingMore(BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::Ok: return BoxAnswer::Ok;
    case BoxButtons::RetryCancel: return BoxAnswer::Cancel;
    case BoxButtons::YesNo: return BoxAnswer::No;
    }
    return BoxAnswer::Cancel;
}

// Besides: sleep until something happens (a byte, a click, the 100 ms tick) and handle it, and
// tell whether the program is ending, when waits give up at once and nothing more is sent.
class WindowSeam : public EventWait {
public:
    // Shows a modal box and returns the button the user pressed.
    virtual BoxAnswer showBox(const Message &message) = 0;

    virtual void setCurrentAddress(const QString &text) = 0; // Text3
    virtual void setTickText(const QString &text) = 0;       // Text2
    virtual void setPortLabel(const QString &text) = 0;      // Label6
    virtual void setPortDevice(const QString &device) = 0;   // Label6's tool tip, empty: none
    // How far a running operation ("WRITE", "READ", "VERIFY", "BLANK all") is: wordsDone of
    // wordsTotal program words. Called with 0 as it starts and after every word.
    virtual void showProgress(const QString &operation, int wordsDone, int wordsTotal) = 0;
    // True once the user has asked the running operation to stop (Ctrl+C in a console): instead
    // of its next word it sends the closing step and ends. The windows never ask.
    virtual bool stopRequested() const { return false; }
    // The open port went away under the program (a USB adapter pulled out); the exchange under
    // way runs into its time-out. The windows show it as COM0; a console says it.
    virtual void portLost(const QString &device) { Q_UNUSED(device) }
};
