// cardinfo: reads and normalises card data files from the command line.
//   cardinfo dump [--csv] FILE   the cards as JSON (or CSV) on stdout
//   cardinfo check FILE          exit 0 when the editor can load FILE
//   cardinfo rewrite IN [OUT]    load IN and save it, normalised, to OUT or IN
//   cardinfo import IN OUT       cards from a dump (IN ending in .json or .csv)
//                                saved as the card file OUT
//   cardinfo --help | --version
// Exit status: 0 success, 1 failure (one line on stderr), 2 usage error.
// File names go to the card core in Windows-1252 and appear in messages as
// they were given.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "card/card_file.h"
#include "card/card_table.h"
#include "card/file_access.h"
#include "cardloom_version.h"
#include "platform/code_page.h"
#include "tools/card_dump.h"
#include "tools/card_import.h"
#include "tools/check_report.h"

namespace {

// Larger than any card file and any dump of one (8192 cards, every field full
// and every character escaped), so a larger input is neither.
constexpr std::size_t MaxInputSize = std::size_t{256} << 20;

const char usageText[] =
    "usage: cardinfo dump [--csv] FILE\n"
    "       cardinfo check FILE\n"
    "       cardinfo rewrite IN [OUT]\n"
    "       cardinfo import FILE.json|FILE.csv OUT\n"
    "       cardinfo --help | --version\n";

// What --help adds to the usage.
const char helpText[] =
    "\n"
    "Reads, checks and converts card data files (cardinfo.dat) with the editor's loader and saver.\n"
    "\n"
    "  dump [--csv] FILE   print the cards as JSON (or CSV) on standard output\n"
    "  check FILE          exit 0 when the editor can load FILE\n"
    "  rewrite IN [OUT]    load IN and save it, normalised, to OUT or back to IN\n"
    "  import IN OUT       save the cards of a dump (IN.json or IN.csv) as the card file OUT\n"
    "  --help              print this help\n"
    "  --version           print the version\n"
    "\n"
    "Exit status: 0 success, 1 failure (one line on standard error), 2 usage error.\n";

int usage() {
    std::fputs(usageText, stderr);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "cardinfo: %s\n", message.c_str());
    return 1;
}

// Writes all of `text` to stdout; a short write or failed flush is a failure.
int emit(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return fail("cannot write the output");
    return 0;
}

// The name of a file given on the command line as the card core takes it.
// Linux passes arguments in UTF-8; Windows already passes them in its 8-bit
// code page. False when the name holds a character Windows-1252 cannot.
bool coreName(const char* path, std::string& name) {
#ifdef _WIN32
    name = path;
    return true;
#else
    return utf8ToCp1252(path, name);
#endif
}

int nameOutsideCodePage(const char* path) {
    return fail(std::string(path) + ": the name has a character outside Windows-1252");
}

// An output that is the input under another name would overwrite the input.
int sameFileAsInput(const char* in, const char* out) {
    return fail(std::string(out) + ": is the same file as " + in + ", which the output would overwrite");
}

int dumpCommand(const char* path, bool csv) {
    std::string name;
    if (!coreName(path, name)) return nameOutsideCodePage(path);
    FileProblem problem;
    if (!loadCardFile(name.c_str(), cardTable, &problem)) return fail(describeProblem(path, problem));
    return emit(csv ? cardsAsCsv(cardTable) : cardsAsJson(cardTable));
}

int checkCommand(const char* path) {
    // The verdict and the notes both come from the editor's own load.
    std::string name;
    if (!coreName(path, name)) return nameOutsideCodePage(path);
    FileProblem problem;
    FileNotes notes;
    if (!loadCardFile(name.c_str(), cardTable, &problem, &notes)) return fail(describeProblem(path, problem));
    return emit(describeNotes(path, cardTable.slotCount, notes));
}

// Rewrites IN in place when `out` is null, else into OUT.
int rewriteCommand(const char* in, const char* out) {
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

int importCommand(const char* in, const char* out) {
    ImportFormat format = ImportFormat::Json;
    if (!importFormatOf(in, format)) {
        std::fprintf(stderr, "cardinfo: %s: the name must end in .json or .csv to tell its format\n", in);
        return usage();
    }
    std::string inName, outName;
    if (!coreName(in, inName)) return nameOutsideCodePage(in);
    if (!coreName(out, outName)) return nameOutsideCodePage(out);
    if (sameFile(inName.c_str(), outName.c_str())) return sameFileAsInput(in, out);
    std::vector<std::uint8_t> bytes;
    FileProblem problem;
    if (!readRegularFile(inName.c_str(), MaxInputSize, bytes, &problem))
        return fail(std::string(in) + ": " + problem.what);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string error;
    if (!importCards(text, format, cardTable, error)) return fail(std::string(in) + ": " + error);
    if (!saveCardFile(outName.c_str(), cardTable, &problem)) return fail(describeProblem(out, problem));
    return 0;
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") return emit(std::string(usageText) + helpText);
    if (args.size() == 1 && args[0] == "--version") return emit("cardinfo " CARDLOOM_VERSION "\n");
    if (args.size() == 2 && args[0] == "dump" && args[1] != "--csv") return dumpCommand(argv[2], false);
    if (args.size() == 3 && args[0] == "dump" && args[1] == "--csv") return dumpCommand(argv[3], true);
    if (args.size() == 2 && args[0] == "check") return checkCommand(argv[2]);
    if (args.size() == 2 && args[0] == "rewrite") return rewriteCommand(argv[2], nullptr);
    if (args.size() == 3 && args[0] == "rewrite") return rewriteCommand(argv[2], argv[3]);
    if (args.size() == 3 && args[0] == "import") return importCommand(argv[2], argv[3]);
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The same bytes as on Linux: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
