#pragma once

// What an exchange needs from the program while it waits for a reply: to sleep in the event loop
// until something happens (a byte, a click, the 100 ms tick), and whether the program is ending,
// when it waits for nothing and sends nothing more.
class EventWait {
public:
    virtual ~EventWait() = default;

    virtual void waitForEvents() = 0;
    virtual bool programEnding() const = 0;
};
