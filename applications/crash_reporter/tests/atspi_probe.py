#!/usr/bin/python3
# Reads an application's accessibility tree through AT-SPI, as a screen reader does, and prints
# role and name of its controls: "controls" every control that takes focus and shows (marked
# "|disabled" while it is) and every progress bar that shows, "focused" the one that has the
# focus now. Exits 1 while the application is not there.
import sys

import pyatspi


def walk(node):
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


def main(mode, application_name):
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != application_name:
            continue
        for node in walk(application):
            state = node.getState()
            if mode == "focused":
                wanted = state.contains(pyatspi.STATE_FOCUSABLE) and state.contains(
                    pyatspi.STATE_FOCUSED)
            else:
                wanted = state.contains(pyatspi.STATE_SHOWING) and (
                    state.contains(pyatspi.STATE_FOCUSABLE)
                    or node.getRole() == pyatspi.ROLE_PROGRESS_BAR)
            if wanted:
                disabled = mode == "controls" and not state.contains(pyatspi.STATE_ENABLED)
                print(f"{node.getRoleName()}|{node.name}" + ("|disabled" if disabled else ""))
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
