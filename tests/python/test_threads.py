# Worlds on several threads give the serial results (each step runs without the
# interpreter's lock, so they overlap).
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import steering


def run(args):
    case, mode = args
    world = steering.World.from_scenario(case, mode=mode)
    world.step(40)
    return world.positions.copy(), world.velocities.copy(), world.scores()["json"]


def test_threads_give_the_serial_results(resources):
    cases = [str(resources / "scenarios" / name) for name in ("crossing-90.xml", "doorway-two-way.xml")]
    jobs = [(case, mode) for case in cases for mode in ("classic", "shortest")]
    serial = [run(job) for job in jobs]
    with ThreadPoolExecutor(max_workers=4) as pool:
        threaded = list(pool.map(run, jobs * 2))
    for i, (p, v, scores) in enumerate(threaded):
        sp, sv, sscores = serial[i % len(jobs)]
        assert np.array_equal(p, sp) and np.array_equal(v, sv)
        # The processor time differs from run to run; everything else is the same.
        strip = lambda s: s.split('"processorMicrosPerAgentStep"')[0]
        assert strip(scores) == strip(sscores)
    # The four jobs are four different runs.
    assert not np.array_equal(serial[0][0], serial[2][0])


def test_two_threads_on_one_world_take_turns():
    world = steering.World(bytes(256 * 256))
    for i in range(20):
        world.add_agent((1000 + 300 * i, 2000), radius=100, speed=50)
        world.set_target(i, (1000 + 300 * i, 9000))
    alone = steering.World(bytes(256 * 256))
    for i in range(20):
        alone.add_agent((1000 + 300 * i, 2000), radius=100, speed=50)
        alone.set_target(i, (1000 + 300 * i, 9000))
    with ThreadPoolExecutor(max_workers=2) as pool:
        list(pool.map(lambda n: world.step(n), [25] * 4))
    alone.step(100)
    assert world.steps_run == 100
    assert np.array_equal(world.positions, alone.positions)
