# Worlds, agents, goals, paths and the numpy views, from what an agent should do on a map
# whose answers are known by hand.
import math

import numpy as np
import pytest

import steering

CELL = 256
WALL = 15


def walled_map():
    # Ground everywhere, a wall down column 32 from row 0 to row 60 with no gap.
    cells = np.zeros((256, 256), dtype=np.uint8)
    cells[0:61, 32] = WALL
    return cells


def test_an_agent_walks_to_its_target_and_arrives():
    world = steering.World(bytes(256 * 256))
    a = world.add_agent((10 * CELL, 10 * CELL), radius=100, speed=50)
    assert world.agent(a)["arrived"]  # no target yet: nowhere to go
    world.set_target(a, (30 * CELL, 10 * CELL))
    assert not world.agent(a)["arrived"]
    world.step(200)  # 20 cells at 50 units a step take about 103 steps
    state = world.agent(a)
    assert state["arrived"] and state["path_done"]
    x, y = state["position"]
    assert math.hypot(x - 30 * CELL, y - 10 * CELL) <= 200
    assert (state["radius"], state["speed"]) == (100.0, 50.0)


def test_goals_are_taken_one_after_the_other():
    world = steering.World(bytes(256 * 256))
    a = world.add_agent((10 * CELL, 10 * CELL), radius=100, speed=50)
    world.set_goals(a, [(20 * CELL, 10 * CELL), (20 * CELL, 20 * CELL), (10 * CELL, 20 * CELL)])
    seen = []
    for _ in range(400):
        world.step()
        state = world.agent(a)
        if not seen or seen[-1] != state["goal"]:
            seen.append(state["goal"])
    assert seen == [1, 2, 3]
    assert world.agent(a)["arrived"]
    x, y = world.agent(a)["position"]
    assert math.hypot(x - 10 * CELL, y - 20 * CELL) <= 200


def test_agents_go_round_a_wall():
    world = steering.World(walled_map())
    a = world.add_agent((20 * CELL, 30 * CELL), radius=100, speed=60)
    world.set_target(a, (44 * CELL, 30 * CELL))
    crossed_below = False
    for _ in range(1200):
        world.step()
        x, y = world.agent(a)["position"]
        if 31 * CELL < x < 34 * CELL:
            crossed_below = crossed_below or y > 61 * CELL
    assert world.agent(a)["arrived"]
    assert crossed_below  # round the end of the wall, never through it


@pytest.mark.parametrize("mode", ["classic", "shortest"])
def test_paths_round_the_wall(mode):
    world = steering.World(walled_map())
    start, end = (20 * CELL, 30 * CELL), (44 * CELL, 30 * CELL)
    path = world.plan_path(start, end, mode=mode, clearance=100)
    assert path[-1] == end
    length = sum(math.dist(p, q) for p, q in zip([start] + path, path))
    # Straight down to the wall's end at row 61, across, and back up: at least 2 x 31 cells.
    assert length >= 2 * 31 * CELL
    # Every waypoint below the wall's end while passing its column.
    assert all(p[1] > 61 * CELL for p, q in zip(path, path[1:]) if min(p[0], q[0]) < 32 * CELL < max(p[0], q[0]))


def test_shortest_is_no_longer_than_classic(resources):
    world = steering.World.from_map_file(str(resources / "maptest.raw"))
    start, end = (1000, 1000), (25000, 20000)
    lengths = {}
    for mode in ("classic", "shortest"):
        path = world.plan_path(start, end, mode=mode)
        assert path, mode
        lengths[mode] = sum(math.dist(p, q) for p, q in zip([start] + path, path))
    assert lengths["shortest"] <= lengths["classic"]


def test_no_path_into_a_closed_room():
    cells = np.zeros((256, 256), dtype=np.uint8)
    cells[40:50, 40] = cells[40:50, 49] = cells[40, 40:50] = cells[49, 40:50] = WALL
    world = steering.World(cells)
    for mode in ("classic", "shortest"):
        assert world.plan_path((10 * CELL, 10 * CELL), (45 * CELL, 45 * CELL), mode=mode) == []


def test_positions_are_a_live_read_only_view():
    world = steering.World(bytes(256 * 256))
    for i in range(3):
        world.add_agent((1000 + 1000 * i, 1000), radius=100, speed=40)
        world.set_target(i, (1000 + 1000 * i, 9000))
    view = world.positions
    assert view.shape == (3, 2) and view.dtype == np.float64
    assert not view.flags.writeable
    with pytest.raises(ValueError):
        view[0, 0] = 5.0
    before = view.copy()
    world.step(10)
    # The same array, moved on by the step, equal to what agent() reads.
    assert not np.array_equal(view, before)
    for i in range(3):
        assert tuple(view[i]) == world.agent(i)["position"]
        assert tuple(world.velocities[i]) == world.agent(i)["velocity"]
    # A new agent gives a new array; the old one keeps its values.
    held = view.copy()
    world.add_agent((500, 500))
    world.step(1)
    assert world.positions.shape == (4, 2)
    assert np.array_equal(view, held)
    # Positions stay exact multiples of 1/65536.
    assert np.all(world.positions * 65536 == np.round(world.positions * 65536))


def test_the_mode_switch_replans(resources):
    world = steering.World.from_map_file(str(resources / "maptest.raw"))
    a = world.add_agent((1000, 1000), radius=100, speed=60)
    target = (25000, 20000)
    world.set_target(a, target)
    world.step(30)
    assert world.mode == "classic"
    here = world.agent(a)["position"]
    counts = {m: len(world.plan_path(here, target, mode=m, clearance=100)) for m in ("classic", "shortest")}
    assert counts["classic"] != counts["shortest"]  # else the switch could not be seen
    assert world.agent(a)["path_points"] != counts["shortest"]
    world.mode = "shortest"
    assert world.mode == "shortest"
    # Planned again from where it stands, by the new planner.
    assert world.agent(a)["path_points"] == counts["shortest"]
    assert world.agent(a)["waypoint"] == 0


def test_a_case_runs_to_its_end_with_plain_scores(resources):
    world = steering.World.from_scenario(str(resources / "scenarios" / "head-on.xml"), mode="shortest")
    assert world.is_scenario and not world.finished
    steps = world.run_to_end()
    assert world.finished and steps == world.steps_run > 0
    scores = world.scores()
    assert scores["case"] == "head-on" and scores["system"] == "shortest"
    assert scores["agents"] == len(scores["per_agent"]) == 2
    assert scores["done"] == 2 and scores["t100"] is not None
    assert len(scores["done_by_step"]) == scores["steps"] + 1
    assert all(isinstance(a["walked_metres"], float) for a in scores["per_agent"])
    # Agents that arrived left the scene.
    assert len(world) == 0


def test_arrived_means_within_twice_the_radius():
    world = steering.World(bytes(256 * 256))
    a = world.add_agent((10 * CELL, 10 * CELL), radius=100, speed=50)
    world.set_target(a, (10 * CELL + 190, 10 * CELL))
    assert world.agent(a)["arrived"]
    world.set_target(a, (10 * CELL + 210, 10 * CELL))
    assert not world.agent(a)["arrived"]
    # A goal within twice the radius is passed at the next step.
    world.set_goals(a, [(10 * CELL, 10 * CELL + 150), (20 * CELL, 10 * CELL)])
    world.step()
    assert world.agent(a)["goal"] == 2


def test_a_hundred_agents_crossing_a_doorway_all_stand_at_their_own_targets():
    # The installed example's scene: a wall down column 32 with a 3-cell doorway (rows 30 to
    # 32), ten rows of ten agents each sent to its mirror place beyond it. Every target is
    # its agent's alone, so in the Shortest paths mode every agent must end within twice its
    # radius of it (none left standing where the crowd pushed it once it had arrived).
    cells = np.full((256, 256), WALL, dtype=np.uint8)
    cells[4:60, 4:60] = 0
    cells[4:30, 32] = WALL
    cells[33:60, 32] = WALL
    world = steering.World(cells)
    world.mode = "shortest"
    targets = []
    for i in range(100):
        x, y = (8 + (i % 10) * 2) * CELL, (12 + (i // 10) * 4) * CELL
        world.set_target(world.add_agent((x, y), radius=100, speed=60), (64 * CELL - x, y))
        targets.append((64 * CELL - x, y))
    world.step(3000)
    short = [i for i in range(100) if not world.agent(i)["arrived"]]
    assert short == []
    far = max(math.hypot(p[0] - t[0], p[1] - t[1]) for p, t in zip(world.positions, targets))
    assert far <= 200
