#!/usr/bin/python3
# Reads an application's accessibility tree through AT-SPI, as a screen reader does:
#   controls APP       role and name of every control that takes focus and shows (marked
#                      "|disabled" while it is) and of every progress bar that shows;
#   focused APP        the same of the control that has the focus now;
#   text APP NAME      the text of the control of that name;
#   rows APP NAME      the number of rows of the table or tree of that name;
#   labels APP         the names of the labels that show, as a screen reader reads them;
#   buttons APP        the names of the push buttons that show, focusable or not;
#   describe APP NAME  the description of the control of that name;
#   cell APP NAME R C  the text of the cell at row R, column C of the table or tree of that name;
#   format APP NAME N  the text attributes at character N of the control of that name.
# Exits 1 while the application (or the named control) is not there.
import sys

import pyatspi


def walk(node):
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


def named(application, name, interface=None):
    for node in walk(application):
        if node.name == name and (interface is None or interface in pyatspi.listInterfaces(node)):
            return node
    return None


def name_of(application):
    try:
        return application.name
    except Exception:  # an application on its way out, or not answering
        return None


def whole_pass(application, mode):
    lines = []
    try:
        for node in walk(application):
            state = node.getState()
            if mode in ("labels", "buttons"):
                role = pyatspi.ROLE_LABEL if mode == "labels" else pyatspi.ROLE_PUSH_BUTTON
                if node.getRole() == role and state.contains(pyatspi.STATE_SHOWING):
                    lines.append(node.name)
                continue
            if mode == "focused":
                wanted = state.contains(pyatspi.STATE_FOCUSABLE) and state.contains(
                    pyatspi.STATE_FOCUSED)
            else:
                wanted = state.contains(pyatspi.STATE_SHOWING) and (
                    state.contains(pyatspi.STATE_FOCUSABLE)
                    or node.getRole() == pyatspi.ROLE_PROGRESS_BAR)
            if wanted:
                disabled = mode == "controls" and not state.contains(pyatspi.STATE_ENABLED)
                lines.append(f"{node.getRoleName()}|{node.name}" + ("|disabled" if disabled else ""))
    except Exception:
        return None
    return lines


def main(mode, application_name, control_name=None, row=None, column=None):
    # One application that does not answer must not hold up the others.
    pyatspi.setTimeout(3000, 15000)
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or name_of(application) != application_name:
            continue
        if mode == "describe":
            node = named(application, control_name)
            if node is None:
                return 1
            print(node.description)
            return 0
        if mode == "format":
            node = named(application, control_name, "Text")
            if node is None:
                return 1
            print(node.queryText().getAttributeRun(int(row), False)[0])
            return 0
        if mode == "cell":
            node = named(application, control_name, "Table")
            if node is None:
                return 1
            print(node.queryTable().getAccessibleAt(int(row), int(column)).name)
            return 0
        if mode in ("text", "rows"):
            node = named(application, control_name, "Text" if mode == "text" else "Table")
            if node is None:
                return 1
            if mode == "text":
                text = node.queryText()
                print(text.getText(0, text.characterCount))
            else:
                print(node.queryTable().nRows)
            return 0
        # A control that goes away while the tree is read (a table refilled, a menu closed)
        # breaks the pass; only a whole pass is printed, or the test would read half a window.
        for _ in range(5):
            lines = whole_pass(application, mode)
            if lines is not None:
                print("\n".join(lines))
                return 0
        return 1
    return 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
