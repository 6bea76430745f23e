# The module's runs equal the headless driver's, bit for bit: a test case opened in the
# steering program (dropped on its window) and stepped frame by frame, against the same
# case run through the module; and the scores of a whole run.
import csv
import json
import subprocess

import pytest

import steering

FRAMES = 60
SHORTEST_MENU = 40021


def driver_trace(headless, case, mode, tmp_path):
    script = tmp_path / "input.txt"
    lines = []
    if mode == "shortest":
        lines.append(f"1 menu {SHORTEST_MENU}")
    lines.append(f"1 drop {case}")
    script.write_text("\n".join(lines) + "\n")
    trace = tmp_path / "trace.csv"
    subprocess.run([str(headless), "steering", "--frames", str(FRAMES), "--input", str(script),
                    "--trace", str(trace), "--workdir", str(tmp_path)],
                   check=True, capture_output=True, cwd=tmp_path)
    frames = {}
    with open(trace) as f:
        for row in csv.reader(line for line in f if not line.startswith("#")):
            if row[0] == "frame":
                continue
            frames.setdefault(int(row[0]), []).append(row)
    return frames


@pytest.mark.parametrize("mode", ["classic", "shortest"])
def test_a_case_steps_as_in_the_program(headless, resources, tmp_path, mode):
    case = resources / "scenarios" / "doorway-two-way.xml"
    frames = driver_trace(headless, case, mode, tmp_path)
    world = steering.World.from_scenario(str(case), mode=mode)
    compared = 0
    for frame in range(1, FRAMES + 1):
        world.step(1)
        rows = frames[frame]
        # The case opens before the first step: every frame holds the case's agents.
        assert len(rows) == len(world), f"frame {frame}"
        positions, velocities = world.positions, world.velocities
        assert positions.shape == velocities.shape == (len(rows), 2)
        for i, row in enumerate(rows):
            # The trace prints each 16.16 value exactly; a double holds it exactly.
            assert (float(row[2]), float(row[3])) == (positions[i, 0], positions[i, 1]), f"frame {frame} agent {i}"
            assert (float(row[4]), float(row[5])) == (velocities[i, 0], velocities[i, 1]), f"frame {frame} agent {i}"
            assert int(row[6]) == int(world.agent(i)["path_done"])
            compared += 1
    # The agents moved: a trace of agents standing still would prove little.
    assert compared > 0
    assert any(float(r[4]) != 0.0 for r in frames[FRAMES])


@pytest.mark.parametrize("mode", ["classic", "shortest"])
def test_scores_equal_the_drivers(headless, resources, tmp_path, mode):
    case = resources / "scenarios" / "head-on.xml"
    out = tmp_path / "scores.json"
    subprocess.run([str(headless), "steering", "--scenario", str(case), "--mode", mode, "--seed", "3",
                    "--scores", str(out)], check=True, capture_output=True, cwd=tmp_path)
    driver = json.loads(out.read_text())
    scores = steering.run_scenario(str(case), mode=mode, seed=3)
    ours = json.loads(scores["json"])
    # Everything but the processor time the steps took.
    for d in (driver, ours):
        d.pop("processorMicrosPerAgentStep", None)
    assert ours == driver
    assert scores["agents"] == driver["agents"] and scores["done"] == driver["done"]
    assert scores["steps"] == driver["steps"] > 0
