#pragma once

class WindowSeam;

// The reply time-out of the adapter exchanges: armed when an exchange starts waiting, counted
// down by the program's 100 ms tick, stopped when the reply has come. When it runs out the
// tick itself says so in the "COMM Time over" box, and the waiting exchange gives up.
class ReplyTimer {
public:
    static constexpr int kTicks = 10; // about one second

    explicit ReplyTimer(WindowSeam &window);

    void arm();
    void stop();
    bool running() const { return ticksLeft_ != 0; }
    // The tick: shows the count in Text2, then counts down a running timer.
    void tick();

private:
    WindowSeam &window_;
    int ticksLeft_ = 0;
};
