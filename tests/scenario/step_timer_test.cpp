// The steps' processor time: the loop's processor time, shared out by the steps' part of
// its elapsed time, with every clock read placed outside the timed steps.
#include <gtest/gtest.h>

#include <vector>

#include "scenario/step_timer.h"

namespace {

// Clocks that advance only when told to: `work(p, m)` spends p seconds of processor time
// and m of elapsed time; each read of the processor clock costs `processorRead` of both.
struct FakeClocks {
    double processor = 100.0, monotonic = 500.0;
    double processorRead = 0.0;
    std::vector<char> reads;  // 'p' or 'm', in order
    void work(double p, double m) {
        processor += p;
        monotonic += m;
    }
    scenario::StepClocks clocks() {
        return scenario::StepClocks{[this] {
                                        reads.push_back('p');
                                        const double now = processor;
                                        work(processorRead, processorRead);
                                        return now;
                                    },
                                    [this] {
                                        reads.push_back('m');
                                        return monotonic;
                                    }};
    }
};

TEST(StepTimerTest, StepsGetTheirShareOfTheLoopsProcessorTime) {
    FakeClocks fake;
    scenario::StepTimer timer(fake.clocks());
    EXPECT_EQ(timer.stepProcessorSeconds(), 0.0);
    // Three steps of 2 s elapsed each with 4 s of other work after each; the process ran
    // half the time (preempted evenly): 18 s elapsed, 9 s processor, the steps 6 of 18.
    for (int i = 0; i < 3; ++i) {
        timer.beginStep();
        fake.work(1.0, 2.0);
        timer.endStep();
        fake.work(2.0, 4.0);
    }
    // The last 4 s of other work came after the last read: 14 s elapsed and 7 processor
    // by then, the steps 6 of 14.
    EXPECT_DOUBLE_EQ(timer.stepProcessorSeconds(), 7.0 * 6.0 / 14.0);
}

TEST(StepTimerTest, ProcessorClockReadsAreChargedToTheLoopNotTheSteps) {
    FakeClocks fake;
    fake.processorRead = 1.0;  // as long as the step itself
    scenario::StepTimer timer(fake.clocks());
    timer.beginStep();
    fake.work(1.0, 1.0);
    timer.endStep();
    // The first processor read (loop start) precedes the step; the second follows it: the
    // step's 1 s of processor time, not 2 or 3.
    EXPECT_DOUBLE_EQ(timer.stepProcessorSeconds(), 1.0);
    const std::vector<char> order{'p', 'm', 'm', 'm', 'p', 'm'};
    EXPECT_EQ(fake.reads, order);
    // Later steps read the processor clock once each, after the step.
    fake.reads.clear();
    timer.beginStep();
    fake.work(1.0, 1.0);
    timer.endStep();
    EXPECT_EQ(fake.reads, (std::vector<char>{'m', 'm', 'p', 'm'}));
    // Loop: 2 steps + 2 reads after steps = 4 s processor, 4 s elapsed; the steps 2 s.
    EXPECT_DOUBLE_EQ(timer.stepProcessorSeconds(), 2.0);
}

TEST(StepTimerTest, NoElapsedTimeGivesZero) {
    FakeClocks fake;
    scenario::StepTimer timer(fake.clocks());
    timer.beginStep();
    timer.endStep();
    EXPECT_EQ(timer.stepProcessorSeconds(), 0.0);  // nothing measurable yet: no division by zero
    timer.beginStep();
    fake.work(3.0, 2.0);
    timer.endStep();
    EXPECT_DOUBLE_EQ(timer.stepProcessorSeconds(), 3.0);  // all of the loop was the step
}

}  // namespace
