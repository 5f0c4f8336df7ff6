// cardinfo: reads, compares, merges and normalises card data files from the
// command line.
//   cardinfo dump [--csv] FILE        the cards as JSON (or CSV) on stdout
//   cardinfo check FILE               exit 0 when the editor can load FILE
//   cardinfo rewrite IN [OUT]         load IN and save it, normalised, to OUT or IN
//   cardinfo import [--code XX] IN OUT
//                                     cards from a dump or set file (IN ending
//                                     in .json or .csv) saved as the card file OUT
//   cardinfo diff [--json] [--code XX] A B
//                                     what changed from A to B
//   cardinfo merge [--dry-run] [--output OUT] [--code XX] DB IN
//                                     the cards of IN merged into DB
//   cardinfo --help | --version
// Every command takes --code-page N: text and file names in that ANSI code
// page instead of the one the user's locale chooses.
// Exit status: 0 success, 1 failure (one line on stderr), 2 usage error;
// diff: 0 the same cards, 1 different, 2 usage error, 3 trouble.
// File names go to the card core in the ANSI code page and appear in messages
// as they were given.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "card/card_file.h"
#include "card/card_table.h"
#include "card/file_access.h"
#include "cardloom_version.h"
#include "platform/code_page.h"
#include "platform/user_locale.h"
#include "tools/card_diff.h"
#include "tools/card_dump.h"
#include "tools/card_import.h"
#include "tools/card_input.h"
#include "tools/card_merge.h"
#include "tools/check_report.h"

namespace {

const char usageText[] =
    "usage: cardinfo dump [--csv] FILE\n"
    "       cardinfo check FILE\n"
    "       cardinfo rewrite IN [OUT]\n"
    "       cardinfo import [--code XX] FILE.json|FILE.csv OUT\n"
    "       cardinfo diff [--json] [--code XX] A B\n"
    "       cardinfo merge [--dry-run] [--output OUT] [--code XX] DB IN\n"
    "       cardinfo --help | --version\n";

// What --help adds to the usage.
const char helpText[] =
    "\n"
    "Reads, checks, compares, merges and converts card data files (cardinfo.dat) with the\n"
    "editor's loader and saver.\n"
    "\n"
    "  dump [--csv] FILE   print the cards as JSON (or CSV) on standard output\n"
    "  check FILE          exit 0 when the editor can load FILE\n"
    "  rewrite IN [OUT]    load IN and save it, normalised, to OUT or back to IN\n"
    "  import IN OUT       save the cards of a dump or set file (IN.json or IN.csv) as the card file OUT\n"
    "  diff A B            print the cards added, removed and changed from A to B, field by field\n"
    "                      (--json: as one JSON document); cards are paired by name\n"
    "  merge DB IN         merge the cards of IN into the card file DB: a card DB has takes IN's\n"
    "                      fields and gains its editions, a new card is added at the end;\n"
    "                      --dry-run prints the changes as diff does and writes nothing,\n"
    "                      --output OUT writes the result to OUT instead of DB\n"
    "  --code XX           the set code of a set file's editions (an MTGJSON set file or a\n"
    "                      Scryfall card list), as the Apprentice set list names the set;\n"
    "                      editions become XX-C, XX-U, XX-R, XX-M (mythic), XX-S (special)\n"
    "  --code-page N       read and write text and file names in the ANSI code page N (874,\n"
    "                      1250-1258) instead of the one the locale chooses (LC_CTYPE)\n"
    "  --help              print this help\n"
    "  --version           print the version\n"
    "\n"
    "A, B and IN may be a card file, a dump (.json or .csv, as dump writes it) or, with --code,\n"
    "a set file.\n"
    "\n"
    "Exit status: 0 success, 1 failure (one line on standard error), 2 usage error.\n"
    "diff: 0 the same cards, 1 different, 2 usage error, 3 a file could not be read.\n";

constexpr int UsageStatus = 2;
constexpr int DiffTrouble = 3;  // diff's status when a file cannot be read

int usage() {
    std::fputs(usageText, stderr);
    return UsageStatus;
}

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

// One command line: its options and operands.
struct Invocation {
    std::vector<const char*> operands;
    bool csv = false;
    bool json = false;
    bool dryRun = false;
    const char* code = nullptr;      // --code XX
    const char* output = nullptr;    // --output OUT
    const char* codePage = nullptr;  // --code-page N
};

enum OptionBit : unsigned { Csv = 1, JsonOut = 2, DryRun = 4, Code = 8, Output = 16, CodePage = 32 };

// The options of all commands: a flag, or one taking the next argument.
struct OptionRule {
    const char* name;
    OptionBit bit;
    bool Invocation::*flag;
    const char* Invocation::*value;
};
const OptionRule OptionRules[] = {
    {"--csv", Csv, &Invocation::csv, nullptr},
    {"--json", JsonOut, &Invocation::json, nullptr},
    {"--dry-run", DryRun, &Invocation::dryRun, nullptr},
    {"--code", Code, nullptr, &Invocation::code},
    {"--output", Output, nullptr, &Invocation::output},
    {"--code-page", CodePage, nullptr, &Invocation::codePage},
};

// The set code of --code in Windows-1252: not empty, without commas (they
// separate editions) or control characters. False after saying why.
bool setCodeOf(const Invocation& call, std::string& code) {
    if (!call.code) return true;
    const bool fits = coreName(call.code, code) && !code.empty() &&
                      std::none_of(code.begin(), code.end(),
                                   [](char c) { return c == ',' || static_cast<unsigned char>(c) < 0x20; });
    if (!fits)
        fail(std::string("--code ") + call.code +
             ": a set code is text in Windows-1252 without commas or control characters");
    return fits;
}

// Reads one input file into `table`, printing on stderr which of its cards
// had characters replaced. The status to exit with when it cannot be read
// is `failure`; a set file without --code is a usage error.
int readArgument(const char* path, std::string_view code, CardTable& table, SetSource& source, int failure) {
    std::string name, error;
    if (!coreName(path, name)) return nameOutsideCodePage(path, failure);
    ImportReport report;
    const InputResult result = readInput(path, name, code, table, report, error);
    source = report.source;
    if (result == InputResult::NeedsCode) return misuse(error);
    if (result == InputResult::Failed) return fail(error, failure);
    for (const std::string& line : report.replaced)
        std::fprintf(stderr, "cardinfo: %s: %s\n", path, line.c_str());
    return 0;
}

// --code for files none of which was a set file.
int codeUnused(const Invocation& call) {
    return misuse(std::string("--code ") + call.code + ": no input is a set file");
}

int dumpCommand(const Invocation& call) {
    const char* path = call.operands[0];
    std::string name;
    if (!coreName(path, name)) return nameOutsideCodePage(path);
    FileProblem problem;
    if (!loadCardFile(name.c_str(), cardTable, &problem)) return fail(describeProblem(path, problem));
    return emit(call.csv ? cardsAsCsv(cardTable) : cardsAsJson(cardTable));
}

int checkCommand(const Invocation& call) {
    // The verdict and the notes both come from the editor's own load.
    const char* path = call.operands[0];
    std::string name;
    if (!coreName(path, name)) return nameOutsideCodePage(path);
    FileProblem problem;
    FileNotes notes;
    if (!loadCardFile(name.c_str(), cardTable, &problem, &notes)) return fail(describeProblem(path, problem));
    return emit(describeNotes(path, cardTable.slotCount, notes));
}

// Rewrites IN in place without OUT, else into OUT.
int rewriteCommand(const Invocation& call) {
    const char* in = call.operands[0];
    const char* out = call.operands.size() > 1 ? call.operands[1] : nullptr;
    std::string inName, outName;
    if (!coreName(in, inName)) return nameOutsideCodePage(in);
    if (out && !coreName(out, outName)) return nameOutsideCodePage(out);
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
    std::string code, inName, outName;
    if (!setCodeOf(call, code)) return usage();
    if (!coreName(in, inName)) return nameOutsideCodePage(in);
    if (!coreName(out, outName)) return nameOutsideCodePage(out);
    if (sameFile(inName.c_str(), outName.c_str())) return sameFileAsInput(in, out);
    SetSource source = SetSource::None;
    if (const int status = readArgument(in, code, cardTable, source, 1)) return status;
    if (call.code && source == SetSource::None) return codeUnused(call);
    FileProblem problem;
    if (!saveCardFile(outName.c_str(), cardTable, &problem)) return fail(describeProblem(out, problem));
    return 0;
}

int diffCommand(const Invocation& call) {
    std::string code;
    if (!setCodeOf(call, code)) return usage();
    const TablePtr tables[2] = {emptyTable(), emptyTable()};
    bool setFile = false;
    for (int i = 0; i < 2; ++i) {
        SetSource source = SetSource::None;
        if (const int status = readArgument(call.operands[i], code, *tables[i], source, DiffTrouble))
            return status;
        setFile = setFile || source != SetSource::None;
    }
    if (call.code && !setFile) return codeUnused(call);
    const std::vector<CardChange> changes = diffCards(*tables[0], *tables[1]);
    const std::string text =
        call.json ? diffAsJson(changes, *tables[0], *tables[1]) : diffAsText(changes, *tables[0], *tables[1]);
    if (const int status = emit(text, DiffTrouble)) return status;
    return changes.empty() ? 0 : 1;
}

int mergeCommand(const Invocation& call) {
    const char* db = call.operands[0];
    const char* in = call.operands[1];
    const char* out = call.output ? call.output : db;
    std::string code, dbName, inName, outName;
    if (!setCodeOf(call, code)) return usage();
    if (!coreName(db, dbName)) return nameOutsideCodePage(db);
    if (!coreName(in, inName)) return nameOutsideCodePage(in);
    if (!coreName(out, outName)) return nameOutsideCodePage(out);
    if (call.output && sameFile(inName.c_str(), outName.c_str())) return sameFileAsInput(in, out);
    if (call.output && sameFile(dbName.c_str(), outName.c_str())) return sameFileAsInput(db, out);
    const TablePtr base = emptyTable(), incoming = emptyTable();
    FileProblem problem;
    if (!loadCardFile(dbName.c_str(), *base, &problem)) return fail(describeProblem(db, problem));
    SetSource source = SetSource::None;
    if (const int status = readArgument(in, code, *incoming, source, 1)) return status;
    if (call.code && source == SetSource::None) return codeUnused(call);
    // A dry run shows the merge against the database as it was.
    TablePtr before;
    if (call.dryRun) copyTable(*base, *(before = emptyTable()));
    MergeCounts counts;
    std::string error;
    if (!mergeCards(*base, *incoming, counts, error))
        return fail(std::string(in) + ": " + error + "; nothing was written");
    if (call.dryRun) return emit(diffAsText(diffCards(*before, *base), *before, *base));
    if (!saveCardFile(outName.c_str(), *base, &problem)) return fail(describeProblem(out, problem));
    return emit(std::string(out) + ": " + std::to_string(counts.added) + " cards added, " +
                std::to_string(counts.changed) + " changed\n");
}

struct CommandSpec {
    const char* name;
    unsigned options;  // OptionBits it takes
    std::size_t minOperands, maxOperands;
    int (*run)(const Invocation&);
};
const CommandSpec commandSpecs[] = {
    {"dump", Csv, 1, 1, dumpCommand},
    {"check", 0, 1, 1, checkCommand},
    {"rewrite", 0, 1, 2, rewriteCommand},
    {"import", Code, 2, 2, importCommand},
    {"diff", JsonOut | Code, 2, 2, diffCommand},
    {"merge", DryRun | Output | Code, 2, 2, mergeCommand},
};

// Runs the command `args` name: its options (each at most once, "--" ends
// them) anywhere among its operands.
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
    return command.run(call);
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") return emit(std::string(usageText) + helpText);
    if (args.size() == 1 && args[0] == "--version") return emit("cardinfo " CARDLOOM_VERSION "\n");
    for (const CommandSpec& command : commandSpecs) {
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
