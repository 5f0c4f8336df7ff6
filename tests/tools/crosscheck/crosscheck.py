"""Feeds generated card files, sound and damaged, to `cardinfo` and compares
what it does with the model in cardfile_model.py:

- `dump`: refused exactly when the model refuses; otherwise the same cards;
- `check`: the same verdict, card count and counts of what a save changes;
- `rewrite`: the model's saved bytes, byte for byte;
- `import` of the JSON and CSV dumps: the same bytes as `rewrite`.

usage: crosscheck.py --cardinfo EXE [--wine RUNNER] [--files N] [--seed S]
                     [--work DIR] [--large]
Exits 1 and names the first few differing files (kept in DIR) on any difference.
"""

import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cardfile_model import (BLOCK_FIELDS, MAX_CARDS, TEXT_FIELDS, WIDTHS, Card, Refused,  # noqa: E402
                            read_cards, save_bytes, text_of)

# Pieces strings are built from: plain text, caret runs, line breaks of every
# kind, bytes at and above 0x80; and in some strings zero bytes.
PIECES = [b"a", b"Z", b" ", b"^", b"^^", b"^^^", b"^^^^", b"\r\n", b"\r", b"\n", b",", b'"',
          b"\x80", b"\x81", b"\x8d", b"\x9d", b"\xe9", b"\xff", b"\x01", b"\x7f", b"{}"]


def random_text(rng, width, overlong=False):
    """Bytes for a field of `width`: empty, full, or in between; with
    `overlong`, from `width` bytes up to 300 more."""
    limit = width - 1
    length = rng.choice([0, limit, rng.randint(0, min(limit, 12)), rng.randint(0, limit)])
    if overlong:
        length = rng.choice([width, width + rng.randint(0, 300)])
    pieces = PIECES + [b"\0"] * (rng.random() < 0.2)
    out = bytearray()
    while len(out) < length:
        out += rng.choice(pieces) if rng.random() < 0.7 else bytes((rng.randint(1, 255),))
    if rng.random() < 0.05 and out:
        out[rng.randrange(len(out))] = 0
    return bytes(out[:length])


def random_card(rng):
    card = Card(colours=rng.randint(0, 255))
    for field in TEXT_FIELDS:
        card.fields[field] = random_text(rng, WIDTHS[field]) if rng.random() < 0.8 else b""
    return card


class Image:
    """A file image built piece by piece, remembering where each piece
    starts and where each string's length prefix lies, so that damage can be
    aimed at those places."""

    def __init__(self):
        self.data = bytearray()
        self.bounds = []
        self.length_prefixes = []

    def put(self, chunk):
        self.bounds.append(len(self.data))
        self.data += chunk

    def put_four(self, value, fourth=0):
        self.put(bytes((value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF, fourth)))

    def put_string(self, text):
        self.length_prefixes.append(len(self.data))
        self.put(bytes((len(text) & 0xFF, len(text) >> 8 & 0xFF)))
        self.put(text)


def build_file(rng, cards, odd):
    """A file holding `cards`; with `odd`, in every legal but unusual form:
    any stored offsets, nonzero fourth and reserved bytes, a gap before the
    index, bytes after it."""
    blocks = Image()
    starts = []
    for card in cards:
        starts.append(4 + len(blocks.data))
        for field in BLOCK_FIELDS:
            blocks.put_string(card.fields[field])
    gap = bytes(rng.randint(0, 255) for _ in range(rng.choice([0, 0, 1, 7, 100]))) if odd else b""
    index_pos = 4 + len(blocks.data) + len(gap)

    def fourth():
        return rng.choice([0, 0, 1, 0x80, 0xFF]) if odd else 0

    image = Image()
    image.put_four(index_pos, fourth())
    for at in blocks.bounds:
        image.bounds.append(at + 4)
    image.length_prefixes = [at + 4 for at in blocks.length_prefixes]
    image.data += blocks.data
    if gap:
        image.put(gap)
    image.put_four(len(cards), fourth())
    shuffled = starts[:]
    rng.shuffle(shuffled)
    offset_style = rng.choice(["true", "shuffled", "random"]) if odd else "true"
    for i, card in enumerate(cards):
        image.put_string(card.fields["name"])
        offset = {"true": starts[i], "shuffled": shuffled[i], "random": rng.randint(0, 0xFFFFFF)}[offset_style]
        image.put_four(offset, fourth())
        image.put(bytes((card.colours,)))
        image.put_string(card.fields["edition"])
        image.put(bytes((rng.randint(0, 255), rng.randint(0, 255))) if odd and rng.random() < 0.3 else b"\0\0")
    if odd and rng.random() < 0.3:
        image.put(bytes(rng.randint(0, 255) for _ in range(rng.choice([1, 3, 4, 50]))))
    image.bounds.append(len(image.data))
    return image


def set_four(data, at, value):
    data[at:at + 3] = bytes((value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF))


def damaged(rng, image):
    """A damaged (or merely altered) copy of a sound image of at least one
    card, and its label."""
    data = bytearray(image.data)
    index_pos = data[0] | data[1] << 8 | data[2] << 16
    kind = rng.choice(["truncate", "truncate", "length", "length", "count", "index"])
    if kind == "truncate":
        cut = rng.choice(image.bounds) + rng.choice([-1, 0, 0, 1])
        cut = max(0, min(cut, len(data) - 1))
        return bytes(data[:cut]), "truncated at %d" % cut
    if kind == "length":
        at = rng.choice(image.length_prefixes)
        old = data[at] | data[at + 1] << 8
        new = (old + rng.choice([-1, 1])) & 0xFFFF
        data[at:at + 2] = bytes((new & 0xFF, new >> 8))
        return bytes(data), "length at %d %d -> %d" % (at, old, new)
    if kind == "count":
        old = data[index_pos] | data[index_pos + 1] << 8 | data[index_pos + 2] << 16
        new = rng.choice([old + 1, old + 2, MAX_CARDS + 1, 0xFFFFFF, max(old - 1, 0)])
        set_four(data, index_pos, new)
        return bytes(data), "count %d -> %d" % (old, new)
    new = rng.choice([0, 1, 2, 3, len(data), len(data) - 3, len(data) + 1, 0xFFFFFF, index_pos + 1])
    set_four(data, 0, new)
    return bytes(data), "index position %d -> %d" % (index_pos, new)


def overlong_file(rng):
    """A sound file except for one string one byte or more past its field."""
    cards = [random_card(rng) for _ in range(rng.randint(1, 4))]
    card = rng.choice(cards)
    field = rng.choice(TEXT_FIELDS)
    card.fields[field] = random_text(rng, WIDTHS[field], overlong=True)
    return build_file(rng, cards, rng.random() < 0.5).data, "%s of %d bytes" % (field, len(card.fields[field]))


def generate(rng, count):
    """`count` files as (label, bytes): fixed edge cases, then random ones."""
    def few(n):
        return [random_card(rng) for _ in range(n)]

    full = Card(colours=0xFF, **{f: b"^" * (WIDTHS[f] - 1) for f in TEXT_FIELDS})
    fixed = [
        ("empty file", b""),
        ("no cards", b"\x04\0\0\0\0\0\0\0"),
        ("no cards, odd", build_file(rng, [], True).data),
        ("index at 3", b"\x03\0\0\0\0\0\0\0"),
        ("8192 cards", build_file(rng, [Card(colours=i & 0xFF) for i in range(MAX_CARDS)], False).data),
        ("8193 cards", build_file(rng, [Card(name=b"x") for _ in range(MAX_CARDS + 1)], False).data),
        ("full-width carets", build_file(rng, [full, full], False).data),
        ("full-width name, zero inside", build_file(rng, [Card(name=b"n" * 100 + b"\0" * 155)], False).data),
        ("name of 300 bytes, zero at 255", build_file(rng, [Card(name=b"n" * 255 + b"\0" * 45)], False).data),
        ("text of 9000 bytes, zero first", build_file(rng, [Card(text=b"\0" * 9000)], False).data),
    ]
    yield from fixed
    made = len(fixed)
    while made < count:
        roll = rng.random()
        n = rng.choice([0, 1, 1, 2, 3, 5, 20])
        if roll < 0.45:
            yield "sound, odd", build_file(rng, few(n), True).data
        elif roll < 0.6:
            yield "sound", build_file(rng, few(n), False).data
        elif roll < 0.65:
            data, label = overlong_file(rng)
            yield label, data
        else:
            data, label = damaged(rng, build_file(rng, few(max(n, 1)), rng.random() < 0.5))
            yield label, data
        made += 1


def large_files(rng):
    """Files of 8 MiB and more: 8192 cards of random text, an index near the
    top of the three-byte range, many bytes after the index."""
    yield "8192 cards, odd", build_file(rng, [random_card(rng) for _ in range(MAX_CARDS)], True).data
    padding = bytes(0xFFFFFF - 4 - 8)
    card = Card(colours=1, name=b"far", text=b"^^x")
    image = build_file(rng, [card], False)
    body = bytearray(image.data)
    block = bytes(body[4:image.data[0] | image.data[1] << 8])
    tail = bytes(body[4 + len(block):])
    # Index at exactly 0xFFFFFF: the block, then a gap up to it.
    gap = bytes(0xFFFFFF - 4 - len(block))
    yield "index at 0xFFFFFF", b"\xff\xff\xff\0" + block + gap + tail
    yield "index at 0xFFFFFF, cut", b"\xff\xff\xff\0" + block + gap + tail[:3]
    yield "16 MiB of trailing bytes", bytes(image.data) + padding
    yield "24 MiB of trailing bytes", bytes(image.data) + padding + bytes(8 << 20)


class Runner:
    def __init__(self, cardinfo, wine, work):
        self.prefix = (["bash", wine, cardinfo] if wine else [cardinfo])
        self.work = work

    def run(self, *args):
        result = subprocess.run(self.prefix + list(args), capture_output=True, timeout=120)
        return result.returncode, result.stdout, result.stderr


NOTE_LINES = {
    "block offsets that differ from the block's place": "moved_offsets",
    "four-byte integers with a nonzero fourth byte": "fourth_bytes",
    "index entries with nonzero reserved bytes": "reserved",
    "strings holding \"^^\" (written as CR LF)": "caret_strings",
    "strings holding a zero byte (cut there)": "zero_strings",
    "bytes between the last text block and the index (dropped)": "unused_block_bytes",
    "bytes after the last index entry (dropped)": "trailing_bytes",
}


def parse_check(text, path):
    """Card count and note counts from the output of `check` on `path`."""
    lines = text.decode("utf-8").splitlines()
    count = int(lines[0][len(path) + 2:].split(" ", 1)[0])
    notes = dict.fromkeys(NOTE_LINES.values(), 0)
    for line in lines[1:]:
        what, number = line.strip().rsplit(": ", 1)
        notes[NOTE_LINES[what]] = int(number)
    return count, notes


def expected_json(cards):
    out = []
    for slot, card in enumerate(cards):
        record = {"slot": slot}
        for field in TEXT_FIELDS:
            record[field] = text_of(card.fields[field])
        record["colours"] = card.colours
        out.append(record)
    return out


def compare(runner, data, in_place):
    """The differences between cardinfo and the model for one file."""
    path = os.path.join(runner.work, "in.dat")
    out = os.path.join(runner.work, "out.dat")
    with open(path, "wb") as f:
        f.write(data)
    try:
        reading = read_cards(data)
    except Refused as e:
        reading, why = None, str(e)
    problems = []
    code, dumped, stderr = runner.run("dump", path)
    if reading is None:
        if code != 1:
            problems.append("dump: exit %d, the model refuses (%s)" % (code, why))
        code, _, _ = runner.run("check", path)
        if code != 1:
            problems.append("check: exit %d, the model refuses (%s)" % (code, why))
        if in_place:
            code, _, _ = runner.run("rewrite", path)
            with open(path, "rb") as f:
                if code != 1 or f.read() != data:
                    problems.append("rewrite in place: exit %d on a file the model refuses" % code)
        return problems
    if code != 0:
        return ["dump: exit %d (%s), the model reads %d cards" % (code, stderr.decode(errors="replace").strip(),
                                                                  len(reading.cards))]
    cards = json.loads(dumped.decode("utf-8"))
    want = expected_json(reading.cards)
    if cards != want:
        first = next((i for i, (a, b) in enumerate(zip(cards, want)) if a != b), min(len(cards), len(want)))
        problems.append("dump: card %d differs: got %s, model %s" % (
            first, cards[first] if first < len(cards) else None, want[first] if first < len(want) else None))
    code, stdout, stderr = runner.run("check", path)
    if code != 0:
        problems.append("check: exit %d (%s)" % (code, stderr.decode(errors="replace").strip()))
    else:
        count, notes = parse_check(stdout, path)
        if count != len(reading.cards) or notes != reading.notes:
            problems.append("check: %d cards %s, model %d cards %s" % (count, notes, len(reading.cards),
                                                                     reading.notes))
    expected = save_bytes(reading.cards)
    if (expected == data) != (not any(reading.notes.values())):
        problems.append("model: notes %s disagree with its own save" % reading.notes)
    if in_place:
        problems += compare_saved(runner, "rewrite in place", ["rewrite", os.path.join(runner.work, "again.dat")],
                                  expected, data)
    else:
        problems += compare_saved(runner, "rewrite", ["rewrite", path, out], expected)
    for kind, dump in (("json", dumped), ("csv", runner.run("dump", "--csv", path)[1])):
        dump_path = os.path.join(runner.work, "dump." + kind)
        with open(dump_path, "wb") as f:
            f.write(dump)
        problems += compare_saved(runner, "import " + kind, ["import", dump_path, out], expected)
    return problems


def compare_saved(runner, what, args, expected, content=None):
    """Runs a command that writes the file named last in `args` (first given
    `content`, else absent) and compares what it wrote with `expected`."""
    out = args[-1]
    if content is None:
        if os.path.exists(out):
            os.remove(out)
    else:
        with open(out, "wb") as f:
            f.write(content)
    code, _, stderr = runner.run(*args)
    if code != 0:
        return ["%s: exit %d (%s)" % (what, code, stderr.decode(errors="replace").strip())]
    with open(out, "rb") as f:
        written = f.read()
    if written == expected:
        return []
    at = next((i for i, (a, b) in enumerate(zip(written, expected)) if a != b), min(len(written), len(expected)))
    return ["%s: %d bytes, model %d; first difference at %d" % (what, len(written), len(expected), at)]


def saver_limit(runner):
    """Cards whose text blocks end exactly at the last index position three
    bytes can hold, and one byte more: the saver writes the first and refuses
    the second (through `import`, since no loadable file holds that much)."""
    full = Card(**{f: b"x" * (WIDTHS[f] - 1) for f in TEXT_FIELDS})
    block = 10 + sum(WIDTHS[f] - 1 for f in BLOCK_FIELDS)
    room = 0xFFFFFF - 4
    last = Card(text=b"x" * (room - room // block * block - 10))
    problems = []
    for extra in (b"", b"x"):
        cards = [full] * (room // block) + [Card(text=last.fields["text"] + extra)]
        try:
            expected = save_bytes(cards)
        except Refused:
            expected = None
        dump_path = os.path.join(runner.work, "limit.json")
        with open(dump_path, "w") as f:
            json.dump(expected_json(cards), f)
        out = os.path.join(runner.work, "limit.dat")
        if expected is None:
            with open(out, "wb") as f:
                f.write(b"kept")
            code, _, _ = runner.run("import", dump_path, out)
            with open(out, "rb") as f:
                if code != 1 or f.read() != b"kept":
                    problems.append("import past the limit: exit %d, the model refuses" % code)
        else:
            problems += compare_saved(runner, "import up to the limit", ["import", dump_path, out], expected)
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cardinfo", required=True)
    parser.add_argument("--wine", help="runner script for a Windows executable")
    parser.add_argument("--files", type=int, default=300)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--work")
    parser.add_argument("--large", action="store_true", help="also files of 16 MiB and more")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="crosscheck-")
    os.makedirs(work, exist_ok=True)
    runner = Runner(os.path.abspath(args.cardinfo), args.wine, work)
    rng = random.Random(args.seed)
    files = list(generate(rng, args.files))
    if args.large:
        files += list(large_files(rng))
    failures = 0
    refused = 0
    for number, (label, data) in enumerate(files):
        try:
            read_cards(data)
        except Refused:
            refused += 1
        problems = compare(runner, data, number % 2 == 1)
        if problems:
            failures += 1
            if failures <= 10:
                kept = os.path.join(work, "differs-%d.dat" % number)
                shutil.copyfile(os.path.join(work, "in.dat"), kept)
                print("%s (%s, %d bytes):" % (kept, label, len(data)))
                for p in problems:
                    print("  " + p)
    if args.large:
        for p in saver_limit(runner):
            failures += 1
            print("  " + p)
    print("%d files compared (%d refused by the model), %d differ" % (len(files), refused, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
