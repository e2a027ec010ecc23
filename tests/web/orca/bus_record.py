"""Records what the applications send on the accessibility bus that a
screen reader follows in a page: each window made active, each change of a
document's busy state, each load-complete, each object that takes the focus, and the text and the
objects added to the page's announcement region (id "spoken"). One event a line, on
standard output, as "TIME<TAB>TYPE<TAB>DETAIL1<TAB>ROLE<TAB>NAME<TAB>TEXT", the
time as Orca's debug log gives it, so that the two can be set side by
side; "ready" once the listeners are registered."""

import datetime
import sys

import pyatspi

TYPES = ('window:activate', 'object:state-changed:busy', 'document:load-complete', 'object:state-changed:focused',
         'object:text-changed:insert', 'object:children-changed:add')


def in_region(accessible, depth=4):
    while accessible is not None and depth > 0:
        try:
            if 'id:spoken' in accessible.getAttributes():
                return True
            accessible = accessible.parent
        except Exception:  # pylint: disable=broad-except  # gone meanwhile
            return False
        depth -= 1
    return False


def record(event):
    try:
        if event.host_application.name == 'orca':
            return
        if event.type.startswith('object:state-changed:focused') and not event.detail1:
            return
        text = ''
        if event.type.startswith('object:text-changed:insert'):
            if not in_region(event.source):
                return
            text = str(event.any_data)
        elif event.type.startswith('object:children-changed:add'):
            # Firefox says a new announcement this way, Chromium too.
            if not in_region(event.source):
                return
            child = event.any_data
            text = child.queryText().getText(0, -1) if child is not None else ''
        text = text.replace('\n', '\\n')
        role, name = event.source.getRoleName(), event.source.name
    except Exception as error:  # pylint: disable=broad-except  # a source gone meanwhile
        if 'changed:add' in event.type or 'changed:insert' in event.type:
            return
        role, name, text = 'gone', type(error).__name__, ''
    now = datetime.datetime.now().strftime('%H:%M:%S.%f')
    print(f'{now}\t{event.type}\t{event.detail1}\t{role}\t{name}\t{text}', flush=True)


pyatspi.Registry.registerEventListener(record, *TYPES)
print('ready', flush=True)
sys.stdout.flush()
pyatspi.Registry.start()
