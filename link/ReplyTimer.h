#pragma once

// The reply time-out of the adapter exchanges: armed when an exchange starts waiting, counted
// down by the program's 100 ms tick, stopped when the reply has come. The tick tells whoever
// drives it what to show; when it runs the timer out, the waiting exchange gives up.
class ReplyTimer {
public:
    static constexpr int kTicks = 10; // about one second

    struct Tick {
        int count;   // the ticks left as the tick came (Text2)
        bool ranOut; // this tick ran the timer out
    };

    void arm();
    void stop();
    bool running() const { return ticksLeft_ != 0; }
    // The tick: counts down a running timer.
    Tick tick();

private:
    int ticksLeft_ = 0;
};
