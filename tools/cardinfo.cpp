// cardinfo: reads, compares, merges and normalises card data files from the
// command line. Its commands, their options and operands, and the usage and
// help made from them are the tables CommandSpecs and OptionRules below.
// Exit status: 0 success, 1 failure (one line on stderr), 2 usage error;
// diff: 0 the same cards, 1 different, 2 usage error, 3 trouble.
// File names go to the card core in the ANSI code page, converted once as
// the command line is read, and appear in messages as they were given.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "card/card_file.h"
#include "card/card_table.h"
#include "card/file_access.h"
#include "carddata/bulk_file.h"
#include "carddata/card_diff.h"
#include "carddata/card_dump.h"
#include "carddata/card_import.h"
#include "carddata/card_input.h"
#include "carddata/card_merge.h"
#include "carddata/card_refresh.h"
#include "carddata/check_report.h"
#include "carddata/set_list.h"
#include "cardloom_version.h"
#include "platform/code_page.h"
#include "platform/user_locale.h"

namespace {

constexpr int UsageStatus = 2;
constexpr int DiffTrouble = 3;  // diff's status when a file cannot be read

int usage();

int fail(const std::string& message, int status = 1) {
    std::fprintf(stderr, "cardinfo: %s\n", message.c_str());
    return status;
}

// A usage error with a line saying what was wrong.
int misuse(const std::string& message) {
    fail(message);
    return usage();
}

// Writes all of `text` to stdout; a short write or failed flush is a failure.
int emit(const std::string& text, int failure = 1) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return fail("cannot write the output", failure);
    return 0;
}

// The name of a file given on the command line as the card core takes it.
// Linux passes arguments in UTF-8; Windows already passes them in its 8-bit
// code page. False when the name holds a character the code page lacks.
bool coreName(const char* path, std::string& name) {
#ifdef _WIN32
    name = path;
    return true;
#else
    return utf8ToAnsi(path, name);
#endif
}

int nameOutsideCodePage(const char* path, int status = 1) {
    return fail(
        std::string(path) + ": the name has a character outside Windows-" + std::to_string(ansiCodePage()),
        status);
}

// An output that is the input under another name would overwrite the input.
int sameFileAsInput(const char* in, const char* out) {
    return fail(std::string(out) + ": is the same file as " + in + ", which the output would overwrite");
}

// One command line: its options and operands, the names and texts among
// them also as the card core takes them (converted once, as they come in).
struct Invocation {
    std::vector<const char*> operands;
    std::vector<std::string> coreNames;  // of each operand
    bool csv = false;
    bool json = false;
    bool dryRun = false;
    const char* code = nullptr;                      // --code XX
    const char* output = nullptr;                    // --output OUT
    const char* expan = nullptr;                     // --expan PATH
    const char* setName = nullptr;                   // --set-name NAME
    const char* set = nullptr;                       // --set SET
    bool existingOnly = false;                       // --existing-only
    const char* codePage = nullptr;                  // --code-page N
    std::string outputName, expanName, setNameText;  // as the core takes them
};

enum OptionBit : unsigned {
    Csv = 1,
    JsonOut = 2,
    DryRun = 4,
    Output = 8,
    Code = 16,
    Set = 32,
    Expan = 64,
    SetName = 128,
    Existing = 256,
    CodePage = 512
};

// The options of all commands in the order usage shows them: a flag, or one
// taking the next argument (`argument` names it; `converted`, when given,
// receives it as the card core takes it), and what --help says of it (lines
// after the first on lines of their own).
struct OptionRule {
    const char* name;
    OptionBit bit;
    bool Invocation::*flag;
    const char* Invocation::*value;
    const char* argument;
    std::string Invocation::*converted;
    const char* help;
};
const OptionRule OptionRules[] = {
    {"--csv", Csv, &Invocation::csv, nullptr, nullptr, nullptr, "dump: CSV instead of JSON"},
    {"--json", JsonOut, &Invocation::json, nullptr, nullptr, nullptr, "diff: as one JSON document"},
    {"--dry-run", DryRun, &Invocation::dryRun, nullptr, nullptr, nullptr,
     "merge: print the changes as diff does and write nothing"},
    {"--output", Output, nullptr, &Invocation::output, "OUT", &Invocation::outputName,
     "merge: write the result to OUT instead of DB"},
    {"--code", Code, nullptr, &Invocation::code, "XX", nullptr,
     "the 2-letter set code of a set file's editions (an MTGJSON set file\n"
     "or a Scryfall card list), as the Apprentice set list names the set;\n"
     "editions become XX-C, XX-U, XX-R, XX-M (mythic), XX-S (special)"},
    {"--set", Set, nullptr, &Invocation::set, "SET", nullptr,
     "take the set SET (its MTGJSON or Scryfall code, any case) out of a bulk\n"
     "file: MTGJSON's AllPrintings or a Scryfall bulk array (default-cards)"},
    {"--expan", Expan, nullptr, &Invocation::expan, "PATH", &Invocation::expanName,
     "the Apprentice set list (Expan.dat) that a set file's merge or import\n"
     "adds the set to; by default the Expan.dat one folder up from\n"
     "DB when DB is sets/cardinfo.dat (none with --output)"},
    {"--set-name", SetName, nullptr, &Invocation::setName, "NAME", &Invocation::setNameText,
     "the set's name in the set list, instead of the set file's"},
    {"--existing-only", Existing, &Invocation::existingOnly, nullptr, nullptr, nullptr,
     "merge: the cards DB has take IN's type, cost, P/T, text and colours;\n"
     "names, comments and editions stay, no card is added; IN may be any of\n"
     "the files below or a bulk file (AtomicCards, oracle-cards, ...)"},
    {"--code-page", CodePage, nullptr, &Invocation::codePage, "N", nullptr,
     "read and write text and file names in the ANSI code page N (874,\n"
     "1250-1258) instead of the one the locale chooses (LC_CTYPE)"},
};

// The names of the options of `bits` as a list: "--code, --set and --expan".
std::string optionList(unsigned bits) {
    std::vector<const char*> names;
    for (const OptionRule& option : OptionRules) {
        if (bits & option.bit) names.push_back(option.name);
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list.append(i == 0 ? "" : i + 1 == names.size() ? " and " : ", ").append(names[i]);
    return list;
}

// The set code of --code: exactly SetCodeLength ASCII letters or digits, as
// the set list keys a set. False after saying why.
constexpr std::size_t SetCodeLength = 2;
bool setCodeOf(const Invocation& call, std::string& code) {
    if (!call.code) return true;
    code = call.code;
    const bool fits = code.size() == SetCodeLength && std::all_of(code.begin(), code.end(), [](char c) {
                          return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
                      });
    if (!fits)
        fail(std::string("--code ") + call.code +
             ": a set code is 2 ASCII letters or digits, as in Expan.dat");
    return fits;
}

// Progress of reading a bulk file, shown on a terminal only and for files
// over ProgressFrom bytes: the megabytes read, on one line rewritten.
constexpr std::uint64_t ProgressFrom = std::uint64_t{50} << 20;

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// The megabytes read, on one line rewritten; the line ends when the reading
// does, however far it went (a set picked out of AllPrintings stops early).
class ProgressLine {
  public:
    BulkProgress callback() {
        if (!stderrIsTerminal()) return {};
        return [this](std::uint64_t done, std::uint64_t total) {
            if (total < ProgressFrom || (open_ && (done >> 20) == shown_)) return;
            shown_ = done >> 20;
            open_ = true;
            std::fprintf(stderr, "\rcardinfo: %llu of %llu MB read", static_cast<unsigned long long>(shown_),
                         static_cast<unsigned long long>(total >> 20));
        };
    }
    ~ProgressLine() {
        if (open_) std::fputc('\n', stderr);
    }

  private:
    bool open_ = false;
    std::uint64_t shown_ = 0;
};

// Reads the files `paths` names (`names` as the core takes them), printing on stderr what their set files'
// mapping reports. `set` picks one set out of a bulk file. The status to exit
// with when one cannot be read is `failure`; a set file without --code is a
// usage error.
int readArguments(const std::vector<const char*>& paths, const std::vector<std::string>& names,
                  std::string_view code, std::string_view set, Inputs& inputs, int failure) {
    std::string error;
    InputResult result = InputResult::Read;
    {
        ProgressLine progress;
        result = readInputs(paths, names, code, set, inputs, error, progress.callback());
    }
    if (result == InputResult::NeedsCode) return misuse(error);
    if (result == InputResult::Failed) return fail(error, failure);
    for (const std::string& line : inputs.report.set.notes)
        std::fprintf(stderr, "cardinfo: %s: %s\n", inputs.setPath.c_str(), line.c_str());
    if (inputs.report.set.morePages)
        std::fprintf(stderr,
                     "cardinfo: %s: the last page says more cards follow (has_more), and no later page was "
                     "given: the set may be incomplete; give all its pages in one command\n",
                     inputs.setPath.c_str());
    return 0;
}

// The set --set picks out of a bulk file, or none.
std::string_view setOf(const Invocation& call) {
    return call.set ? call.set : "";
}

// --code for files none of which was a set file.
int codeUnused(const Invocation& call) {
    return misuse(std::string("--code ") + call.code + ": no input is a set file");
}

// What a set file's merge or import does to the set list: the file (as
// given and as the core takes it), its bytes before and after.
struct SetListUpdate {
    std::string path, coreName;
    std::vector<std::uint8_t> before, after;
    SetListChange change = SetListChange::AlreadyListed;
    std::string line;  // the line added, as messages show it
};
constexpr std::size_t MaxSetListSize = std::size_t{1} << 20;

// Finds and reads the set list that the card file `cards` goes with (named
// by --expan, else beside it unless `output` moved the result elsewhere) and
// adds the set's line. Returns a failure status when the set list cannot be
// read or lists the code under another name; an empty path when there is
// none, or when the set gave no card to add (after saying so).
int planSetList(const Invocation& call, const char* cards, bool output, const Inputs& inputs,
                const std::string& code, SetListUpdate& update) {
    if (liveSlots(*inputs.tables[inputs.setTable]) == 0) {
        std::fprintf(stderr, "cardinfo: %s: no card to add, so the set list is left alone\n",
                     inputs.setPath.c_str());
        return 0;
    }
    update.path = call.expan ? call.expan : output ? "" : setListBeside(cards);
    if (update.path.empty()) {
        std::fprintf(stderr,
                     "cardinfo: no set list (Expan.dat) found beside %s; none was updated (--expan PATH "
                     "names one)\n",
                     cards);
        return 0;
    }
    const std::string name = call.setName ? call.setNameText : utf8ToAnsiBestFit(inputs.report.set.setName);
    if (name.empty())
        return fail(inputs.setPath + ": the set file names no set: give its name with --set-name");
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return fail("the set's name holds a line break or control character, which the set list cannot");
    if (call.expan)
        update.coreName = call.expanName;
    else if (!coreName(update.path.c_str(), update.coreName))
        return nameOutsideCodePage(update.path.c_str());
    FileProblem problem;
    if (!readRegularFile(update.coreName.c_str(), MaxSetListSize, update.before, &problem))
        return fail(update.path + ": " + problem.what + "; nothing was written");
    update.after = update.before;
    std::string error;
    if (!addSetLine(update.after, code, name, update.change, error))
        return fail(update.path + ": " + error + "; nothing was written");
    update.line = setLineShown(code, name);
    return 0;
}

// What a dry run would write to the set list.
std::string setListPlan(const SetListUpdate& update) {
    if (update.path.empty()) return "";
    return update.path +
           (update.change == SetListChange::Added ? ": would gain the line " + update.line
                                                  : ": lists the set already") +
           "\n";
}

// Writes the set list, then the cards through `saveCards`; when the cards
// cannot be saved, the set list's old bytes go back. Either both files are
// new or both old, and a card file never names a code its set list lacks.
int saveBoth(const SetListUpdate& update, const char* cards,
             const std::function<int(FileProblem*)>& saveCards) {
    const bool listChanges = !update.path.empty() && update.change == SetListChange::Added;
    FileProblem problem;
    if (listChanges && !saveBytesFile(update.coreName.c_str(), update.after, &problem))
        return fail(describeProblem(update.path.c_str(), problem) + "; nothing was written");
    if (saveCards(&problem)) return 0;
    std::string message = describeProblem(cards, problem);
    FileProblem restore;
    if (listChanges)
        message += saveBytesFile(update.coreName.c_str(), update.before, &restore)
                       ? "; " + update.path + " was put back as it was"
                       : "; " + describeProblem(update.path.c_str(), restore) +
                             " while putting it back: it lists " + update.line + " already";
    return fail(message);
}

int dumpCommand(const Invocation& call) {
    const char* path = call.operands[0];
    FileProblem problem;
    if (!loadCardFile(call.coreNames[0].c_str(), cardTable, &problem))
        return fail(describeProblem(path, problem));
    return emit(call.csv ? cardsAsCsv(cardTable) : cardsAsJson(cardTable));
}

int checkCommand(const Invocation& call) {
    // The verdict and the notes both come from the editor's own load.
    const char* path = call.operands[0];
    FileProblem problem;
    FileNotes notes;
    if (!loadCardFile(call.coreNames[0].c_str(), cardTable, &problem, &notes))
        return fail(describeProblem(path, problem));
    return emit(describeNotes(path, cardTable.slotCount, notes));
}

// Rewrites IN in place without OUT, else into OUT.
int rewriteCommand(const Invocation& call) {
    const char* in = call.operands[0];
    const char* out = call.operands.size() > 1 ? call.operands[1] : nullptr;
    const std::string& inName = call.coreNames[0];
    const std::string outName = out ? call.coreNames[1] : "";
    if (out && sameFile(inName.c_str(), outName.c_str())) return sameFileAsInput(in, out);
    FileProblem problem;
    if (!loadCardFile(inName.c_str(), cardTable, &problem)) return fail(describeProblem(in, problem));
    const char* target = out ? outName.c_str() : inName.c_str();
    if (!saveCardFile(target, cardTable, &problem)) return fail(describeProblem(out ? out : in, problem));
    return 0;
}

int importCommand(const Invocation& call) {
    const char* in = call.operands[0];
    const char* out = call.operands[1];
    ImportFormat format = ImportFormat::Json;
    if (!importFormatOf(in, format))
        return misuse(std::string(in) + ": the name must end in .json or .csv to tell its format");
    std::string code;
    if (!setCodeOf(call, code)) return usage();
    const std::string &inName = call.coreNames[0], &outName = call.coreNames[1];
    if (sameFile(inName.c_str(), outName.c_str())) return sameFileAsInput(in, out);
    Inputs inputs;
    if (const int status = readArguments({in}, {inName}, code, setOf(call), inputs, 1)) return status;
    if (call.code && inputs.report.source == SetSource::None) return codeUnused(call);
    SetListUpdate update;
    if (inputs.report.source != SetSource::None) {
        if (const int status = planSetList(call, out, false, inputs, code, update)) return status;
    }
    CardTable& cards = *inputs.tables[0];
    return saveBoth(update, out,
                    [&](FileProblem* problem) { return saveCardFile(outName.c_str(), cards, problem); });
}

int diffCommand(const Invocation& call) {
    std::string code;
    if (!setCodeOf(call, code)) return usage();
    Inputs inputs[2];
    for (int i = 0; i < 2; ++i) {
        if (const int status = readArguments({call.operands[i]}, {call.coreNames[i]}, code, setOf(call),
                                             inputs[i], DiffTrouble))
            return status;
    }
    const bool setFile =
        inputs[0].report.source != SetSource::None || inputs[1].report.source != SetSource::None;
    if (call.code && !setFile) return codeUnused(call);
    const CardTable &a = *inputs[0].tables[0], &b = *inputs[1].tables[0];
    const std::vector<CardChange> changes = diffCards(a, b);
    const std::string text = call.json ? diffAsJson(changes, a, b) : diffAsText(changes, a, b);
    if (const int status = emit(text, DiffTrouble)) return status;
    return changes.empty() ? 0 : 1;
}

// The options of merge, and those of merge --existing-only beside it.
constexpr unsigned MergeOptions = DryRun | Output | Code | Set | Expan | SetName | Existing;
constexpr unsigned RefreshOptions = DryRun | Output;

// merge --existing-only: the cards of `db` (loaded) take IN's texts; no card
// is added and no edition changes.
int refreshCommand(const Invocation& call, CardTable& db) {
    const char* in = call.operands[1];
    const char* out = call.output ? call.output : call.operands[0];
    if (call.code || call.set || call.expan || call.setName)
        return misuse("--existing-only keeps DB's editions and set list: it takes none of " +
                      optionList(MergeOptions & ~(RefreshOptions | Existing)));
    if (call.operands.size() != 2) return misuse("--existing-only takes one IN");
    const std::string& inName = call.coreNames[1];
    const std::string& outName = call.output ? call.outputName : call.coreNames[0];
    TablePtr before;
    if (call.dryRun) copyTable(db, *(before = emptyTable()));
    RefreshCounts counts;
    std::vector<std::string> warnings;
    std::string error;
    bool refreshed = false;
    {
        ProgressLine progress;
        refreshed = refreshCards(db, in, inName, counts, warnings, error, progress.callback());
    }
    if (!refreshed) return fail(error);
    for (const std::string& line : warnings) std::fprintf(stderr, "cardinfo: %s\n", line.c_str());
    if (stderrIsTerminal()) std::fprintf(stderr, "cardinfo: %s: %d names matched\n", in, counts.matched);
    if (counts.missing)
        std::fprintf(stderr, "cardinfo: %s: %d cards of %s are not in it and stay as they are\n", in,
                     counts.missing, call.operands[0]);
    if (call.dryRun) return emit(diffAsText(diffCards(*before, db), *before, db));
    FileProblem problem;
    if (!saveCardFile(outName.c_str(), db, &problem)) return fail(describeProblem(out, problem));
    return emit(std::string(out) + ": 0 cards added, " + std::to_string(counts.changed) + " changed\n");
}

int mergeCommand(const Invocation& call) {
    const char* db = call.operands[0];
    const std::vector<const char*> ins(call.operands.begin() + 1, call.operands.end());
    const char* out = call.output ? call.output : db;
    std::string code;
    if (!setCodeOf(call, code)) return usage();
    const std::string& dbName = call.coreNames[0];
    const std::string& outName = call.output ? call.outputName : dbName;
    const std::vector<std::string> inNames(call.coreNames.begin() + 1, call.coreNames.end());
    for (std::size_t i = 0; i < ins.size(); ++i) {
        if (call.output && sameFile(inNames[i].c_str(), outName.c_str())) return sameFileAsInput(ins[i], out);
    }
    if (call.output && sameFile(dbName.c_str(), outName.c_str())) return sameFileAsInput(db, out);
    const TablePtr base = emptyTable();
    FileProblem problem;
    if (!loadCardFile(dbName.c_str(), *base, &problem)) return fail(describeProblem(db, problem));
    if (call.existingOnly) return refreshCommand(call, *base);
    Inputs inputs;
    if (const int status = readArguments(ins, inNames, code, setOf(call), inputs, 1)) return status;
    if (call.code && inputs.report.source == SetSource::None) return codeUnused(call);
    // A dry run shows the merge against the database as it was.
    TablePtr before;
    if (call.dryRun) copyTable(*base, *(before = emptyTable()));
    MergeCounts counts;
    for (std::size_t i = 0; i < inputs.tables.size(); ++i) {
        std::string error;
        const std::size_t noted = counts.notes.size();
        if (!mergeCards(*base, *inputs.tables[i], counts, error))
            return fail(inputs.names[i] + ": " + error + "; nothing was written");
        for (std::size_t n = noted; n < counts.notes.size(); ++n)
            std::fprintf(stderr, "cardinfo: %s: %s\n", inputs.names[i].c_str(), counts.notes[n].c_str());
    }
    SetListUpdate update;
    if (inputs.report.source != SetSource::None) {
        if (const int status = planSetList(call, db, call.output != nullptr, inputs, code, update))
            return status;
    }
    if (call.dryRun) return emit(diffAsText(diffCards(*before, *base), *before, *base) + setListPlan(update));
    if (const int status = saveBoth(
            update, out, [&](FileProblem* failure) { return saveCardFile(outName.c_str(), *base, failure); }))
        return status;
    return emit(std::string(out) + ": " + std::to_string(counts.added) + " cards added, " +
                std::to_string(counts.changed) + " changed" +
                (update.change == SetListChange::Added ? "; " + update.path + " gained " + update.line : "") +
                "\n");
}

constexpr std::size_t MaxInputs = 4096;  // merge's DB and inputs: more than any search has pages

// The commands: the options each takes (--code-page all), its operands as
// many and as usage names them, what --help says of it, the status it exits
// with when a file cannot be named, and, for merge, a mode of its own (an
// option with the options and operands it takes) that usage shows apart.
struct CommandSpec {
    const char* name;
    unsigned options;
    std::size_t minOperands, maxOperands;
    const char* operands;
    const char* help;
    int trouble;
    int (*run)(const Invocation&);
    unsigned mode = 0, modeOptions = 0;
    const char* modeOperands = nullptr;
};
const CommandSpec CommandSpecs[] = {
    {"dump", Csv, 1, 1, "FILE", "print the cards as JSON (or CSV) on standard output", 1, dumpCommand},
    {"check", 0, 1, 1, "FILE", "exit 0 when the editor can load FILE", 1, checkCommand},
    {"rewrite", 0, 1, 2, "IN [OUT]", "load IN and save it, normalised, to OUT or back to IN", 1,
     rewriteCommand},
    {"import", Code | Set | Expan | SetName, 2, 2, "IN OUT",
     "save the cards of a dump or set file (IN.json or IN.csv) as the card file OUT", 1, importCommand},
    {"diff", JsonOut | Code | Set, 2, 2, "A B",
     "print the cards added, removed and changed from A to B, field by field;\n"
     "cards are paired by name",
     DiffTrouble, diffCommand},
    {"merge", MergeOptions, 2, MaxInputs, "DB IN...",
     "merge the cards of each IN into the card file DB: a card DB has takes\n"
     "IN's type, cost, P/T, text and colours, keeps its name and comment and\n"
     "gains IN's editions; a new card is added at the end; set files given\n"
     "together (the pages of a search) are read as one set",
     1, mergeCommand, Existing, RefreshOptions, "DB IN"},
};

// Appends `text` to the current line of `out`, which starts at `lineStart`,
// or to a new line indented by `indent` when the line would grow too long.
void appendWrapped(std::string& out, std::size_t& lineStart, const std::string& text, std::size_t indent) {
    constexpr std::size_t Width = 104;
    if (out.size() - lineStart + 1 + text.size() > Width) {
        out += "\n";
        lineStart = out.size();
        out.append(indent, ' ');
    } else {
        out += " ";
    }
    out += text;
}

// One usage line: "cardinfo NAME [OPTION ARG]... OPERANDS", `leading` first.
void appendUsageLine(std::string& out, const char* name, const char* leading, unsigned options,
                     const char* operands) {
    out += out.empty() ? "usage: cardinfo " : "       cardinfo ";
    std::size_t lineStart = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
    out += name;
    if (leading) appendWrapped(out, lineStart, leading, 22);
    for (const OptionRule& option : OptionRules) {
        if (options & option.bit)
            appendWrapped(out, lineStart,
                          std::string("[") + option.name + (option.argument ? " " : "") +
                              (option.argument ? option.argument : "") + "]",
                          22);
    }
    appendWrapped(out, lineStart, operands, 22);
    out += "\n";
}

std::string usageText() {
    std::string out;
    for (const CommandSpec& command : CommandSpecs) {
        appendUsageLine(out, command.name, nullptr, command.options & ~command.mode, command.operands);
        for (const OptionRule& option : OptionRules) {
            if (option.bit == command.mode)
                appendUsageLine(out, command.name, option.name, command.modeOptions, command.modeOperands);
        }
    }
    return out + "       cardinfo --help | --version\n";
}

// "  NAME                text", the text's further lines under its first.
std::string helpEntry(const std::string& name, std::string_view text) {
    constexpr std::size_t Column = 20;
    std::string out = "  " + name + std::string(name.size() < Column ? Column - name.size() : 1, ' ');
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        out.append(text.substr(start, end - start)).append("\n");
        if (end == std::string_view::npos) return out;
        out.append(Column + 2, ' ');
        start = end + 1;
    }
}

std::string helpText() {
    std::string out = usageText() +
                      "\n"
                      "Reads, checks, compares, merges and converts card data files (cardinfo.dat) with the\n"
                      "editor's loader and saver.\n"
                      "\n";
    for (const CommandSpec& command : CommandSpecs)
        out += helpEntry(std::string(command.name) + " " + command.operands, command.help);
    for (const OptionRule& option : OptionRules)
        out += helpEntry(std::string(option.name) + (option.argument ? " " : "") +
                             (option.argument ? option.argument : ""),
                         option.help);
    return out + helpEntry("--help", "print this help") + helpEntry("--version", "print the version") +
           "\n"
           "A, B and IN may be a card file, a dump (.json or .csv, as dump writes it) or, with --code,\n"
           "a set file.\n"
           "\n"
           "Exit status: 0 success, 1 failure (one line on standard error), 2 usage error.\n"
           "diff: 0 the same cards, 1 different, 2 usage error, 3 a file could not be read.\n";
}

int usage() {
    std::fputs(usageText().c_str(), stderr);
    return UsageStatus;
}

// Runs the command `args` name: its options (each at most once, "--" ends
// them) anywhere among its operands. The operands and the options that name
// files or text are converted to the ANSI code page here, once, after
// --code-page has chosen it.
int runCommand(const CommandSpec& command, const std::vector<const char*>& args) {
    Invocation call;
    unsigned seen = 0;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
            call.operands.push_back(args[i]);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionRule* option = nullptr;
        for (const OptionRule& known : OptionRules) {
            if (arg == known.name && ((command.options | CodePage) & known.bit)) option = &known;
        }
        if (!option || (seen & option->bit)) return usage();
        seen |= option->bit;
        if (option->flag) {
            call.*(option->flag) = true;
        } else if (i + 1 < args.size()) {
            call.*(option->value) = args[++i];
        } else {
            return usage();
        }
    }
    if (call.operands.size() < command.minOperands || call.operands.size() > command.maxOperands)
        return usage();
    if (call.codePage &&
        (std::to_string(std::atoi(call.codePage)) != call.codePage || !useCodePage(std::atoi(call.codePage))))
        return misuse(std::string("--code-page ") + call.codePage +
                      ": not a single-byte ANSI code page (874, 1250-1258)");
    for (const char* operand : call.operands) {
        call.coreNames.emplace_back();
        if (!coreName(operand, call.coreNames.back())) return nameOutsideCodePage(operand, command.trouble);
    }
    for (const OptionRule& option : OptionRules) {
        const char* value = option.converted ? call.*(option.value) : nullptr;
        if (value && !coreName(value, call.*(option.converted)))
            return nameOutsideCodePage(value, command.trouble);
    }
    return command.run(call);
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") return emit(helpText());
    if (args.size() == 1 && args[0] == "--version") return emit("cardinfo " CARDLOOM_VERSION "\n");
    for (const CommandSpec& command : CommandSpecs) {
        if (!args.empty() && args[0] == command.name)
            return runCommand(command, std::vector<const char*>(argv + 2, argv + argc));
    }
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The same bytes as on Linux: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The C runtime passes the arguments in the system's code page; text is
    // read in it too, where it is a single-byte one.
    useCodePage(static_cast<int>(GetACP()));
#endif
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
