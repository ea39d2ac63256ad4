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


def listed(application, mode):
    lines = []
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
    return lines


# The lines that answer the question, or None while the application or control is not there.
def read(application, mode, control_name, row, column):
    if mode not in ("describe", "format", "cell", "text", "rows"):
        return listed(application, mode)
    interface = {"format": "Text", "text": "Text", "cell": "Table", "rows": "Table"}.get(mode)
    node = named(application, control_name, interface)
    if node is None:
        return None
    if mode == "describe":
        return [str(node.description)]
    if mode == "format":
        return [str(node.queryText().getAttributeRun(int(row), False)[0])]
    if mode == "cell":
        return [node.queryTable().getAccessibleAt(int(row), int(column)).name]
    if mode == "rows":
        return [str(node.queryTable().nRows)]
    text = node.queryText()
    return [text.getText(0, text.characterCount)]


def main(mode, application_name, control_name=None, row=None, column=None):
    # One application that does not answer must not hold up the others.
    pyatspi.setTimeout(3000, 15000)
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or name_of(application) != application_name:
            continue
        # A control that goes away while it is read (a table refilled, a menu closed) breaks
        # the reading; it is read again whole, or the test would see half a window.
        for _ in range(5):
            try:
                lines = read(application, mode, control_name, row, column)
            except Exception:
                continue
            if lines is None:
                return 1
            if lines:
                print("\n".join(lines))
            return 0
        return 1
    return 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
