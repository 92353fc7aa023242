#include "link/ReplyTimer.h"

#include "link/Messages.h"
#include "link/WindowSeam.h"

ReplyTimer::ReplyTimer(WindowSeam &window) : window_(window) {}

void ReplyTimer::arm()
{
    ticksLeft_ = kTicks;
}

void ReplyTimer::stop()
{
    ticksLeft_ = 0;
}

void ReplyTimer::tick()
{
    window_.setTickText(QString::number(ticksLeft_));
    if (ticksLeft_ != 0 && --ticksLeft_ == 0)
        window_.showBox(Messages::timeOver());
}
