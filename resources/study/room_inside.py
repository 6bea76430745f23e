#!/usr/bin/python3
"""The room study counted from positions: runs crowd-room-classic.txt and
crowd-room-shortest.txt (61 agents sent into the room of maptest.raw) for 3,000 frames with
steering_headless, counts per frame the agents whose centres are inside the room (columns 22
to 35, rows 19 to 26) and in or just before its door (columns 36 and 37, rows 21 to 24),
prints the counts at the last frame and plots agents inside over time.

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
    if column in (36, 37) and 21 <= row <= 24:
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
            print("%-8s frame %d: %d inside, %d in or just before the door, %d outside, %d not done"
                  % (mode, FRAMES, last["inside"], last["door"], last["outside"], last["not done"]))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, ax = plt.subplots(figsize=(7, 3.6))
    for mode, label in (("classic", "Classic"), ("shortest", "Shortest paths")):
        frames = sorted(counts[mode])
        ax.plot(frames, [counts[mode][f]["inside"] for f in frames], label=label)
    ax.set_xlabel("frame")
    ax.set_ylabel("agents inside the room")
    ax.set_title("61 agents sent into a room that holds about 30")
    ax.grid(alpha=0.3)
    ax.legend()
    fig.tight_layout()
    fig.savefig(out, dpi=100)
    print("wrote", out)


if __name__ == "__main__":
    main()
