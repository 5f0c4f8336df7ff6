#!/usr/bin/env python3
"""End-to-end test of the editor, driven through the screen with real pointer
and key events.

On Linux, first a start whose remembered path names a FIFO: while the loader
waits for a writer, the small start-up window must be on the screen with its
wait text painted. Then a first start with no remembered path -> the open dialog -> open a copy of the
example file -> select a card, change its cost and text, Update -> select
another card, Add, Delete it -> Save -> the confirmation box -> File > Exit.
Then the file must hold exactly the expected cards (read back with
`cardinfo dump`), byte for byte what the file format gives for them (built
here independently of the program), and be stable under `cardinfo rewrite`;
the path must be remembered, and a second start must open without a dialog and
show the saved cards.

    editor_e2e.py --program PATH --cardinfo PATH --example FILE --work DIR [--wine RUNNER --prefix DIR]

With --wine the programs are Windows executables run through the runner and
the path is remembered in the registry of the prefix.
"""

import argparse
import json
import os
import shutil
import subprocess
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError, click, key, type_text  # noqa: E402

MAIN_TITLE = r"^Cardloom v5\.0 by Kesp$"
NEW_COST = "4GG"
NEW_TEXT = "Trample\nWhen it enters, draw a card."
NEW_CARD = {"name": "New card", "edition": "Edition", "type": "Type", "cost": "Cost",
            "pt": "P/T", "text": "Text", "comment": "Comment", "colours": 0}


class Editor:
    """One run of the program under test, with the positions of its controls."""

    def __init__(self, args, cwd):
        self.args = args
        self.wine = bool(args.wine)
        env = dict(os.environ)
        if self.wine:
            env["WINEPREFIX"] = args.prefix
            command = [args.wine, args.program]
        else:
            env["XDG_CONFIG_HOME"] = os.path.join(args.work, "config")
            env["QT_QPA_PLATFORM"] = "xcb"
            command = [args.program]
        self.log = open(os.path.join(args.work, "editor.log"), "a")
        self.process = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)
        self.main = xdrive.find_window(MAIN_TITLE, 60)
        self.client = None

    def dialog(self, pattern, timeout=30):
        return xdrive.find_window(pattern, timeout, exclude=[self.main])

    def other_windows(self):
        return [w for w in xdrive.visible_windows() if w.wid != self.main.wid and w.name()]

    def settle(self):
        self.client = xdrive.settled_client_area(self.main, 60)
        return self.client

    def open_with(self, path):
        """Answers the start-up's Open dialog with `path` and waits for the
        loaded window to settle."""
        dialog = self.dialog(r"^Open", 60)
        dialog.focus()
        key("End", "shift+Home")
        type_text(path)
        key("Return")
        xdrive.window_gone(dialog)
        return self.settle()

    # Client coordinates of the controls, from the window's layout rules.
    def at(self, x, y):
        return self.client[0] + x, self.client[1] + y

    def press(self, x, y):
        click(*self.at(x, y))

    def widths(self):
        w, h = self.client[2], self.client[3]
        return w - 250, w - 240, h

    def press_list_item_0(self):
        self.press(110, 10 + 8)

    def press_name(self):
        a, _, _ = self.widths()
        self.press(220 + int(0.7 * a) // 2, 20)

    def press_cost(self):
        a, _, _ = self.widths()
        self.press(int(0.7 * a + 230) + int(0.15 * a) // 2, 20)

    def press_text(self):
        self.press(400, 90)

    def press_update(self):
        _, b, h = self.widths()
        self.press(220 + int(0.5 * b) // 2, h - 15)

    def press_save(self):
        _, b, h = self.widths()
        self.press(int(0.5 * b + 230) + int(0.5 * b) // 2, h - 15)

    def press_add(self):
        self.press(55, self.client[3] - 20)

    def press_delete(self):
        self.press(145, self.client[3] - 20)

    def read_line_field(self, press):
        """The text of a single-line field, through the clipboard."""
        press()
        xdrive.clear_clipboard()
        key("End", "shift+Home", "ctrl+c")
        return xdrive.wait_for("the clipboard", xdrive.clipboard, 5)

    def replace_line_field(self, press, text):
        press()
        key("End", "shift+Home", "BackSpace")
        type_text(text)

    def replace_multi_line_field(self, press, text):
        press()
        key("ctrl+End", "ctrl+shift+Home", "BackSpace")
        type_text(text)

    def exit_by_menu(self):
        self.main.focus()
        xdrive.key_for_popup("alt+f")
        key("x")
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            raise DriveError("the editor did not end after File > Exit")
        self.log.close()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def cardinfo(args, *command):
    """Runs the companion (through the Wine runner for a Windows build)."""
    prefix = [args.wine] if args.wine else []
    env = dict(os.environ, WINEPREFIX=args.prefix) if args.wine else None
    status, out, err = xdrive.run_to_files(prefix + [args.cardinfo] + list(command), env)
    if status != 0:
        raise DriveError("cardinfo %s: %s" % (" ".join(command), err.strip()))
    return out


def dump(args, path):
    return json.loads(cardinfo(args, "dump", path).decode("utf-8"))


def convert_carets(text):
    """The saver turns each pair of circumflexes into a line break."""
    chars = list(text)
    i = 0
    while i < len(chars) - 1:
        if chars[i] == "^" and chars[i + 1] == "^":
            chars[i], chars[i + 1] = "\r", "\n"
        i += 1
    return "".join(chars)


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
        cards.append(card)
    cards.append(dict(NEW_CARD))
    for slot, card in enumerate(cards):
        card["slot"] = slot
        for k, v in card.items():
            if isinstance(v, str):
                card[k] = convert_carets(v)
    return cards


def field_bytes(text):
    """A field as the file holds it: Windows-1252, where a character outside
    that code page stands for the byte of the same value."""
    out = bytearray()
    for ch in text:
        try:
            out += ch.encode("cp1252")
        except UnicodeEncodeError:
            out.append(ord(ch))
    return bytes(out)


def card_file_bytes(cards):
    """The file the saver must write for `cards` (in slot order), built here from
    the format alone: four-byte index position, one text block per card, card
    count, one index entry per card with its block's offset."""
    def string(text):
        data = field_bytes(text)
        return struct.pack("<H", len(data)) + data

    blocks = bytearray()
    entries = bytearray()
    for card in cards:
        offset = 4 + len(blocks)
        for field in ("type", "cost", "pt", "text", "comment"):
            blocks += string(card[field])
        entries += string(card["name"]) + struct.pack("<I", offset) + bytes([card["colours"] & 0xFF])
        entries += string(card["edition"]) + b"\0\0"
    return struct.pack("<I", 4 + len(blocks)) + bytes(blocks) + struct.pack("<I", len(cards)) + bytes(entries)


def check_file_bytes(path, cards):
    saved = open(path, "rb").read()
    wanted = card_file_bytes(cards)
    if saved != wanted:
        at = next((i for i, (a, b) in enumerate(zip(saved, wanted)) if a != b), min(len(saved), len(wanted)))
        raise DriveError("the saved file (%d bytes) differs from the expected %d bytes at offset %d"
                         % (len(saved), len(wanted), at))


def remembered_path(args):
    if args.wine:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        command = [args.wine, "reg", "query", r"HKCU\Software\Kesp\Cardloom", "/v", "cardinfo.dat"]
        return xdrive.run_to_files(command, env)[1].decode(errors="replace")
    path = os.path.join(args.work, "config", "Kesp", "Cardloom.conf")
    return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""


def forget_path(args):
    if args.wine:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        xdrive.run_to_files([args.wine, "reg", "delete", r"HKCU\Software\Kesp\Cardloom", "/f"], env)
    shutil.rmtree(os.path.join(args.work, "config"), ignore_errors=True)


def waiting_start(args, data_dir):
    """The start-up window is mapped and painted before loading begins: with
    the remembered path naming a FIFO, opening it waits for a writer, and
    meanwhile the window must show its white field with the wait text in it.
    Linux only: under Wine the file server itself would wait on the FIFO."""
    fifo = os.path.join(args.work, "waiting.dat")
    os.mkfifo(fifo)
    config = os.path.join(args.work, "config", "Kesp")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Cardloom.conf"), "w", encoding="utf-8") as out:
        out.write("[General]\ncardinfo.dat=%s\n" % fifo)
    editor = Editor(args, data_dir)
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
        forget_path(args)


def first_session(args, data_dir, file_path, dialog_path, original):
    editor = Editor(args, data_dir)
    try:
        editor.open_with(dialog_path)

        # Edit the first card of the list.
        editor.press_list_item_0()
        edited = editor.read_line_field(editor.press_name)
        one_card(original, edited)
        editor.replace_line_field(editor.press_cost, NEW_COST)
        editor.replace_multi_line_field(editor.press_text, NEW_TEXT)
        editor.press_update()

        # Select the third card, add a card before it, then delete it.
        editor.press_list_item_0()
        key("Down", "Down")
        deleted = editor.read_line_field(editor.press_name)
        one_card(original, deleted)
        if deleted == edited:
            raise DriveError("the third list entry is the edited card")
        editor.press_add()
        editor.press_delete()

        editor.press_save()
        box = editor.dialog(r"^Cardloom$", 30)
        box.focus()
        key("Return")
        xdrive.window_gone(box)
        editor.exit_by_menu()
        return edited, deleted
    finally:
        editor.kill()


def second_session(args, data_dir, expected, edited):
    editor = Editor(args, data_dir)
    try:
        editor.settle()
        others = [w.name() for w in editor.other_windows()]
        if others:
            raise DriveError("the second start opened windows besides the main one: %r" % others)
        editor.press_list_item_0()
        name = editor.read_line_field(editor.press_name)
        card = one_card(expected, name)
        cost = editor.read_line_field(editor.press_cost)
        if cost != card["cost"]:
            raise DriveError("after the restart %r shows cost %r, expected %r" % (name, cost, card["cost"]))
        if name == edited and cost != NEW_COST:
            raise DriveError("the edited card lost its new cost")
        editor.exit_by_menu()
    finally:
        editor.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--cardinfo", required=True)
    parser.add_argument("--example", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--wine")
    parser.add_argument("--prefix")
    args = parser.parse_args()
    for name in ("program", "cardinfo", "example", "work", "wine", "prefix"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    missing = xdrive.have_tools()
    if missing:
        print("missing tools: " + " ".join(missing))
        return 1
    if not os.path.exists(args.example):
        print("no example file at " + args.example)
        return 1

    data_dir, file_path, dialog_path = xdrive.fresh_data_file(args.work, args.example, args.wine)
    display = xdrive.VirtualDisplay()
    try:
        forget_path(args)
        if not args.wine:
            waiting_start(args, data_dir)
        original = dump(args, file_path)
        if len(original) < 3:
            raise DriveError("the example file needs at least three cards")
        edited, deleted = first_session(args, data_dir, file_path, dialog_path, original)

        expected = expected_cards(original, edited, deleted)
        saved = dump(args, file_path)
        if saved != expected:
            raise DriveError("the saved file holds other cards than expected:\nsaved    %s\nexpected %s"
                             % (json.dumps(saved), json.dumps(expected)))
        check_file_bytes(file_path, expected)
        again = os.path.join(args.work, "rewritten.dat")
        cardinfo(args, "rewrite", file_path, again)
        if open(again, "rb").read() != open(file_path, "rb").read():
            raise DriveError("the saved file changes when loaded and saved again")
        if dialog_path.lower() not in remembered_path(args).lower():
            raise DriveError("the data file path was not remembered")

        second_session(args, data_dir, expected, edited)
    except DriveError as e:
        xdrive.report_failure(e, args.work)
        return 1
    finally:
        display.close()
    print("passed: edited %r, deleted %r, %d cards saved" % (edited, deleted, len(expected)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
