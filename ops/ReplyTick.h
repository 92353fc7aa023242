#pragma once

#include "link/ReplyTimer.h"
#include "ops/Messages.h"
#include "ops/WindowSeam.h"

// The program's 100 ms tick: Text2 shows the reply timer's count, and the tick that runs the
// timer out says so in "COMM Time over" (the waiting exchange then gives up).
inline void tickReplyTimer(ReplyTimer &timer, WindowSeam &window)
{
    const ReplyTimer::Tick tick = timer.tick();
    window.setTickText(QString::number(tick.count));
    if (tick.ranOut)
        window.showBox(Messages::timeOver());
}
