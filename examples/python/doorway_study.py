#!/usr/bin/env python3
"""A doorway study with the steering module: crowds of several sizes walk through a 2 m
doorway to a point beyond it, in both navigation modes and with three seeds each, and the
time until 95 % of each crowd was done is plotted against the crowd size.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/doorway_study.py [OUT.png]

Prints one line per run; writes the plot to OUT.png (default doorway-study.png here)."""
import sys
from concurrent.futures import ThreadPoolExecutor

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import steering

SIZES = [5, 10, 20, 40, 60, 80, 120]
MODES = ["classic", "shortest"]
SEEDS = [1, 2, 3]
GIVE_UP = 300  # seconds: a goal not reached by then counts as never


def box(tag, xmin, xmax, zmin, zmax):
    return (f"<{tag}><xmin>{xmin}</xmin><xmax>{xmax}</xmax><ymin>0</ymin><ymax>1</ymax>"
            f"<zmin>{zmin}</zmin><zmax>{zmax}</zmax></{tag}>")


def doorway_case(agents):
    """A wall across x = 0 with a 2 m doorway at z = -1..1; the crowd starts at random
    places left of it and seeks the point (10, 0) beyond."""
    return f"""<SteerBenchTestCase xmlns="http://www.magix.ucla.edu/steerbench">
  <header><version>1.0</version><name>doorway-{agents}</name>{box("worldBounds", -25, 25, -25, 25)}</header>
  {box("obstacle", -0.5, 0.5, -25, -1)}
  {box("obstacle", -0.5, 0.5, 1, 25)}
  <agentRegion><numAgents>{agents}</numAgents>{box("regionBounds", -22, -4, -12, 12)}
    <initialConditions><radius>0.5</radius><direction><random>true</random></direction><speed>0</speed></initialConditions>
    <goalSequence><seekStaticTarget><targetLocation><x>10</x><y>0</y><z>0</z></targetLocation>
      <desiredSpeed>1.3</desiredSpeed><timeDuration>{GIVE_UP}</timeDuration></seekStaticTarget></goalSequence>
  </agentRegion>
</SteerBenchTestCase>"""


def run(job):
    agents, mode, seed = job
    world = steering.World.from_scenario_text(doorway_case(agents), mode=mode, seed=seed)
    world.run_to_end()  # without the interpreter's lock: the pool's threads run side by side
    return job, world.scores()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "doorway-study.png"
    jobs = [(n, mode, seed) for n in SIZES for mode in MODES for seed in SEEDS]
    with ThreadPoolExecutor() as pool:
        results = dict(pool.map(run, jobs))
    for (n, mode, seed), s in results.items():
        t95 = "never" if s["t95"] is None else f"{s['t95']:.1f} s"
        print(f"{n:4d} agents {mode:8s} seed {seed}: {s['done']:3d} done, T95 {t95}")

    fig, ax = plt.subplots(figsize=(7, 4.2), dpi=100)
    for mode, colour in zip(MODES, ["tab:blue", "tab:orange"]):
        means, sizes, never = [], [], []
        for n in SIZES:
            times = [results[(n, mode, seed)]["t95"] for seed in SEEDS]
            if None in times:
                never.append(n)  # some run never had 95 % done
                continue
            sizes.append(n)
            means.append(sum(times) / len(times))
            ax.plot([n] * len(times), times, ".", color=colour, alpha=0.5)
        ax.plot(sizes, means, "-o", color=colour, label=f"{mode} (mean of {len(SEEDS)} seeds)")
        if never:
            ax.plot(never, [GIVE_UP] * len(never), "x", color=colour, markersize=10,
                    label=f"{mode}: 95 % never done within {GIVE_UP} s")
    ax.set_xlabel("crowd size (agents)")
    ax.set_ylabel("time until 95 % done (s)")
    ax.set_title("A 2 m doorway: time to 95 % done against crowd size")
    ax.grid(True, alpha=0.3)
    ax.legend()
    fig.tight_layout()
    fig.savefig(out)
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
