#include "scenario/step_timer.h"

#include <chrono>
#include <ctime>

namespace scenario {

namespace {

double processorNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double monotonicNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

StepClocks realStepClocks() { return StepClocks{processorNow, monotonicNow}; }

void StepTimer::beginStep() {
    if (!started_) {
        started_ = true;
        loopProcessorStart_ = clocks_.processor();
        loopMonotonicStart_ = clocks_.monotonic();
    }
    stepStart_ = clocks_.monotonic();
}

void StepTimer::endStep() {
    const double end = clocks_.monotonic();
    stepMonotonic_ += end - stepStart_;
    // Read after the step's end: the processor read is charged to the loop, not the step.
    loopProcessor_ = clocks_.processor() - loopProcessorStart_;
    loopMonotonic_ = clocks_.monotonic() - loopMonotonicStart_;
}

double StepTimer::stepProcessorSeconds() const {
    if (loopMonotonic_ <= 0.0 || loopProcessor_ <= 0.0) return 0.0;
    // The steps lie inside the loop's stretch of the monotonic clock: the share is at most 1.
    return loopProcessor_ * (stepMonotonic_ / loopMonotonic_);
}

}  // namespace scenario
