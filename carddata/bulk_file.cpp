#include "carddata/bulk_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "card/file_access.h"
#include "carddata/ascii_text.h"

namespace {

// Bytes asked of the reader at a time; a token longer than what is left
// grows the buffer.
constexpr std::size_t Chunk = std::size_t{1} << 20;
// Containers nested deeper than this in a copied value are refused, so that
// a hostile file cannot exhaust the stack.
constexpr int MaxDepth = 256;
// Room made at once for a card's kept members, which rarely need more.
constexpr std::size_t CardBytes = 1024;
// Strings looked through byte by byte before memchr takes over.
constexpr std::size_t ShortString = 24;

// Keys of a Scryfall card object read here, besides the mapping's: which
// object it is and which set it belongs to.
constexpr std::string_view ObjectKey = "object", SetKey = "set", SetNameKey = "set_name";
constexpr std::string_view CardsKey = "cards", CodeKey = "code", NameKey = "name", RarityKey = "rarity";
constexpr std::string_view CardObject = "\"card\"";
// AtomicCards' faces name no rarity; the mapping needs one.
constexpr std::string_view AnyRarity = ",\"rarity\":\"common\"";

enum class Tok { ObjectStart, ObjectEnd, ArrayStart, ArrayEnd, String, Scalar, End, Bad };

// What a byte is outside a string: part of a number or literal, a separator
// (white space, ':' and ','), or a token of its own (brackets, the quote).
enum ByteClass : unsigned char { ScalarByte, Separator, Structural };
struct ByteClasses {
    ByteClass of[256];
    constexpr ByteClasses() : of() {
        for (const char c : std::string_view(" \t\r\n:,")) of[static_cast<unsigned char>(c)] = Separator;
        for (const char c : std::string_view("{}[]\"")) of[static_cast<unsigned char>(c)] = Structural;
    }
};
constexpr ByteClasses ByteClassTable;

// The input as tokens, each whole in the buffer until the next is asked for.
class JsonTokens {
  public:
    explicit JsonTokens(const BulkReader& reader) : reader_(reader), buffer_(Chunk) {}

    Tok next();
    // After a '{' or '[': past its matching close, scanning bytes rather
    // than handing out tokens. False when the input ends or fails first.
    bool skipContainer();
    // The last token's bytes: a string with its quotes and escapes as written.
    std::string_view text() const { return {buffer_.data() + start_, pos_ - start_}; }
    std::uint64_t offset() const { return base_ + start_; }  // of the last token in the input
    const std::string& readError() const { return error_; }

  private:
    // More input after what the buffer holds, keeping the token begun at start_.
    bool refill();

    const BulkReader& reader_;
    std::vector<char> buffer_;
    std::size_t start_ = 0, pos_ = 0, end_ = 0;
    std::uint64_t base_ = 0;  // input offset of buffer_[0]
    bool ended_ = false;
    std::string error_;  // the reader's
};

bool JsonTokens::refill() {
    if (ended_) return false;
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    base_ += start_;
    pos_ -= start_;
    end_ -= start_;
    start_ = 0;
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    std::size_t got = 0;
    if (!reader_(buffer_.data() + end_, buffer_.size() - end_, got, error_) || got == 0) {
        ended_ = true;
        return false;
    }
    end_ += got;
    return true;
}

Tok JsonTokens::next() {
    for (;;) {
        while (pos_ < end_ && ByteClassTable.of[static_cast<unsigned char>(buffer_[pos_])] == Separator)
            ++pos_;
        start_ = pos_;
        if (pos_ < end_) break;
        if (!refill()) return error_.empty() ? Tok::End : Tok::Bad;
    }
    const char first = buffer_[pos_++];
    switch (first) {
        case '{':
            return Tok::ObjectStart;
        case '}':
            return Tok::ObjectEnd;
        case '[':
            return Tok::ArrayStart;
        case ']':
            return Tok::ArrayEnd;
        default:
            break;
    }
    std::size_t from = 1;  // from start_: where the search goes on
    if (first != '"') {
        for (;;) {
            while (start_ + from < end_ &&
                   ByteClassTable.of[static_cast<unsigned char>(buffer_[start_ + from])] == ScalarByte)
                ++from;
            if (start_ + from < end_ || !refill()) break;
        }
        pos_ = start_ + from;
        return error_.empty() ? Tok::Scalar : Tok::Bad;
    }
    // A string ends at the first quote after an even number of backslashes.
    // Most are short: a look at their first bytes saves the call to memchr.
    const char* const opening = buffer_.data() + start_;
    const std::size_t shortEnd = std::min(end_ - start_, ShortString);
    while (from < shortEnd && opening[from] != '"' && opening[from] != '\\') ++from;
    if (from < shortEnd && opening[from] == '"') {
        pos_ = start_ + from + 1;
        return Tok::String;
    }
    for (;;) {
        const char* base = buffer_.data() + start_;
        const void* quote = std::memchr(base + from, '"', end_ - start_ - from);
        if (!quote) {
            from = end_ - start_;
            if (!refill()) return Tok::Bad;
            continue;
        }
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(quote) - base);
        std::size_t back = at;
        while (back > 1 && base[back - 1] == '\\') --back;
        from = at + 1;
        if ((at - back) % 2 == 0) {
            pos_ = start_ + from;
            return Tok::String;
        }
    }
}

bool JsonTokens::skipContainer() {
    std::size_t depth = 1;
    for (;;) {
        const char* const base = buffer_.data();
        std::size_t at = pos_;
        bool cut = false;  // a string goes on past what the buffer holds
        while (at < end_ && !cut) {
            const char c = base[at];
            if (ByteClassTable.of[static_cast<unsigned char>(c)] != Structural) {
                ++at;
                continue;
            }
            if (c != '"') {
                ++at;
                if (c == '{' || c == '[') ++depth;
                if ((c == '}' || c == ']') && --depth == 0) {
                    start_ = pos_ = at;
                    return true;
                }
                continue;
            }
            const std::size_t open = at;
            cut = true;
            for (std::size_t from = open + 1;;) {
                const void* quote = std::memchr(base + from, '"', end_ - from);
                if (!quote) break;
                const std::size_t close = static_cast<std::size_t>(static_cast<const char*>(quote) - base);
                std::size_t back = close;
                while (back > open + 1 && base[back - 1] == '\\') --back;
                from = close + 1;
                if ((close - back) % 2 == 0) {
                    at = from;
                    cut = false;
                    break;
                }
            }
        }
        start_ = pos_ = at;  // a cut string is read again whole
        if (!refill()) return false;
    }
}

std::string_view unquoted(std::string_view string) {
    return string.size() >= 2 ? string.substr(1, string.size() - 2) : std::string_view();
}

// One card or face object as copied out: only the keys kept, and the raw
// values of those that say what it is.
struct CardCopy {
    std::string text;
    std::string name, set, object;  // raw JSON values
    bool dropped = false;           // of another set or refused by its name: the rest skipped
    bool rarity = false;
};

// The cards of one batch being gathered, with the raw name of the last
// MTGJSON entry so that a card's faces stay in one group.
struct Gathered {
    BulkBatch batch;
    std::string lastName;
};

class Walker {
  public:
    Walker(JsonTokens& tokens, const BulkWant& want, const BulkSink& sink)
        : tokens_(tokens), want_(want), sink_(sink) {}

    bool run(BulkShape& shape);
    std::string error;

  private:
    bool fail(Tok got);
    bool skipValue(Tok first);
    bool copyValue(Tok first, std::string& out, int depth);
    bool kept(std::string_view key);
    bool keptAt(std::size_t member, std::string_view key);
    bool copyCard(CardCopy& card, bool scryfall);
    bool flush(Gathered& gathered);
    bool cardArray(bool top, BulkShape& shape);
    bool dataObject(BulkShape& shape);
    bool setMember(std::string_view key, Tok value, Gathered& cards, std::string& members, std::string& code);
    bool setObject(std::string firstKey, Tok firstValue, std::string_view code);
    bool atomicCards(Tok firstValue);
    bool faces(Tok first, Gathered& cards);

    JsonTokens& tokens_;
    const BulkWant& want_;
    const BulkSink& sink_;
    bool found_ = false;  // the wanted set was handed on
    struct KeyHash {
        using is_transparent = void;
        // Keys are short and few: their length and first and last bytes tell them apart well enough.
        std::size_t operator()(std::string_view key) const {
            return key.empty() ? 0
                               : key.size() * 65599 + static_cast<unsigned char>(key.front()) * 257 +
                                     static_cast<unsigned char>(key.back());
        }
    };
    std::unordered_map<std::string, bool, KeyHash, std::equal_to<>> keptKeys_;  // setFileReads, remembered
    std::vector<std::pair<std::string, bool>> lastKeys_;  // by the member's place in its card
};

bool Walker::fail(Tok got) {
    if (got == Tok::Bad && !tokens_.readError().empty()) {
        error = tokens_.readError();
    } else {
        error =
            "byte " + std::to_string(tokens_.offset() + 1) +
            (got == Tok::End || got == Tok::Bad ? ": the JSON text ends too early" : ": not valid JSON here");
    }
    return false;
}

bool Walker::skipValue(Tok first) {
    if (first == Tok::String || first == Tok::Scalar) return true;
    if (first != Tok::ObjectStart && first != Tok::ArrayStart) return fail(first);
    return tokens_.skipContainer() || fail(tokens_.readError().empty() ? Tok::End : Tok::Bad);
}

bool Walker::copyValue(Tok first, std::string& out, int depth) {
    if (first == Tok::String || first == Tok::Scalar) {
        out += tokens_.text();
        return true;
    }
    if ((first != Tok::ObjectStart && first != Tok::ArrayStart) || depth > MaxDepth) return fail(first);
    const bool object = first == Tok::ObjectStart;
    out += object ? '{' : '[';
    for (bool firstMember = true;; firstMember = false) {
        Tok tok = tokens_.next();
        if (tok == (object ? Tok::ObjectEnd : Tok::ArrayEnd)) break;
        if (!firstMember) out += ',';
        if (object) {
            if (tok != Tok::String) return fail(tok);
            out += tokens_.text();
            out += ':';
            tok = tokens_.next();
        }
        if (!copyValue(tok, out, depth + 1)) return false;
    }
    out += object ? '}' : ']';
    return true;
}

bool Walker::kept(std::string_view key) {
    const auto known = keptKeys_.find(key);
    if (known != keptKeys_.end()) return known->second;
    // The set's name matters only where one set is picked: the cards of every
    // set, which a refresh takes, would read as a mix of sets.
    const bool keep =
        key == SetNameKey ? !want_.set.empty() : setFileReads(key) || key == ObjectKey || key == SetKey;
    return keptKeys_.emplace(std::string(key), keep).first->second;
}

// The cards of a file have their keys in one order: the key last seen at
// a member's place is most likely the one there now.
bool Walker::keptAt(std::size_t member, std::string_view key) {
    if (member >= lastKeys_.size()) lastKeys_.resize(member + 1);
    std::pair<std::string, bool>& last = lastKeys_[member];
    if (last.first != key) last = {std::string(key), kept(key)};
    return last.second;
}

// After the card's '{': its kept members. A card of another set than the one
// wanted, or whose name `names` refuses, is skipped from there on; in a
// Scryfall array only once it has said it is a card, so that a dump is
// still told apart by its first record.
bool Walker::copyCard(CardCopy& card, bool scryfall) {
    card.text.clear();
    card.text.reserve(CardBytes);
    card.text += '{';
    card.name.clear(), card.set.clear(), card.object.clear();
    card.rarity = false;
    card.dropped = false;
    for (std::size_t member = 0;; ++member) {
        Tok tok = tokens_.next();
        if (tok == Tok::ObjectEnd) break;
        if (tok != Tok::String) return fail(tok);
        const std::string_view key = unquoted(tokens_.text());
        if (!keptAt(member, key)) {
            if (!skipValue(tokens_.next())) return false;
            continue;
        }
        std::string* raw = key == NameKey     ? &card.name
                           : key == SetKey    ? &card.set
                           : key == ObjectKey ? &card.object
                                              : nullptr;
        card.rarity = card.rarity || key == RarityKey;
        if (card.text.size() > 1) card.text += ',';
        card.text += tokens_.text();
        card.text += ':';
        const std::size_t value = card.text.size();
        if (!copyValue(tokens_.next(), card.text, 1)) return false;
        if (raw) raw->assign(card.text, value);
        const bool otherSet =
            raw == &card.set && !want_.set.empty() && !sameIgnoringCase(unquoted(card.set), want_.set);
        const bool refused = raw == &card.name && want_.names && !want_.names(card.name);
        if ((otherSet || refused) && (!scryfall || card.object == CardObject)) {
            card.dropped = true;
            return skipValue(Tok::ObjectStart);  // the rest of the card
        }
    }
    card.text += '}';
    return true;
}

bool Walker::flush(Gathered& gathered) {
    if (gathered.batch.groups.empty()) return true;
    if (!sink_(gathered.batch, error)) return false;
    gathered.batch.groups.clear();
    gathered.batch.names.clear();
    gathered.lastName.clear();
    return true;
}

// After a '[' of card objects: Scryfall's, at the top or in a list's "data".
bool Walker::cardArray(bool top, BulkShape& shape) {
    Gathered cards{{"[", {}, {}, "]"}, {}};
    CardCopy card;
    for (bool first = true;; first = false) {
        const Tok tok = tokens_.next();
        if (tok == Tok::ArrayEnd) break;
        if (tok == Tok::ObjectStart && !copyCard(card, true)) return false;
        if (tok != Tok::ObjectStart || card.object != CardObject) {
            if (first) {  // not Scryfall's: the caller reads it otherwise
                shape = top ? BulkShape::Dump : BulkShape::None;
                return true;
            }
            if (tok != Tok::ObjectStart && !skipValue(tok)) return false;
            continue;  // not a card object: left out
        }
        if (card.dropped || (!want_.set.empty() && !sameIgnoringCase(unquoted(card.set), want_.set)))
            continue;
        cards.batch.groups.push_back(std::move(card.text));
        cards.batch.names.push_back(std::move(card.name));
        if (want_.set.empty() && cards.batch.groups.size() >= BulkBatchCards && !flush(cards)) return false;
    }
    found_ = !cards.batch.groups.empty();
    return flush(cards);
}

// One member of a set object: its strings, numbers and booleans kept in
// `members`, its cards gathered, anything else skipped.
bool Walker::setMember(std::string_view key, Tok value, Gathered& cards, std::string& members,
                       std::string& code) {
    if (value == Tok::String || value == Tok::Scalar) {
        if (key == CodeKey) code = unquoted(tokens_.text());
        members.append("\"").append(key).append("\":").append(tokens_.text()).append(",");
        return true;
    }
    if (key != CardsKey || value != Tok::ArrayStart) return skipValue(value);
    CardCopy card;
    for (;;) {
        const Tok tok = tokens_.next();
        if (tok == Tok::ArrayEnd) return true;
        if (tok != Tok::ObjectStart) return fail(tok);
        if (!copyCard(card, false)) return false;
        if (card.dropped) continue;
        if (!cards.batch.groups.empty() && card.name == cards.lastName) {
            cards.batch.groups.back() += "," + card.text;
            continue;
        }
        if (want_.set.empty() && cards.batch.groups.size() >= BulkBatchCards && !flush(cards)) return false;
        cards.batch.groups.push_back(std::move(card.text));
        cards.batch.names.push_back(card.name);
        cards.lastName = card.name;
    }
}

// The rest of a set object whose first member is read; `code` is its key in
// AllPrintings, empty in a set file (then its "code" member says it).
bool Walker::setObject(std::string firstKey, Tok firstValue, std::string_view code) {
    Gathered cards;
    std::string members, ownCode;
    if (!setMember(firstKey, firstValue, cards, members, ownCode)) return false;
    for (;;) {
        Tok tok = tokens_.next();
        if (tok == Tok::ObjectEnd) break;
        if (tok != Tok::String) return fail(tok);
        const std::string key(unquoted(tokens_.text()));
        if (!setMember(key, tokens_.next(), cards, members, ownCode)) return false;
    }
    if (!want_.set.empty() && !sameIgnoringCase(code.empty() ? ownCode : code, want_.set)) return true;
    cards.batch.head = "{\"data\":{" + (want_.set.empty() ? std::string() : members) + "\"cards\":[";
    cards.batch.tail = "]}}";
    found_ = !want_.set.empty();
    if (found_ && cards.batch.groups.empty()) return sink_(cards.batch, error);  // a set without cards
    return flush(cards);
}

// A name's faces in AtomicCards: one group.
bool Walker::faces(Tok first, Gathered& cards) {
    if (first != Tok::ArrayStart) return skipValue(first);
    std::string group, name;
    CardCopy face;
    for (;;) {
        const Tok tok = tokens_.next();
        if (tok == Tok::ArrayEnd) break;
        if (tok != Tok::ObjectStart) return fail(tok);
        if (!copyCard(face, false)) return false;
        if (face.dropped) continue;
        if (!face.rarity) face.text.insert(face.text.size() - 1, AnyRarity);
        group += (group.empty() ? "" : ",") + face.text;
        if (name.empty()) name = face.name;
    }
    if (!group.empty()) {
        cards.batch.groups.push_back(std::move(group));
        cards.batch.names.push_back(std::move(name));
    }
    return cards.batch.groups.size() < BulkBatchCards || flush(cards);
}

bool Walker::atomicCards(Tok firstValue) {
    if (!want_.set.empty()) {
        error = "an MTGJSON AtomicCards file holds no sets; --set picks one out of AllPrintings";
        return false;
    }
    Gathered cards;
    cards.batch.head = "{\"data\":{\"cards\":[";
    cards.batch.tail = "]}}";
    if (!faces(firstValue, cards)) return false;
    for (;;) {
        const Tok tok = tokens_.next();
        if (tok == Tok::ObjectEnd) break;
        if (tok != Tok::String) return fail(tok);
        if (!faces(tokens_.next(), cards)) return false;
    }
    return flush(cards);
}

// After the '{' of the root's "data" object.
bool Walker::dataObject(BulkShape& shape) {
    Tok tok = tokens_.next();
    if (tok == Tok::ObjectEnd) return true;
    if (tok != Tok::String) return fail(tok);
    std::string key(unquoted(tokens_.text()));
    tok = tokens_.next();
    if (tok != Tok::ObjectStart) {
        const bool atomic = tok == Tok::ArrayStart && key != CardsKey;
        shape = atomic ? BulkShape::AtomicCards : BulkShape::MtgjsonSet;
        return atomic ? atomicCards(tok) : setObject(std::move(key), tok, {});
    }
    shape = BulkShape::AllPrintings;
    for (;;) {
        if (tok != Tok::ObjectStart || !(want_.set.empty() || sameIgnoringCase(key, want_.set))) {
            if (!skipValue(tok)) return false;
        } else {
            // After the set's '{': its first member.
            const Tok first = tokens_.next();
            if (first == Tok::ObjectEnd) {
                found_ = found_ || !want_.set.empty();
            } else {
                if (first != Tok::String) return fail(first);
                std::string firstKey(unquoted(tokens_.text()));
                if (!setObject(std::move(firstKey), tokens_.next(), key)) return false;
            }
            if (!want_.set.empty()) return true;  // one set per code: the rest is not read
        }
        tok = tokens_.next();
        if (tok == Tok::ObjectEnd) return true;
        if (tok != Tok::String) return fail(tok);
        key = unquoted(tokens_.text());
        tok = tokens_.next();
    }
}

bool Walker::run(BulkShape& shape) {
    shape = BulkShape::None;
    Tok tok = tokens_.next();
    if (tok == Tok::ArrayStart) {
        shape = BulkShape::ScryfallArray;
        if (!cardArray(true, shape)) return false;
    } else if (tok == Tok::ObjectStart) {
        for (;;) {
            tok = tokens_.next();
            if (tok == Tok::ObjectEnd) break;
            if (tok != Tok::String) return fail(tok);
            const bool data = unquoted(tokens_.text()) == "data";
            tok = tokens_.next();
            if (data && tok == Tok::ArrayStart) {
                shape = BulkShape::ScryfallList;
                if (!cardArray(false, shape)) return false;
            } else if (data && tok == Tok::ObjectStart) {
                if (!dataObject(shape)) return false;
            } else if (!skipValue(tok)) {
                return false;
            }
            if (found_) break;
        }
    } else if (tok == Tok::Bad || tok == Tok::End) {
        return fail(tok);
    }
    if (want_.set.empty() || found_ || shape == BulkShape::None || shape == BulkShape::Dump) return true;
    error = "holds no set " + std::string(want_.set);
    return false;
}

}  // namespace

std::string BulkBatch::text() const {
    std::string out = head;
    for (std::size_t i = 0; i < groups.size(); ++i) (out += i ? "," : "") += groups[i];
    return out + tail;
}

std::string BulkBatch::groupText(std::size_t group) const {
    return head + groups[group] + tail;
}

bool readBulk(const BulkReader& reader, const BulkWant& want, const BulkSink& sink, BulkShape& shape,
              std::string& error) {
    JsonTokens tokens(reader);
    Walker walker(tokens, want, sink);
    if (walker.run(shape)) return true;
    error = walker.error;
    return false;
}

bool readBulkFile(const std::string& coreName, const BulkWant& want, const BulkSink& sink, BulkShape& shape,
                  std::string& error, const BulkProgress& progress) {
    std::size_t size = 0, done = 0;
    FileProblem problem;
    HANDLE file = openRegularFile(coreName.c_str(), size, &problem);
    if (file == INVALID_HANDLE_VALUE) {
        error = problem.what;
        return false;
    }
    const BulkReader reader = [&](char* into, std::size_t room, std::size_t& got, std::string& why) {
        if (!readUpTo(file, reinterpret_cast<std::uint8_t*>(into), room, done, got, &problem)) {
            why = problem.what;
            return false;
        }
        done += got;
        if (progress) progress(done, size);
        return true;
    };
    const bool ok = readBulk(reader, want, sink, shape, error);
    CloseHandle(file);  // opened for reading only
    return ok;
}
