#!/usr/bin/env python3
"""End-to-end test of the mouse in the editor, with real pointer events: what
a plain window's list boxes and buttons do with the mouse on the platform, on
Linux as under Wine.

Each round left-clicks the first card, makes one more gesture, and checks that
what is drawn as selected is what the commands act on. In the card list only
a left press selects; other buttons, modifiers and clicks below the last entry
keep the selection, and Delete (then Save) must remove exactly the highlighted
card from the file. A gesture on the Delete button other than a left click
released on it removes nothing, and a middle click in a field pastes
nothing. In the colour list a left press toggles the
colour under it and nothing else, and Update takes exactly the colours drawn
as selected.
"""

import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError  # noqa: E402

LEFT, MIDDLE, RIGHT = "1", "2", "3"
BELOW_LAST = 30  # a row far below the last card (the list holds at most 12)


def move(x, y):
    xdrive.run("xdotool", "mousemove", str(x), str(y))
    time.sleep(0.15)


def click_at(x, y, button=LEFT, modifier=None, count=1):
    move(x, y)
    if modifier:
        xdrive.run("xdotool", "keydown", modifier)
    xdrive.run("xdotool", "click", "--repeat", str(count), "--delay", "80", button)
    if modifier:
        xdrive.run("xdotool", "keyup", modifier)
    time.sleep(0.4)


def bands_in_column(x, top, bottom):
    """(first, last) screen rows of each band drawn in the highlight colour
    (the only saturated colour in a list) in one column of the screen."""
    screen = xdrive.Screen()
    bands = []
    for y in range(top, bottom):
        r, g, b = screen.pixel(x, y)
        if max(r, g, b) - min(r, g, b) > 60:
            if bands and bands[-1][1] == y - 1:
                bands[-1][1] = y
            else:
                bands.append([y, y])
    return [tuple(band) for band in bands]


class CardList:
    """Rows of the card list on the screen, measured from the highlight of
    the first row once it is selected."""

    def __init__(self, editor):
        self.editor = editor
        x, y, _, h = editor.place("cards")
        self.left, self.top = x + 2, y + 2  # inside the list's border
        self.bottom = y + h - 2
        editor.press_first_card()
        bands = self.highlighted()
        if len(bands) != 1:
            raise DriveError("no single highlighted row after a click on the first card: %r" % bands)
        self.first, end = bands[0]
        self.height = end - self.first + 1

    def centre(self, row):
        return self.left + 60, self.first + row * self.height + self.height // 2

    def highlighted(self):
        """Bands near the list's right edge, where no name reaches."""
        return bands_in_column(self.left + 170, self.top, self.bottom)

    def colour_list(self):
        """(x, y, width) of the colour list's rows on the screen, inside its
        border; its rows are as high as the card list's."""
        x, y, w, _ = self.editor.place("colour list")
        return x + 2, y + 2, w - 4

    def colour_centre(self, row):
        x, y, width = self.colour_list()
        return x + width // 3, y + row * self.height + self.height // 2

    def highlighted_colours(self):
        """The colour rows drawn as selected, each band of adjacent ones cut
        into rows; with the bands as found, for a failure's report."""
        x, y, width = self.colour_list()
        bands = bands_in_column(x + width - 6, y, y + 130)
        rows = set()
        for first, last in bands:
            start = round((first - y) / self.height)
            rows.update(range(start, start + max(1, round((last + 1 - first) / self.height))))
        return rows, bands

    def press_colour_button(self):
        click_at(*self.editor.centre("colours"))

    def highlighted_row(self):
        bands = self.highlighted()
        if len(bands) > 1:
            raise DriveError("more than one highlighted band: %r" % bands)
        return round((bands[0][0] - self.first) / self.height) if bands else None


def gesture_on_card(row, button=LEFT, modifier=None, count=1):
    return lambda cards: click_at(*cards.centre(row), button=button, modifier=modifier, count=count)


def drag_cards(start, end):
    def drag(cards):
        move(*cards.centre(start))
        xdrive.run("xdotool", "mousedown", LEFT)
        for row in range(start, end + 1):
            move(*cards.centre(row))
        xdrive.run("xdotool", "mouseup", LEFT)
        time.sleep(0.4)
    return drag


def gesture_on_delete(button=LEFT, release_beside=False):
    def gesture(cards):
        x, y = cards.editor.centre("delete")
        if not release_beside:
            click_at(x, y, button)
            return
        move(x, y)
        xdrive.run("xdotool", "mousedown", button)
        move(x, y - 60)
        xdrive.run("xdotool", "mouseup", button)
        time.sleep(0.4)
    return gesture


def gesture_on_colours(*steps):
    """Opens the colour list and clicks its rows: (row, button, modifier), or
    (first, last) for a left drag over those rows."""
    def gesture(cards):
        cards.press_colour_button()
        for step in steps:
            if len(step) == 2:
                move(*cards.colour_centre(step[0]))
                xdrive.run("xdotool", "mousedown", LEFT)
                for row in range(step[0], step[1] + 1):
                    move(*cards.colour_centre(row))
                xdrive.run("xdotool", "mouseup", LEFT)
                time.sleep(0.4)
            else:
                click_at(*cards.colour_centre(step[0]), button=step[1], modifier=step[2])
    return gesture


def middle_click_on_cost(cards):
    """A middle click in the cost field with text in the X selection, then
    Update (which leaves no card selected): the platform's field pastes
    nothing. The selection's owner ends with the gesture."""
    owner = subprocess.Popen(["xclip", "-i", "-quiet", "-selection", "primary"], stdin=subprocess.PIPE,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        owner.stdin.write(b"PASTED")
        owner.stdin.close()
        time.sleep(0.3)
        click_at(*cards.editor.centre("cost"), MIDDLE)
    finally:
        owner.terminate()
        owner.wait()
    cards.editor.press("update")


# Linux only: Wine's edit fields paste the clipboard on a middle click, where
# the platform's paste nothing.
MIDDLE_IN_FIELD = "middle click on the cost field, then Update"


# After the click on the first card: the gesture, the card row then drawn as
# selected, whether Delete is pressed next (and must remove that row's card;
# otherwise nothing is removed), and for the colour list the colours (rows)
# whose state the gesture toggles, Update then taking them.
GESTURES = [
    ("drag from the second card to the fourth", drag_cards(1, 3), 3, True, None),
    ("right click on the third card", gesture_on_card(2, RIGHT), 0, True, None),
    ("middle click on the third card", gesture_on_card(2, MIDDLE), 0, True, None),
    ("Ctrl + left click on the selected card", gesture_on_card(0, LEFT, "ctrl"), 0, True, None),
    ("left click below the last card", gesture_on_card(BELOW_LAST), 0, True, None),
    ("left click on the third card", gesture_on_card(2), 2, True, None),
    ("Shift + left click on the third card", gesture_on_card(2, LEFT, "shift"), 2, True, None),
    ("double click on the second card", gesture_on_card(1, count=2), 1, True, None),
    ("right click on Delete", gesture_on_delete(RIGHT), 0, False, None),
    ("middle click on Delete", gesture_on_delete(MIDDLE), 0, False, None),
    ("left press on Delete released beside it", gesture_on_delete(release_beside=True), 0, False, None),
    ("left, right, middle and Ctrl + left clicks on colours",
     gesture_on_colours((1, LEFT, None), (2, RIGHT, None), (3, MIDDLE, None), (4, LEFT, "ctrl")), 0, False, {1, 4}),
    ("left drag over three colours", gesture_on_colours((0, 2)), 0, False, {0}),
    (MIDDLE_IN_FIELD, middle_click_on_cost, None, False, None),
]


def name_of_row(editor, cards, row):
    click_at(*cards.centre(row))
    return editor.read_line_field("name")


def test(run):
    args = run.args
    editor = run.editor()
    try:
        editor.open_with(run.dialog_path)
        cards = CardList(editor)
        before = {c["name"]: c for c in xdrive.dump(args, run.file_path)}
        rounds = 0
        for what, gesture, row, delete, toggled in GESTURES:
            if args.wine and what == MIDDLE_IN_FIELD:
                continue
            first = name_of_row(editor, cards, 0)
            wanted = name_of_row(editor, cards, row) if delete and row else first
            card = before[first]
            colours = card["colours"]
            editor.press_first_card()
            gesture(cards)
            shown = cards.highlighted_row()
            if shown != row:
                raise DriveError("after the %s row %r is highlighted, expected row %r" % (what, shown, row))
            if toggled is not None:
                colours ^= sum(1 << r for r in toggled)
                shown, bands = cards.highlighted_colours()
                if shown != {r for r in range(8) if colours >> r & 1}:
                    raise DriveError("after the %s colours %r are highlighted (bands %r, rows %d high), "
                                     "expected bits %#x" % (what, sorted(shown), bands, cards.height, colours))
                cards.press_colour_button()
                editor.press("update")
            if delete:
                editor.press("delete")
            editor.save()
            saved = {c["name"]: c for c in xdrive.dump(args, run.file_path)}
            removed = sorted(set(before) - set(saved))
            if removed != ([wanted] if delete else []) or len(saved) + len(removed) != len(before):
                raise DriveError("after the %s the save removed %r, expected %r"
                                 % (what, removed, [wanted] if delete else []))
            if not delete:
                wanted_card = dict(card, colours=colours, slot=saved[first]["slot"])
                if saved[first] != wanted_card:
                    raise DriveError("after the %s %r is saved as %r, expected %r"
                                     % (what, first, saved[first], wanted_card))
            before = saved
            rounds += 1
        editor.exit_by_menu()
        return ": %d gestures" % rounds
    finally:
        editor.kill()


if __name__ == "__main__":
    sys.exit(xdrive.main(test, __doc__))
