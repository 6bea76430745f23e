#!/usr/bin/env python3
"""Writes the crowd study's test cases (resources/study/*.xml) in the SteerBench XML format,
with the helpers of resources/scenarios/make_cases.py (importing it writes that folder's
cases again, unchanged). Every case here is our own design; each stays within what the
space round its targets holds (arrival zones at 50 % packing), so every agent can arrive.
    python3 resources/study/make_study_cases.py"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scenarios"))
import make_cases as mc  # noqa: E402

mc.HERE = HERE
case, region, seek, wall = mc.case, mc.region, mc.seek, mc.wall

# Long route: 200 agents across 90 m, through two staggered 4 m gaps in walls across the way.
LONG = (-50, 50, -25, 25)
case("study-long-route-200", "200 agents walk a 90 m route through two staggered 4 m gaps.", LONG,
     [wall(-15, -14, -25, 6), wall(-15, -14, 10, 25), wall(14, 15, -25, -10), wall(14, 15, -6, 25),
      region(200, -48, -22, -20, 20, [seek(44, 0)])])

# A 14 x 14 m room (walls 1 m thick) with a 2 m door in its west wall: about 125 agents of
# radius 0.5 at 50 % packing, so 100 fit.
ROOM = [wall(0, 16, -8, -7), wall(0, 16, 7, 8), wall(15, 16, -7, 7), wall(0, 1, -7, -1), wall(0, 1, 1, 7)]
B = (-30, 30, -30, 30)
case("study-doorway-in-100", "100 agents enter a 14 x 14 m room (capacity about 125) through a 2 m door.", B,
     ROOM + [region(100, -28, -6, -14, 14, [seek(8, 0)])])
case("study-doorway-out-100", "100 agents leave the same room through its door to a point outside.", B,
     ROOM + [region(100, 2, 14, -6, 6, [seek(-16, 0)])])

# A dead-end corridor 3 m wide and 16 m deep: 20 agents walk to its end and back out.
DEAD = [wall(-4, 16, -20, -1.5), wall(-4, 16, 1.5, 20), wall(16, 20, -1.5, 1.5)]
case("study-dead-end-in-out", "Twenty agents walk to the end of a dead-end corridor and back out.", mc.B,
     DEAD + [region(20, -18, -8, -8, 8, [seek(14, 0), seek(-14, 0)])])

# Two-way swaps: twenty each way through a 2 m doorway, and along a 4 m hallway 28 m long.
DOOR = [wall(-0.5, 0.5, -20, -1), wall(-0.5, 0.5, 1, 20)]
case("study-doorway-swap", "Twenty agents each way swap sides through a 2 m doorway.", mc.B,
     DOOR + [region(20, -16, -3, -8, 8, [seek(10, 0)]), region(20, 3, 16, -8, 8, [seek(-10, 0)])])
HALL = [wall(-14, 14, -20, -2), wall(-14, 14, 2, 20)]
case("study-hallway-swap", "Twenty agents each way swap ends of a 4 m hallway.", mc.B,
     HALL + [region(20, -19, -15, -8, 8, [seek(17, 0)]), region(20, 15, 19, -8, 8, [seek(-17, 0)])])

# 200 agents through a 2 m gap in a wall, into open ground beyond.
case("study-bottleneck-200", "200 agents squeeze through a 2 m gap to a point beyond it.", B,
     [wall(-0.5, 0.5, -30, -1), wall(-0.5, 0.5, 1, 30), region(200, -28, -6, -14, 14, [seek(14, 0)])])
