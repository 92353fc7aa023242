#pragma once

#include <QtGlobal>

// Simulated time for unit tests: the fake port and the recording seam share one clock, and
// only the seam's waits move it.
class TestClock {
public:
    qint64 now() const { return nowMs_; }
    void advance(int ms) { nowMs_ += ms; }

private:
    qint64 nowMs_ = 0;
};
