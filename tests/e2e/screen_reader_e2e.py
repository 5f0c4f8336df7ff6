#!/usr/bin/env python3
"""What a screen reader reads of the editor on Linux, through AT-SPI (the
accessibility bus Orca reads), after real clicks and keys: the card list is
a list named Cards whose items are the card names; after a click on the
first card and after Down, the card shown is the one item selected and
focused, and the bus told a screen reader so (selection and focus events);
the hidden colour list named Colours holds the shown card's colours as its
selected items and shows once the colour button opens it; the seven fields
are named and offer the shown card's text.

    screen_reader_e2e.py --program PATH --cardinfo PATH --example FILE --work DIR

Run inside a session bus of its own (dbus-run-session), which starts the
accessibility bus when it is first asked for. Needs Debian's python3-pyatspi.
"""

import os
import subprocess
import sys

import pyatspi
from gi.repository import GLib

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError, key, wait_for  # noqa: E402

COLOURS = ["White", "Blue", "Black", "Red", "Green", "Gold", "Artifact", "Land"]
# The fields in the order the window makes them, with the dumped card's key.
FIELDS = [("Name", "name"), ("Text", "text"), ("Type", "type"), ("Edition", "edition"), ("Cost", "cost"),
          ("P/T", "pt"), ("Comment", "comment")]


def expect(what, got, wanted):
    if got != wanted:
        raise DriveError("%s: %r, expected %r" % (what, got, wanted))


def switch_on_accessibility():
    """What the desktop does when a screen reader is in use."""
    xdrive.run("dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
               "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
               "variant:boolean:true")


class Heard:
    """The selection and focus events the bus delivers, as (kind, item name)."""

    def __init__(self):
        self.events = []
        pyatspi.Registry.registerEventListener(self.hear, "object:state-changed:selected", "focus:")

    def hear(self, event):
        try:
            name = event.source.name
        except Exception:  # the object may be gone by now
            name = None
        if event.type.startswith("focus") or event.detail1:
            self.events.append(("focus" if event.type.startswith("focus") else "selected", name))

    def pump(self):
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def wait(self, what, wanted):
        def heard():
            self.pump()
            return wanted in self.events
        wait_for("the bus to tell %s" % what, heard, 10, 0.1)


def states(accessible):
    return accessible.getState()


def has(accessible, state):
    return states(accessible).contains(state)


def find_all(root, role):
    found = []
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRole() == role:
            found.append(child)
        if child.getRole() not in (pyatspi.ROLE_LIST,):
            found.extend(find_all(child, role))
    return found


def editor_on_the_bus(process_id):
    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == process_id and find_all(app, pyatspi.ROLE_LIST):
                    return app
            except Exception:
                continue
        return None
    return wait_for("the editor on the accessibility bus", look, 30, 0.5)


def text_of(field):
    text = field.queryText()
    return text.getText(0, text.characterCount)


def only_selected(items):
    return [item.name for item in items if has(item, pyatspi.STATE_SELECTED)]


def check_card_shown(app, cards, items, index, heard):
    """Item `index` is the one selected and focused, the bus said so, and the
    fields and the colour list hold that card."""
    item = items[index]
    wait_for("item %d (%s) selected and focused" % (index, item.name),
             lambda: has(item, pyatspi.STATE_SELECTED) and has(item, pyatspi.STATE_FOCUSED), 10, 0.1)
    expect("the selected items", only_selected(items), [item.name])
    heard.wait("that %s is selected" % item.name, ("selected", item.name))
    heard.wait("that %s has the focus" % item.name, ("focus", item.name))
    card = next(c for c in cards if c["name"] == item.name)
    fields = {f.name: f for f in find_all(app, pyatspi.ROLE_TEXT)}
    for label, field in FIELDS:
        expect("the %s field's text" % label, text_of(fields[label]).replace("\n", "\r\n"), card[field])
    colours = [c for c in find_all(app, pyatspi.ROLE_LIST) if c.name == "Colours"][0]
    wanted = [name for bit, name in enumerate(COLOURS) if card["colours"] & (1 << bit)]
    expect("the colours of %s" % item.name, only_selected([colours[i] for i in range(colours.childCount)]),
           wanted)
    return card


def test(run):
    switch_on_accessibility()
    cards = xdrive.dump(run.args, run.file_path)
    xdrive.remember_path(run.args, run.file_path)
    heard = Heard()
    editor = run.editor()
    try:
        editor.settle()
        app = editor_on_the_bus(editor.process.pid)

        lists = {item.name: item for item in find_all(app, pyatspi.ROLE_LIST)}
        expect("the lists' names", sorted(lists), ["Cards", "Colours"])
        expect("the fields' names", [f.name for f in find_all(app, pyatspi.ROLE_TEXT)],
               [label for label, _ in FIELDS])
        card_list = lists["Cards"]
        items = [card_list[i] for i in range(card_list.childCount)]
        expect("the card list's items", sorted(i.name for i in items), sorted(c["name"] for c in cards))
        expect("the selected items before a click", only_selected(items), [])
        expect("the list items' role", {i.getRole() for i in items}, {pyatspi.ROLE_LIST_ITEM})
        colours = lists["Colours"]
        expect("the colour list's items", [colours[i].name for i in range(colours.childCount)], COLOURS)
        if has(colours, pyatspi.STATE_SHOWING) or not has(colours, pyatspi.STATE_MULTISELECTABLE):
            raise DriveError("the closed colour list is showing, or not multi-selectable: %s"
                             % states(colours).getStates())

        editor.press_first_card()
        check_card_shown(app, cards, items, 0, heard)
        key("Down")
        card = check_card_shown(app, cards, items, 1, heard)

        editor.press("colours")
        wait_for("the colour list to show", lambda: has(colours, pyatspi.STATE_SHOWING), 10, 0.1)
        editor.exit_by_menu()
        return ": %d cards read, %s shown with its colours" % (len(items), card["name"])
    finally:
        editor.kill()


if __name__ == "__main__":
    sys.exit(xdrive.main(test, __doc__))
