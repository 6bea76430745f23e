#pragma once
// Processor time of a simulator's steps alone, inside a loop that does other work between
// them (goals, samples for scoring). The process's processor clock is read through a system
// call, about a microsecond a read on our machines: as long as a whole step of a two-agent
// case. Read round every step, each step would be charged for one read. So the monotonic
// clock (a few tens of nanoseconds a read) times the steps, the processor clock is read once
// per step outside the timed stretch, and the steps are given the share of the loop's
// processor time that they take of its monotonic time. Where nothing else runs, that share
// is the steps' processor time; where the process is preempted, it is spread evenly.
#include <functional>
#include <utility>

namespace scenario {

struct StepClocks {
    std::function<double()> processor;  // seconds of processor time used by this process
    std::function<double()> monotonic;  // seconds of elapsed time
};

StepClocks realStepClocks();

class StepTimer {
public:
    explicit StepTimer(StepClocks clocks = realStepClocks()) : clocks_(std::move(clocks)) {}

    void beginStep();
    void endStep();
    // The steps' processor time so far (0 before the first step ends).
    double stepProcessorSeconds() const;

private:
    StepClocks clocks_;
    bool started_ = false;
    double loopProcessorStart_ = 0.0, loopMonotonicStart_ = 0.0;
    double loopProcessor_ = 0.0, loopMonotonic_ = 0.0;  // from the first step to the last read
    double stepStart_ = 0.0;
    double stepMonotonic_ = 0.0;  // summed over the steps
};

}  // namespace scenario
