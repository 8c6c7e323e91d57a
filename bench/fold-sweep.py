#!/usr/bin/env python3
"""Splits a perf recording of pointer sweeps over a snapshot into where the
time went: the pointer layer, repaints through the scene, mouse delivery, the
event loop. Reads `perf script -F comm,tid,ip,sym` on stdin and prints each
part's share of the program's samples."""
import sys
from collections import Counter

# First match wins; each rule looks at the thread's name, the leaf function
# and the set of functions on the stack.
RULES = [
    ("Qt's X event thread", lambda comm, leaf, names: comm.startswith("QXcbEventQueue")),
    ("layer: the magnifier", lambda c, l, n: "CSGraphicsPixmapItem::paintMagnifier" in n),
    ("layer: the row walk and the pieces' copies", lambda c, l, n: "CPointerLayer::update" in n
     and (l in ("CPointerLayer::update", "copyRow", "byteMul") or l.startswith("__memcpy"))),
    ("layer: the rest of its update", lambda c, l, n: "CPointerLayer::update" in n),
    ("layer: the flush", lambda c, l, n: "CDrawView::refreshPointerLayer" in n and "QBackingStore::flush" in n),
    ("layer: the rest", lambda c, l, n: "CDrawView::refreshPointerLayer" in n),
    ("scene: the desktop copied", lambda c, l, n: "CSGraphicsPixmapItem::paintVeiled" in n
     and any(f.startswith("QPainter::drawPixmap") for f in n)),
    ("scene: the veil", lambda c, l, n: "CSGraphicsPixmapItem::paintVeiled" in n),
    ("scene: the rest of its repaints", lambda c, l, n: any("QWidgetRepaintManager" in f for f in n)),
    ("mouse delivery: the scene's part", lambda c, l, n: "CSGraphicsScene::mouseMoveEvent" in n),
    ("mouse delivery: Qt's part", lambda c, l, n: any(f.endswith("mouseMoveEvent") for f in n)
     or bool(n & {"QGuiApplicationPrivate::processMouseEvent", "QXcbWindow::handleXIMouseEvent",
                  "QXcbConnection::xi2HandleEvent"})),
    ("the event loop's polls", lambda c, l, n: any(f.startswith("g_main_context_iterate") for f in n)
     and not any(f.startswith("g_main_context_dispatch") for f in n)),
    ("the event loop's dispatch", lambda c, l, n: any(f.startswith("g_main_context_dispatch") for f in n)),
]


def samples(lines):
    block = []
    for line in lines:
        if line.strip():
            block.append(line.rstrip("\n"))
        elif block:
            yield block
            block = []
    if block:
        yield block


def main():
    counts = Counter()
    total = 0
    for block in samples(sys.stdin):
        comm = block[0].split()[0] if block[0].split() else ""
        frames = []
        for line in block[1:]:
            parts = line.strip().split(None, 1)
            name = parts[1] if len(parts) > 1 else "?"
            frames.append(name.split("+0x")[0].split(" (")[0])
        leaf = frames[0] if frames else "?"
        names = set(frames)
        part = next((label for label, rule in RULES if rule(comm, leaf, names)), "other")
        counts[part] += 1
        total += 1
    for label, count in sorted(counts.items(), key=lambda kv: -kv[1]):
        print(f"{100 * count / max(total, 1):5.1f} %  {label}")
    print(f"{total} samples")


if __name__ == "__main__":
    main()
