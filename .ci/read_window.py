"""Reads Lorvane's window as a screen reader does, over AT-SPI: a frame named
after the program whose adapter list has a row naming each adapter given on
the command line. Exit status 0 when it does, 1 otherwise."""
import sys
import time

import pyatspi


def walk(node, depth=0):
    yield node
    if depth < 12:
        for child in node:
            if child is not None:
                yield from walk(child, depth + 1)


def main(adapters):
    for _ in range(40):
        desktop = pyatspi.Registry.getDesktop(0)
        frames = [node for app in desktop if app is not None and app.name == "lorvane"
                  for node in walk(app) if node.getRole() == pyatspi.ROLE_FRAME]
        if frames:
            names = {node.name for node in walk(frames[0])}
            missing = [a for a in adapters if a not in names]
            if not missing:
                print(f"frame {frames[0].name!r} lists {', '.join(adapters)}")
                return 0
        time.sleep(0.5)
    print("no frame listing every adapter; frames seen:",
          [f.name for f in frames] if frames else "none")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
