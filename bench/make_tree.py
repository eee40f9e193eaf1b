#!/usr/bin/env python3
"""The benchmarks' folder tree: 10 x 10 x 10 leaf folders (1,111 folders) of
45 files each plus 5 in every other folder: 45,555 files of one byte; one in
14 carries a junk extension (7.1 %).

    make_tree.py FOLDER
"""
import os, sys
root = sys.argv[1]
plain = [".txt", ".dat", ".jpg", ".doc", ".dll", ".exe", ".png", ".html", ".xml", ".ini", ".pdf", ".mp3", ".cpp"]
junk = [".tmp", ".bak", ".old", ".~mp", ".$$$", ".chk"]
n = 0
def fill(d, count, tag):
    global n
    os.makedirs(d, exist_ok=True)
    for i in range(count):
        k = n % 14
        ext = junk[(n // 14) % len(junk)] if k == 13 else plain[k]
        name = f"file{i:03d}_{tag}{ext}" if ext != ".chk" else f"FILE{n:04d}.CHK"
        with open(os.path.join(d, name), "w") as f:
            f.write("x")
        n += 1
for a in range(10):
    da = os.path.join(root, f"dir{a:02d}")
    fill(da, 5, f"{a}")
    for b in range(10):
        db = os.path.join(da, f"sub {b:02d}")
        fill(db, 5, f"{a}{b}")
        for c in range(10):
            fill(os.path.join(db, f"leaf.{c:02d}"), 45, f"{a}{b}{c}")
