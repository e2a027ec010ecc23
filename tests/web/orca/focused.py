"""Prints where the keyboard is, as a screen reader sees it on the
accessibility bus: each object in the focused state, as its application,
window and role with its name, one a line. With "windows": each
application's windows instead, whether focused or not."""

import sys

import pyatspi


def named(accessible):
    return f'{accessible.getRoleName()} "{accessible.name}"'


def focused(accessible, found, limit=20000):
    """Depth first over showing objects, at most LIMIT of them."""
    stack = [accessible]
    seen = 0
    while stack and seen < limit:
        node = stack.pop()
        seen += 1
        states = node.getState()
        if states.contains(pyatspi.STATE_FOCUSED):
            found.append(node)
        if node is accessible or states.contains(pyatspi.STATE_SHOWING):
            stack.extend(child for child in reversed(list(node)) if child is not None)


for app in pyatspi.Registry.getDesktop(0):
    if app is None:
        continue
    for window in app:
        if sys.argv[1:] == ['windows']:
            print(f'{app.name}: {named(window)}')
            continue
        objects = []
        focused(window, objects)
        for accessible in objects:
            print(f'{app.name}: {named(window)}: {named(accessible)}')
