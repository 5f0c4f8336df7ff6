#!/usr/bin/env python3
"""End-to-end test of the editor, driven through the screen with real pointer
and key events.

On Linux, first a start whose remembered path names a FIFO: while the loader
waits for a writer, the small start-up window must be on the screen with its
wait text painted. Then a first start with no remembered path -> the open dialog -> open a copy of the
example file -> select a card, change its cost and text, paste text copied
from a web page over its comment, Update -> select
another card, Add, Delete it -> Save -> the confirmation box -> File > Exit.
Then the file must hold exactly the expected cards (read back with
`cardinfo dump`), byte for byte what the file format gives for them (written
by the file model of the crosscheck, independently of the program), and be
stable under `cardinfo rewrite`; the pasted characters that Windows-1252
lacks saved as the platform converts them (its best fit, or '?'); the path
must be remembered, and a second start must open without a dialog and show
the saved cards.
"""

import json
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError, key  # noqa: E402

NEW_COST = "4GG"
NEW_TEXT = "Trample\nWhen it enters, draw a card."
# A name and a planeswalker's loyalty as a web page gives them, and what the
# platform's conversion to Windows-1252 saves of them.
WEB_TEXT = "J\u00f6tun \u00c6rgarde \u20ac\u2014\u03a9 \u22123 L\u014drien \u0141\u00f3d\u017a"
WEB_TEXT_SAVED = "J\u00f6tun \u00c6rgarde \u20ac\u2014O -3 Lorien L\u00f3dz"
NEW_CARD = {"name": "New card", "edition": "Edition", "type": "Type", "cost": "Cost",
            "pt": "P/T", "text": "Text", "comment": "Comment", "colours": 0}


def one_card(cards, name):
    found = [c for c in cards if c["name"] == name]
    if len(found) != 1:
        raise DriveError("the example file must hold exactly one card named %r, it holds %d"
                         % (name, len(found)))
    return found[0]


def expected_cards(original, edited, deleted):
    cards = []
    for card in original:
        if card["name"] == deleted:
            continue
        card = dict(card)
        if card["name"] == edited:
            card["cost"] = NEW_COST
            card["text"] = NEW_TEXT.replace("\n", "\r\n")
            card["comment"] = WEB_TEXT_SAVED
        cards.append(card)
    cards.append(dict(NEW_CARD))
    for slot, card in enumerate(cards):
        card["slot"] = slot
        for k, v in card.items():
            if isinstance(v, str):
                card[k] = xdrive.convert_carets(v)
    return cards


def waiting_start(run):
    """The start-up window is mapped and painted before loading begins: with
    the remembered path naming a FIFO, opening it waits for a writer, and
    meanwhile the window must show its white field with the wait text in it.
    Linux only: under Wine the file server itself would wait on the FIFO."""
    fifo = os.path.join(run.args.work, "waiting.dat")
    os.mkfifo(fifo)
    xdrive.remember_path(run.args, fifo)
    editor = run.editor()
    try:
        def painted():
            g = editor.main.geometry()
            if not g:
                return False
            x0, y0, w, h = g
            screen = xdrive.Screen()
            pixels = [screen.pixel(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w)]
            white = sum(1 for p in pixels if p == (255, 255, 255))
            dark = sum(1 for p in pixels if p and sum(p) < 200)
            return white > w * h // 10 and dark > 50
        xdrive.wait_for("the wait text on the start-up window while the file is opened", painted, 10)
    finally:
        editor.kill()
        os.remove(fifo)
        xdrive.forget_path(run.args)


def first_session(run, original):
    editor = run.editor()
    try:
        editor.open_with(run.dialog_path)

        # Edit the first card of the list.
        editor.press_first_card()
        edited = editor.read_line_field("name")
        one_card(original, edited)
        editor.replace_line_field("cost", NEW_COST)
        editor.replace_multi_line_field("text", NEW_TEXT)
        editor.paste_over_multi_line_field("comment", WEB_TEXT)
        editor.press("update")

        # Select the third card, add a card before it, then delete it.
        editor.press_first_card()
        key("Down", "Down")
        deleted = editor.read_line_field("name")
        one_card(original, deleted)
        if deleted == edited:
            raise DriveError("the third list entry is the edited card")
        editor.press("add")
        editor.press("delete")

        editor.save()
        editor.exit_by_menu()
        return edited, deleted
    finally:
        editor.kill()


def second_session(run, expected, edited):
    editor = run.editor()
    try:
        editor.settle()
        others = [w.name() for w in editor.other_windows()]
        if others:
            raise DriveError("the second start opened windows besides the main one: %r" % others)
        editor.press_first_card()
        name = editor.read_line_field("name")
        card = one_card(expected, name)
        cost = editor.read_line_field("cost")
        if cost != card["cost"]:
            raise DriveError("after the restart %r shows cost %r, expected %r" % (name, cost, card["cost"]))
        if name == edited and cost != NEW_COST:
            raise DriveError("the edited card lost its new cost")
        editor.exit_by_menu()
    finally:
        editor.kill()


def test(run):
    args = run.args
    if not args.wine:
        waiting_start(run)
    original = xdrive.dump(args, run.file_path)
    if len(original) < 3:
        raise DriveError("the example file needs at least three cards")
    edited, deleted = first_session(run, original)

    expected = expected_cards(original, edited, deleted)
    saved = xdrive.dump(args, run.file_path)
    if saved != expected:
        raise DriveError("the saved file holds other cards than expected:\nsaved    %s\nexpected %s"
                         % (json.dumps(saved), json.dumps(expected)))
    xdrive.check_file_bytes(run.file_path, expected)
    again = os.path.join(args.work, "rewritten.dat")
    xdrive.cardinfo(args, "rewrite", run.file_path, again)
    if open(again, "rb").read() != open(run.file_path, "rb").read():
        raise DriveError("the saved file changes when loaded and saved again")
    if run.dialog_path.lower() not in xdrive.remembered_path(args).lower():
        raise DriveError("the data file path was not remembered")

    second_session(run, expected, edited)
    return ": edited %r, deleted %r, %d cards saved" % (edited, deleted, len(expected))


if __name__ == "__main__":
    sys.exit(xdrive.main(test, __doc__))
