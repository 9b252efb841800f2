#pragma once
// The clock seam of the sequences that wait on a device (system and card resets, the
// progress of a file transfer): each is a state machine whose every step says how long to
// wait before the next one. The core never sleeps: the window waits with a QTimer, the
// command line with a sleep, and tests step a FakeClock without waiting at all.

#include <chrono>

namespace vornex {

using Delay = std::chrono::milliseconds;

// What a step of a waiting sequence answers: go on after `next`, or stop.
struct StepResult {
    bool done = false;
    Delay next{0};
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
};

class SteadyClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::now();
    }
};

// A clock that moves only when told: tests advance it by the delays a sequence answers.
class FakeClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() const override { return now_; }
    void advance(Delay by) { now_ += by; }

private:
    std::chrono::steady_clock::time_point now_{};
};

} // namespace vornex
