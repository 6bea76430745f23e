#!/usr/bin/python3
"""The room study counted from positions: runs crowd-room-classic.txt and
crowd-room-shortest.txt (61 agents sent into the room of maptest.raw) for 3,000 frames with
steering_headless, counts per frame the agents whose centres are inside the room (columns 22
to 35, rows 19 to 26) and in the way of its two openings, prints the counts at the last
frame and the frames from 1,000 on with an agent in the way, and plots both over time.

In the way: in an opening (the east door, column 36, rows 21 to 24; the north gap, row 18,
columns 23 to 26) or in the strip just outside it (column 37, rows 20 to 25; row 17,
columns 22 to 27), where anyone walking in or out would have to push past.

    /usr/bin/python3 resources/study/room_inside.py BUILD_BIN OUT.png

BUILD_BIN is the folder holding steering_headless and maptest.raw (build/bin); the traces go
to a temporary folder that is removed afterwards.
"""
import csv
import math
import os
import subprocess
import sys
import tempfile

FRAMES = 3000
CELL = 256.0


def where(x, y):
    column, row = math.floor(x / CELL), math.floor(y / CELL)
    if 22 <= column <= 35 and 19 <= row <= 26:
        return "inside"
    if (column == 36 and 21 <= row <= 24) or (column == 37 and 20 <= row <= 25):
        return "door"
    if (row == 18 and 23 <= column <= 26) or (row == 17 and 22 <= column <= 27):
        return "door"
    return "outside"


def count(trace):
    frames = {}
    with open(trace) as f:
        for row in csv.DictReader(line for line in f if not line.startswith("#")):
            tally = frames.setdefault(int(row["frame"]), {"inside": 0, "door": 0, "outside": 0, "not done": 0})
            tally[where(float(row["x"]), float(row["y"]))] += 1
            tally["not done"] += row["pathDone"] == "0"
    return frames


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: room_inside.py BUILD_BIN OUT.png")
    binary_dir, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    study = os.path.dirname(os.path.abspath(__file__))
    counts = {}
    with tempfile.TemporaryDirectory() as scratch:
        for mode in ("classic", "shortest"):
            trace = os.path.join(scratch, mode + ".csv")
            subprocess.run([os.path.join(binary_dir, "steering_headless"), "steering", "--input",
                            os.path.join(study, "crowd-room-%s.txt" % mode), "--frames", str(FRAMES),
                            "--trace", trace], cwd=binary_dir, check=True, stdout=subprocess.DEVNULL)
            counts[mode] = count(trace)
            last = counts[mode][FRAMES]
            late = [f for f in counts[mode] if f >= 1000]
            print("%-8s frame %d: %d inside, %d in the way of a door, %d outside, %d not done; "
                  "frames %d to %d with an agent in the way: %d of %d"
                  % (mode, FRAMES, last["inside"], last["door"], last["outside"], last["not done"], 1000, FRAMES,
                     sum(1 for f in late if counts[mode][f]["door"] > 0), len(late)))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, (ax, way) = plt.subplots(2, 1, figsize=(7, 5.4), sharex=True, gridspec_kw={"height_ratios": [2, 1]})
    for mode, label in (("classic", "Classic"), ("shortest", "Shortest paths")):
        frames = sorted(counts[mode])
        ax.plot(frames, [counts[mode][f]["inside"] for f in frames], label=label)
        way.plot(frames, [counts[mode][f]["door"] for f in frames], label=label, linewidth=0.8)
    ax.set_ylabel("agents inside the room")
    ax.set_title("61 agents sent into a room with places for about 21 to 24")
    ax.grid(alpha=0.3)
    ax.legend()
    way.set_xlabel("frame")
    way.set_ylabel("in a door's way")
    way.grid(alpha=0.3)
    fig.tight_layout()
    fig.savefig(out, dpi=100)
    print("wrote", out)


if __name__ == "__main__":
    main()
