"""A second, independent reader and writer of the card data file, in plain
Python, used to check the program's own over generated files.

Reader: `read_cards(data)` gives a `Reading` with the cards the file yields
and what a save would change, or raises `Refused` for a file that breaks the
layout or the limits of the card table. Writer: `save_bytes(cards)` gives the
exact bytes a save writes for those cards. Text: `text_of` and `bytes_of`
convert a field between its bytes and the text `cardinfo dump` shows. The
end-to-end tests use the same writer and text conversion.
"""

MAX_CARDS = 8192
MAX_FOUR_BYTE = 0xFFFFFF

# The seven text fields with their widths (terminator included).
WIDTHS = {"name": 256, "edition": 128, "type": 128, "cost": 32, "pt": 32, "text": 1280, "comment": 1280}
BLOCK_FIELDS = ("type", "cost", "pt", "text", "comment")
TEXT_FIELDS = ("name", "edition") + BLOCK_FIELDS


# Windows-1252 as the program converts it: the five undefined bytes stand for
# the C1 controls of the same number.
_CHARACTERS = []
for _b in range(256):
    try:
        _CHARACTERS.append(bytes((_b,)).decode("cp1252"))
    except UnicodeDecodeError:
        _CHARACTERS.append(chr(_b))
_BYTES = {c: b for b, c in enumerate(_CHARACTERS)}


def text_of(data):
    """A field's bytes as text."""
    return "".join(_CHARACTERS[b] for b in data)


def bytes_of(text):
    """A field's text as its bytes."""
    return bytes(_BYTES[c] for c in text)


class Refused(Exception):
    """The file cannot be loaded; the message says where and why."""


class Card:
    def __init__(self, colours=0, **fields):
        self.fields = {f: fields.get(f, b"") for f in TEXT_FIELDS}
        self.colours = colours

    def __eq__(self, other):
        return self.fields == other.fields and self.colours == other.colours

    def __repr__(self):
        return "Card(%r, colours=%d)" % (self.fields, self.colours)


class Reading:
    """A loadable file: its cards and the counts of what a save changes."""

    def __init__(self):
        self.cards = []
        self.notes = {
            "moved_offsets": 0,  # stored block offsets unlike where a save puts the block
            "fourth_bytes": 0,  # four-byte integers with a nonzero fourth byte
            "reserved": 0,  # index entries with nonzero reserved bytes
            "caret_strings": 0,  # strings (as loaded) holding "^^"
            "zero_strings": 0,  # strings holding a zero byte
            "unused_block_bytes": 0,  # between the end of the last block and P
            "trailing_bytes": 0,  # after the last index entry
        }


class _Cursor:
    def __init__(self, data, pos, end):
        self.data, self.pos, self.end = data, pos, end

    def take(self, count, what):
        if self.end - self.pos < count:
            raise Refused("%s at %d needs %d bytes, %d left" % (what, self.pos, count, self.end - self.pos))
        chunk = self.data[self.pos:self.pos + count]
        self.pos += count
        return chunk

    def four(self, reading, what):
        b = self.take(4, what)
        if b[3]:
            reading.notes["fourth_bytes"] += 1
        return b[0] | b[1] << 8 | b[2] << 16

    def string(self, reading, field):
        raw = self.take(2, field + " length")
        length = raw[0] | raw[1] << 8
        if length > WIDTHS[field] - 1:
            raise Refused("%s at %d is %d bytes, the field holds %d" % (field, self.pos - 2, length, WIDTHS[field] - 1))
        stored = self.take(length, field)
        text = stored.split(b"\0", 1)[0]
        if len(text) != len(stored):
            reading.notes["zero_strings"] += 1
        if b"^^" in text:
            reading.notes["caret_strings"] += 1
        return text


def read_cards(data):
    """The cards of a file image, or Refused."""
    reading = Reading()
    header = _Cursor(data, 0, len(data))
    index_pos = header.four(reading, "index position")
    if index_pos < 4 or index_pos > len(data):
        raise Refused("index position %d outside 4..%d" % (index_pos, len(data)))
    index = _Cursor(data, index_pos, len(data))
    count = index.four(reading, "card count")
    if count > MAX_CARDS:
        raise Refused("%d cards, the table holds %d" % (count, MAX_CARDS))
    # Text blocks lie between offset 4 and the index position.
    blocks = _Cursor(data, 4, index_pos)
    saved_starts = []  # where a save puts each block: strings cut at zero
    saved = 4
    cards = [Card() for _ in range(count)]
    for card in cards:
        saved_starts.append(saved)
        for field in BLOCK_FIELDS:
            card.fields[field] = blocks.string(reading, field)
            saved += 2 + len(card.fields[field])
    reading.notes["unused_block_bytes"] = index_pos - blocks.pos
    for card, start in zip(cards, saved_starts):
        card.fields["name"] = index.string(reading, "name")
        if index.four(reading, "block offset") != start:
            reading.notes["moved_offsets"] += 1
        card.colours = index.take(1, "colours")[0]
        card.fields["edition"] = index.string(reading, "edition")
        if index.take(2, "reserved bytes") != b"\0\0":
            reading.notes["reserved"] += 1
    reading.notes["trailing_bytes"] = len(data) - index.pos
    reading.cards = cards
    return reading


def convert_carets(text):
    """Each "^^" pair, scanned left to right without overlap, becomes CR LF."""
    out = bytearray(text)
    i = 0
    while i < len(out) - 1:
        if out[i] == 0x5E and out[i + 1] == 0x5E:
            out[i:i + 2] = b"\r\n"
        i += 1
    return bytes(out)


def _four(value):
    if value > MAX_FOUR_BYTE:
        raise Refused("value %d does not fit three bytes" % value)
    return bytes((value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF, 0))


def _string(text):
    return bytes((len(text) & 0xFF, len(text) >> 8)) + convert_carets(text)


def save_bytes(cards):
    """The bytes a save writes for `cards` in this order; Refused when an
    offset would not fit in three bytes."""
    blocks = bytearray()
    index = bytearray()
    for card in cards:
        offset = 4 + len(blocks)
        for field in BLOCK_FIELDS:
            blocks += _string(card.fields[field])
        index += _string(card.fields["name"]) + _four(offset) + bytes((card.colours & 0xFF,))
        index += _string(card.fields["edition"]) + b"\0\0"
    return _four(4 + len(blocks)) + bytes(blocks) + _four(len(cards)) + bytes(index)
