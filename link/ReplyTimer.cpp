#include "link/ReplyTimer.h"

void ReplyTimer::arm()
{
    ticksLeft_ = kTicks;
}

void ReplyTimer::stop()
{
    ticksLeft_ = 0;
}

ReplyTimer::Tick ReplyTimer::tick()
{
    const int count = ticksLeft_;
    return {count, ticksLeft_ != 0 && --ticksLeft_ == 0};
}
