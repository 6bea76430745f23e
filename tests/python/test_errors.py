# Bad arguments raise Python exceptions with a message naming what is wrong; the world
# stays usable after each.
import pytest

import steering

OPEN = bytes(256 * 256)


@pytest.fixture
def world():
    w = steering.World(OPEN)
    w.add_agent((1000, 1000), radius=100, speed=50)
    return w


@pytest.mark.parametrize("size", [0, 256 * 256 - 1, 256 * 256 + 1])
def test_a_map_of_the_wrong_size(size):
    with pytest.raises(ValueError, match=f"65536 bytes .*not {size}"):
        steering.World(bytes(size))


def test_a_map_of_wider_items():
    import numpy as np
    with pytest.raises(ValueError, match="one byte a cell"):
        steering.World(np.zeros(256 * 256, dtype=np.int32))


def test_a_numpy_map_of_rows_and_columns_is_taken_row_by_row():
    import numpy as np
    cells = np.zeros((256, 256), dtype=np.uint8)
    cells[:, 20] = 15  # a wall down column 20 closes the map's left part
    world = steering.World(cells)
    assert world.plan_path((5 * 256, 5 * 256), (40 * 256, 5 * 256)) == []
    assert world.plan_path((5 * 256, 5 * 256), (10 * 256, 200 * 256)) != []


@pytest.mark.parametrize("index", [-1, 1, 1000])
def test_an_agent_index_out_of_range(world, index):
    with pytest.raises(IndexError, match=f"agent index {index} is out of range \\(the world has 1 agents\\)"):
        world.agent(index)
    with pytest.raises(IndexError, match="out of range"):
        world.set_target(index, (2000, 2000))
    with pytest.raises(IndexError, match="out of range"):
        world.set_goals(index, [(2000, 2000)])


@pytest.mark.parametrize("point", [(-1, 100), (100, -0.5), (65536, 100), (100, 65536), (float("nan"), 5)])
def test_a_point_off_the_map(world, point):
    with pytest.raises(ValueError, match="agent position .* is off the map"):
        world.add_agent(point)
    with pytest.raises(ValueError, match="target .* is off the map"):
        world.set_target(0, point)
    with pytest.raises(ValueError, match="path end .* is off the map"):
        world.plan_path((100, 100), point)
    with pytest.raises(ValueError, match="goal .* is off the map"):
        world.set_goals(0, [(2000, 2000), point])
    assert len(world) == 1


@pytest.mark.parametrize("point", [(32768, 100), (100, 32768), (40000, 40000)])
def test_agents_stay_in_the_part_they_can_walk(world, point):
    # Paths may run anywhere on the map; agents' 16.16 positions reach 32768 units.
    world.plan_path((100, 100), point)
    with pytest.raises(ValueError, match="off the map where agents walk"):
        world.add_agent(point)
    with pytest.raises(ValueError, match="off the map where agents walk"):
        world.set_target(0, point)


def test_the_last_points_are_taken(world):
    world.add_agent((32767.5, 0))
    world.set_target(1, (0, 32767.99))
    assert len(world) == 2
    world.plan_path((65535.5, 65535.5), (0, 0))


def test_other_bad_arguments(world, tmp_path):
    with pytest.raises(ValueError, match="navigation mode 'fast' is unknown"):
        world.mode = "fast"
    with pytest.raises(ValueError, match="unknown behaviour 'fly'"):
        world.add_agent((500, 500), behaviours=["seek", "fly"])
    with pytest.raises(ValueError, match="steps -1 is negative"):
        world.step(-1)
    with pytest.raises(ValueError, match="pair"):
        world.set_target(0, (1, 2, 3))
    with pytest.raises(RuntimeError, match="no test case"):
        world.scores()
    missing = tmp_path / "none.xml"
    with pytest.raises(RuntimeError, match="none.xml"):
        steering.World.from_scenario(str(missing))
    with pytest.raises(RuntimeError, match="none.raw"):
        steering.World.from_map_file(str(tmp_path / "none.raw"))
    short = tmp_path / "short.raw"
    short.write_bytes(bytes(100))
    with pytest.raises(RuntimeError, match="short.raw"):
        steering.World.from_map_file(str(short))
    with pytest.raises(RuntimeError):
        steering.World.from_scenario_text("<SteerBenchTestCase>")
    # Still usable.
    world.set_target(0, (3000, 1000))
    world.step(5)
    assert world.agent(0)["position"] != (1000.0, 1000.0)
