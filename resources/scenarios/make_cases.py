#!/usr/bin/env python3
"""Writes our own steering test cases (resources/scenarios/*.xml) in the SteerBench XML
format. Every case here is our own design; run this script again after changing one.
Units: metres and seconds; agents of radius 0.5 walking at 1.3 m/s unless a case says."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def vec(tag, x, z):
    return f"<{tag}><x>{x:g}</x><y>0</y><z>{z:g}</z></{tag}>"


def box(tag, xmin, xmax, zmin, zmax, height=1):
    return (f"<{tag}><xmin>{xmin:g}</xmin><xmax>{xmax:g}</xmax><ymin>0</ymin><ymax>{height:g}</ymax>"
            f"<zmin>{zmin:g}</zmin><zmax>{zmax:g}</zmax></{tag}>")


def seek(x, z, speed=1.3, duration=1000):
    return (f"<seekStaticTarget>{vec('targetLocation', x, z)}<desiredSpeed>{speed:g}</desiredSpeed>"
            f"<timeDuration>{duration:g}</timeDuration></seekStaticTarget>")


def other_goal(kind, inner, speed=1.3, duration=10):
    return f"<{kind}>{inner}<desiredSpeed>{speed:g}</desiredSpeed><timeDuration>{duration:g}</timeDuration></{kind}>"


def agent(x, z, goals, dx=1, dz=0, radius=0.5, speed=0, name=None):
    n = f"<name>{name}</name>" if name else ""
    return (f"<agent>{n}<initialConditions><radius>{radius:g}</radius>{vec('position', x, z)}"
            f"{vec('direction', dx, dz)}<speed>{speed:g}</speed></initialConditions>"
            f"<goalSequence>{''.join(goals)}</goalSequence></agent>")


def region(count, xmin, xmax, zmin, zmax, goals, radius=0.5):
    return (f"<agentRegion><numAgents>{count}</numAgents>{box('regionBounds', xmin, xmax, zmin, zmax)}"
            f"<initialConditions><radius>{radius:g}</radius><direction><random>true</random></direction>"
            f"<speed>0</speed></initialConditions><goalSequence>{''.join(goals)}</goalSequence></agentRegion>")


def wall(x0, x1, z0, z1):
    return box("obstacle", x0, x1, z0, z1)


def case(name, description, bounds, body, camera=None):
    cam = ""
    if camera:
        cam = (f"<suggestedCameraView>{vec('position', camera[0], camera[1] + 20).replace('<y>0</y>', '<y>30</y>')}"
               f"{vec('lookat', camera[0], camera[1])}<up><x>0</x><y>1</y><z>0</z></up><fovy>45</fovy>"
               f"</suggestedCameraView>")
    text = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<SteerBenchTestCase xmlns="http://www.magix.ucla.edu/steerbench">\n'
            f"  <header><version>1.0</version><name>{name}</name><description>{description}</description>"
            f"{box('worldBounds', *bounds)}</header>\n")
    if cam:
        text += "  " + cam + "\n"
    for line in body:
        text += "  " + line + "\n"
    text += "</SteerBenchTestCase>\n"
    with open(os.path.join(HERE, name + ".xml"), "w") as f:
        f.write(text)


B = (-20, 20, -20, 20)  # a 40 x 40 m square round the origin

case("head-on", "Two agents meet head on in the open.", B,
     [agent(-8, 0, [seek(8, 0)], name="left"), agent(8, 0, [seek(-8, 0)], dx=-1, name="right")], camera=(0, 0))

case("head-on-offset", "Two agents meet nearly head on, 0.4 m apart sideways.", B,
     [agent(-8, 0, [seek(8, 0)]), agent(8, 0.4, [seek(-8, 0.4)], dx=-1)])

case("overtaking", "A fast agent catches up with a slow one walking the same way.", B,
     [agent(-6, 0, [seek(12, 0, speed=0.7)]), agent(-12, 0, [seek(12, 0.1, speed=1.8)])])

case("crossing-90", "Two agents cross at right angles, arriving together.", B,
     [agent(-8, 0, [seek(8, 0)]), agent(0, -8, [seek(0, 8)], dx=0, dz=1)])

case("crossing-45", "Two agents cross at 45 degrees.", B,
     [agent(-8, 0, [seek(8, 0)]), agent(-8 * math.cos(math.pi / 4), -8 * math.sin(math.pi / 4),
                                           [seek(8 * math.cos(math.pi / 4), 8 * math.sin(math.pi / 4))])])

case("crossing-135", "Two agents cross at 135 degrees, nearly head on.", B,
     [agent(-8, 0, [seek(8, 0)]), agent(8 * math.cos(math.pi / 4), -8 * math.sin(math.pi / 4),
                                          [seek(-8 * math.cos(math.pi / 4), 8 * math.sin(math.pi / 4))])])

# A wall across the square at x in [-0.5, 0.5] with a 2 m doorway at z in [-1, 1].
DOOR = [wall(-0.5, 0.5, -20, -1), wall(-0.5, 0.5, 1, 20)]
case("doorway-one-way", "Twenty agents pass a 2 m doorway one way.", B,
     DOOR + [region(20, -14, -4, -6, 6, [seek(10, 0)])])
case("doorway-two-way", "Ten agents each way through a 2 m doorway.", B,
     DOOR + [region(10, -14, -4, -6, 6, [seek(10, 0)]), region(10, 4, 14, -6, 6, [seek(-10, 0)])])

# A hallway 4 m wide and 24 m long.
HALL = [wall(-14, 14, -20, -2), wall(-14, 14, 2, 20)]
case("hallway-two-way", "Twelve agents each way along a 4 m hallway.", B,
     HALL + [region(12, -19, -15, -4, 4, [seek(17, 0)]), region(12, 15, 19, -4, 4, [seek(-17, 0)])])

case("four-way-crossing", "Four groups of eight cross the middle from the four sides.", B,
     [region(8, -18, -12, -3, 3, [seek(15, 0)]), region(8, 12, 18, -3, 3, [seek(-15, 0)]),
      region(8, -3, 3, -18, -12, [seek(0, 15)]), region(8, -3, 3, 12, 18, [seek(0, -15)])])

# 200 agents through a 3 m gap in a wall, into open ground beyond.
BIG = (-30, 30, -30, 30)
case("bottleneck-200", "200 agents squeeze through a 3 m gap to a point beyond it.", BIG,
     [wall(-0.5, 0.5, -30, -1.5), wall(-0.5, 0.5, 1.5, 30), region(200, -28, -6, -14, 14, [seek(12, 0)])])

# A 10 x 10 m room (walls 1 m thick) with a 2 m door in its west wall. It holds about 63
# agents of radius 0.5 at 50 % packing; 40 go in, to its centre.
ROOM = [wall(0, 12, -6, -5), wall(0, 12, 5, 6), wall(11, 12, -5, 5), wall(0, 1, -5, -1), wall(0, 1, 1, 5)]
case("room-fill", "Forty agents enter a 10 x 10 m room (capacity about 63) through a 2 m door.", B,
     ROOM + [region(40, -18, -6, -10, 10, [seek(6, 0)])])
case("room-empty", "Forty agents leave the same room through its door to a point outside.", B,
     ROOM + [region(40, 2, 10, -4, 4, [seek(-12, 0)])])

# A dead-end corridor 3 m wide, 16 m deep: walk to its end, then back out.
DEAD = [wall(-4, 16, -20, -1.5), wall(-4, 16, 1.5, 20), wall(16, 20, -1.5, 1.5)]
case("dead-end-and-back", "Ten agents walk to the end of a dead-end corridor and back out.", B,
     DEAD + [region(10, -18, -8, -6, 6, [seek(14, 0), seek(-14, 0)])])

circle = []
for i in range(20):
    a = 2 * math.pi * i / 20
    x, z = 10 * math.cos(a), 10 * math.sin(a)
    circle.append(agent(round(x, 3), round(z, 3), [seek(round(-x, 3), round(-z, 3))], dx=-math.cos(a), dz=-math.sin(a)))
case("circle-20", "Twenty agents on a 10 m circle walk to the opposite side.", B, circle)

case("random-crowd", "Sixty agents at random spots walk to random targets.", B,
     [f"<agentRegion><numAgents>60</numAgents>{box('regionBounds', -18, 18, -18, 18)}"
      "<initialConditions><radius>0.5</radius><direction><random>true</random></direction><speed>0</speed>"
      "</initialConditions><goalSequence><seekStaticTarget><targetLocation><random>true</random></targetLocation>"
      "<desiredSpeed>1.3</desiredSpeed><timeDuration>200</timeDuration></seekStaticTarget></goalSequence></agentRegion>"])

# A 20 x 16 m hall with exits of 2 m in its west and east walls; each agent makes for the
# nearer exit and a point outside it.
HALL2 = [wall(-11, 11, -9, -8), wall(-11, 11, 8, 9), wall(-11, -10, -8, -1), wall(-11, -10, 1, 8),
         wall(10, 11, -8, -1), wall(10, 11, 1, 8)]
case("evacuation-two-exits", "Sixty agents leave a hall by its two 2 m exits.", B,
     HALL2 + [region(30, -9, -1, -7, 7, [seek(-16, 0)]), region(30, 1, 9, -7, 7, [seek(16, 0)])])

case("goal-kinds", "Flee, flow, idle and a dynamic seek, one after another.", B,
     [agent(-10, -10, [other_goal("fleeStaticTarget", vec("targetLocation", -15, -15), duration=6),
                       other_goal("flowStaticDirection", vec("targetDirection", 1, 0), duration=6),
                       other_goal("idle", "", speed=0, duration=3), seek(10, 10)], name="walker"),
      agent(10, -10, [other_goal("seekDynamicTarget", "<targetName>walker</targetName>", duration=60)], name="chaser")])

case("obstacle-field", "Thirty agents cross a field of random square obstacles.", B,
     ["<obstacleRegion><numObstacles>25</numObstacles><obstacleSize>1</obstacleSize><obstacleHeight>1</obstacleHeight>"
      + box("regionBounds", -10, 10, -10, 10) + "</obstacleRegion>",
      region(30, -19, -14, -10, 10, [seek(17, 0)])])
