#!/usr/bin/env python3
"""What a step costs from Python against the same step from C++: 1,000 agents walking
across maptest.raw, one step a call (world.step() here, Simulation::step() in
build/bin/api_step_cost), the same scene in both (their final positions must agree).
Runs the two alternately ROUNDS times and prints the median step time of each and the
ratio of the medians over all rounds, and the same for the fastest tenth of the steps; and,
inside the Python process, all the steps in one call (the loop in C++) against one call a
step, which tells the calls' own cost from the difference between the two processes.

    PYTHONPATH=build/python /usr/bin/python3 python/bench/step_cost.py [BUILD_DIR] [ROUNDS] [STEPS]
"""
import pathlib
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
steps = int(sys.argv[3]) if len(sys.argv) > 3 else 300
sys.path.insert(0, str(build / "python"))
import steering  # noqa: E402

MAP = ROOT / "resources" / "maptest.raw"


def python_run(batch=False):
    cells = MAP.read_bytes()
    world = steering.World(cells)
    open_cells = [(x * 256.0 + 128, y * 256.0 + 128) for y in range(1, 127) for x in range(1, 127)
                  if all(cells[(y + dy) * 256 + x + dx] == 0 for dy in (-1, 0, 1) for dx in (-1, 0, 1))]
    n = len(open_cells)
    for i in range(1000):
        start = i * n // 1000
        a = world.add_agent(open_cells[start])
        world.set_target(a, open_cells[(start + n // 2) % n])
    world.step(20)
    times = []
    step = world.step
    clock = time.perf_counter
    if batch:
        # All the steps in one call: the loop runs in C++, inside this process.
        t0 = clock()
        step(steps)
        times = [(clock() - t0) / steps] * steps
    else:
        for _ in range(steps):
            t0 = clock()
            step()
            times.append(clock() - t0)
    return times, float(world.positions.sum())


def cpp_run():
    out = subprocess.run([str(build / "bin" / "api_step_cost"), str(MAP), str(steps)],
                         check=True, capture_output=True, text=True).stdout.split()
    return [float(v) for v in out[:-2]], float(out[-1])


all_py, all_cpp, all_batch = [], [], []
for r in range(rounds):
    cpp, cpp_sum = cpp_run()
    py, py_sum = python_run()
    batch, batch_sum = python_run(batch=True)
    if not cpp_sum == py_sum == batch_sum:
        sys.exit(f"the scenes differ: checksums {cpp_sum}, {py_sum} and {batch_sum}")
    all_py += py
    all_cpp += cpp
    all_batch += batch
    print(f"round {r + 1}: C++ median {statistics.median(cpp) * 1e3:.3f} ms a step, "
          f"Python {statistics.median(py) * 1e3:.3f} ms")
mc, mp = statistics.median(all_cpp), statistics.median(all_py)
print(f"1,000 agents, {rounds} x {steps} steps each: median C++ {mc * 1e3:.3f} ms a step, Python {mp * 1e3:.3f} ms "
      f"a step: Python costs {(mp / mc - 1) * 100:+.1f} %")
# The fastest steps, least disturbed by whatever else the machine runs.
fc, fp = statistics.median(sorted(all_cpp)[:len(all_cpp) // 10]), statistics.median(sorted(all_py)[:len(all_py) // 10])
cm = statistics.mean(all_cpp)
bc, bp = statistics.mean(all_batch), statistics.mean(all_py)
print(f"mean: C++ {cm * 1e3:.3f} ms a step, Python {bp * 1e3:.3f} ms a step: Python costs {(bp / cm - 1) * 100:+.1f} %")
print(f"in the Python process, mean: {steps} steps in one call {bc * 1e3:.3f} ms a step, one call a step "
      f"{bp * 1e3:.3f} ms: the calls cost {(bp / bc - 1) * 100:+.1f} %")
print(f"fastest tenth: C++ {fc * 1e3:.3f} ms a step, Python {fp * 1e3:.3f} ms a step: Python costs {(fp / fc - 1) * 100:+.1f} %")
