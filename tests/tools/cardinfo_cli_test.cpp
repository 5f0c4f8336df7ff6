// The cardinfo program end to end: exit codes, what it prints and what it
// leaves on disk, run as a separate process on card files made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include <nlohmann/json.hpp>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "cardloom_version.h"
#include "platform/code_page.h"
#include "platform/win32.h"
#include "tests/support/test_cards.h"
#include "tests/tools/bulk_fixtures.h"
#include "tests/tools/run_process.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class CardinfoTool : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        // The thread id keeps two runs at once (two trees, two checkouts) apart.
        folder = fs::temp_directory_path() /
                 ("cardinfo-" + std::string(test->name()) + "-" + std::to_string(GetCurrentThreadId()) + "-" +
                  std::to_string(++counter));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::string path(const char* name) const { return (folder / name).string(); }

    std::string write(const char* name, const Bytes& bytes) const {
        std::ofstream out(path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good());
        return path(name);
    }

    std::string writeText(const char* name, const std::string& text) const {
        return write(name, Bytes(text.begin(), text.end()));
    }

    ProcessResult run(const std::vector<std::string>& args) const {
        return runProcess(CARDINFO_EXE, args, folder.string());
    }

    fs::path folder;
};

Bytes encoded(CardTable& table) {
    Bytes out;
    FileProblem problem;
    EXPECT_EQ(encodeCards(table, out, &problem), 1) << problem.what;
    return out;
}

Bytes fileBytes(const std::string& path) {
    const std::string text = readWholeFile(path);
    return Bytes(text.begin(), text.end());
}

// The worked example of the file format: one card, 66 bytes, P = 36.
const Bytes ExampleFile = {0x24, 0x00, 0x00, 0x00, 0x04, 0x00, 'T', 'y',  'p',  'e',  0x04, 0x00, 'C',  'o',
                           's',  't',  0x03, 0x00, 'P',  '/',  'T', 0x04, 0x00, 'T',  'e',  'x',  't',  0x07,
                           0x00, 'C',  'o',  'm',  'm',  'e',  'n', 't',  0x01, 0x00, 0x00, 0x00, 0x08, 0x00,
                           'N',  'e',  'w',  ' ',  'c',  'a',  'r', 'd',  0x04, 0x00, 0x00, 0x00, 0x0A, 0x07,
                           0x00, 'E',  'd',  'i',  't',  'i',  'o', 'n',  0x00, 0x00};

// The example as another program might have written it: a fourth byte set in
// every four-byte integer, a moved block offset, reserved bytes set, "^^" in
// the text, a zero byte inside the comment and two bytes after the end.
Bytes oddExample() {
    Bytes b = ExampleFile;
    b[3] = 0xFF, b[39] = 0x01, b[53] = 0x80;
    b[50] = 0x10;
    b[64] = 0x01, b[65] = 0x02;
    b[24] = '^', b[25] = '^';
    b[32] = 0x00;
    b.push_back(0xAA), b.push_back(0xBB);
    return b;
}

// Sets LC_ALL for the programs the test runs.
void setLocale(const char* locale) {
#ifdef _WIN32
    _putenv_s("LC_ALL", locale);
#else
    setenv("LC_ALL", locale, 1);
#endif
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST_F(CardinfoTool, DumpShowsEveryCardInFileOrder) {
    const std::string bytes = everyByte();
    auto table = tableOf({
        {"Beta", "", "", "", "", "", "", 0},
        {bytes.substr(0, 255), bytes.substr(0, 127), bytes.substr(128), "", "", bytes, "a\r\nb", 0x81},
        {"Alpha", "Ed", "Type", "2", "2/2", "x", "y", 0xFF},
    });
    const std::string file = write("cards.dat", encoded(*table));

    const ProcessResult json = run({"dump", file});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.err, "");
    const auto cards = nlohmann::ordered_json::parse(json.out);
    ASSERT_EQ(cards.size(), 3u);
    const char* const keys[7] = {"name", "edition", "type", "cost", "pt", "text", "comment"};
    for (int i = 0; i < 3; ++i) {
        const CardRecord& slot = table->slots[i];
        const char* fields[7] = {slot.name, slot.edition, slot.type,   slot.cost,
                                 slot.pt,   slot.text,    slot.comment};
        EXPECT_EQ(cards[i]["slot"], i);
        EXPECT_EQ(cards[i]["colours"], slot.colours);
        for (int f = 0; f < 7; ++f) {
            std::string back;
            ASSERT_TRUE(utf8ToAnsi(cards[i][keys[f]].get<std::string>(), back));
            EXPECT_EQ(back, fields[f]) << "card " << i << " " << keys[f];
        }
    }
    EXPECT_EQ(cards[1]["comment"], "a\r\nb");

    const ProcessResult csv = run({"dump", "--csv", file});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out.rfind("slot,name,edition,type,cost,pt,text,comment,colours\r\n", 0), 0u);
    EXPECT_NE(csv.out.find("\r\n2,Alpha,Ed,Type,2,2/2,x,y,255\r\n"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",\"a\r\nb\",129\r\n"), std::string::npos);
}

TEST_F(CardinfoTool, DumpOfAFileWithoutCards) {
    const std::string file = write("empty.dat", {4, 0, 0, 0, 0, 0, 0, 0});
    const ProcessResult json = run({"dump", file});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out, "[]\n");
    const ProcessResult csv = run({"dump", "--csv", file});
    EXPECT_EQ(csv.exitCode, 0);
    EXPECT_EQ(csv.out, "slot,name,edition,type,cost,pt,text,comment,colours\r\n");
}

TEST_F(CardinfoTool, CheckReportsWhatASaveWouldChange) {
    const ProcessResult normal = run({"check", write("normal.dat", ExampleFile)});
    EXPECT_EQ(normal.exitCode, 0);
    EXPECT_EQ(normal.err, "");
    EXPECT_NE(normal.out.find("already normal"), std::string::npos) << normal.out;

    const ProcessResult odd = run({"check", write("odd.dat", oddExample())});
    EXPECT_EQ(odd.exitCode, 0) << odd.err;
    EXPECT_EQ(odd.err, "");
    EXPECT_EQ(odd.out.find("already normal"), std::string::npos);
    EXPECT_EQ(lineCount(odd.out), 7) << odd.out;  // the heading and six kinds of change
    for (const char* line : {"block offset", "fourth byte: 3\n", "reserved bytes: 1\n", "\"^^\"", "zero byte",
                             "after the last index entry (dropped): 2\n"})
        EXPECT_NE(odd.out.find(line), std::string::npos) << line << " missing in\n" << odd.out;
}

TEST_F(CardinfoTool, CheckNamesTheOffsetOfTheDamage) {
    struct Damage {
        const char* why;
        Bytes bytes;
        std::size_t offset;
    };
    Bytes longName = ExampleFile;
    longName[40] = 0x00, longName[41] = 0x01;  // a name of 256 bytes
    Bytes countHigh = ExampleFile;
    countHigh[36] = 2;  // two cards announced, one stored
    const Damage damages[] = {
        {"too short for the index position", {0x24, 0x00}, 0},
        {"index position inside the header", {0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0}, 0},
        {"card count past the end", Bytes(ExampleFile.begin(), ExampleFile.begin() + 38), 0},
        {"text block cut by the index position", {0x08, 0, 0, 0, 0x20, 0x00, 'T', 'y', 0x01, 0, 0, 0}, 4},
        {"more cards than the table holds", {4, 0, 0, 0, 0x01, 0x20, 0x00, 0x00}, 4},
        {"name longer than its field", longName, 40},
    };
    for (const Damage& damage : damages) {
        const std::string file = write("damaged.dat", damage.bytes);
        const ProcessResult result = run({"check", file});
        EXPECT_EQ(result.exitCode, 1) << damage.why;
        EXPECT_EQ(result.out, "") << damage.why;
        EXPECT_EQ(lineCount(result.err), 1) << damage.why << ": " << result.err;
        EXPECT_NE(result.err.find(file), std::string::npos) << damage.why << ": " << result.err;
        EXPECT_NE(result.err.find("byte " + std::to_string(damage.offset) + ":"), std::string::npos)
            << damage.why << ": " << result.err;
    }
    const ProcessResult missing = run({"check", path("missing.dat")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lineCount(missing.err), 1) << missing.err;
}

TEST_F(CardinfoTool, RewriteNormalisesInPlaceOrIntoANewFile) {
    const Bytes odd = oddExample();
    Bytes normal = ExampleFile;
    normal[24] = '\r', normal[25] = '\n';
    // The comment is cut at its zero byte: "Com" instead of "Comment".
    auto table = tableOf({{"New card", "Edition", "Type", "Cost", "P/T", "T\r\nt", "Com", 0x0A}});
    const Bytes expected = encoded(*table);

    const std::string in = write("in.dat", odd);
    const std::string out = path("out.dat");
    const ProcessResult copy = run({"rewrite", in, out});
    EXPECT_EQ(copy.exitCode, 0) << copy.err;
    EXPECT_EQ(copy.out + copy.err, "");
    EXPECT_EQ(fileBytes(in), odd);
    EXPECT_EQ(fileBytes(out), expected);

    const ProcessResult inPlace = run({"rewrite", in});
    EXPECT_EQ(inPlace.exitCode, 0) << inPlace.err;
    EXPECT_EQ(fileBytes(in), expected);
    const ProcessResult again = run({"rewrite", in});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(fileBytes(in), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4)
        << "in, out and the two capture files, no temporary file left";
}

TEST_F(CardinfoTool, FailedRewriteLeavesInputAndNoOutput) {
    Bytes damaged = ExampleFile;
    damaged.resize(60);
    const std::string in = write("damaged.dat", damaged);
    const std::string out = path("out.dat");
    const ProcessResult bad = run({"rewrite", in, out});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(lineCount(bad.err), 1) << bad.err;
    EXPECT_EQ(fileBytes(in), damaged);
    EXPECT_FALSE(fs::exists(out));

    const std::string good = write("good.dat", ExampleFile);
    const std::string nowhere = (folder / "no such folder" / "out.dat").string();
    const ProcessResult unwritable = run({"rewrite", good, nowhere});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(lineCount(unwritable.err), 1) << unwritable.err;
    EXPECT_EQ(fileBytes(good), ExampleFile);
    EXPECT_FALSE(fs::exists(folder / "no such folder"));

    const ProcessResult missing = run({"rewrite", path("missing.dat"), out});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(fs::exists(out));
    const ProcessResult missingDump = run({"dump", path("missing.dat")});
    EXPECT_EQ(missingDump.exitCode, 1);
    EXPECT_EQ(missingDump.out, "");
}

// --help and --version answer on standard output with exit 0, alone only;
// with anything more, or spelt otherwise, they are usage errors.
TEST_F(CardinfoTool, HelpAndVersionGoToStandardOutput) {
    const ProcessResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: cardinfo dump", 0), 0u) << help.out;
    for (const char* word : {"dump", "check", "rewrite", "import", "diff", "merge", "--dry-run", "--output",
                             "--code", "--expan", "--set-name", "--version", "Exit status"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_EQ(help.err, "");

    const ProcessResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "cardinfo " CARDLOOM_VERSION "\n");
    EXPECT_EQ(version.err, "");

    const std::vector<std::vector<std::string>> misuses = {
        {"--help", "--version"}, {"--version", "x"}, {"help"}, {"-h"}, {"--HELP"}};
    for (const auto& args : misuses) {
        const ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args[0] << " " << args.size();
        EXPECT_EQ(result.err.rfind("usage: cardinfo", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CardinfoTool, UsageErrorsExitWithTwo) {
    const std::string file = write("cards.dat", ExampleFile);
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"dump"},
        {"dump", "--csv"},
        {"dump", "--json", file},
        {"dump", file, file},
        {"check"},
        {"check", file, file},
        {"rewrite"},
        {"rewrite", file, file, file},
        {"list", file},
    };
    for (const auto& args : misuses) {
        const ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.size() << " arguments";
        EXPECT_EQ(result.err.rfind("usage: cardinfo", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(fileBytes(file), ExampleFile);
}

namespace {

// Cards that hold every byte value 0x01-0xFF, CR LF, "^^", quotes and
// commas, fields at their full width, and one deleted slot.
std::unique_ptr<CardTable> awkwardTable() {
    const std::string bytes = everyByte();
    auto table = tableOf({
        {bytes.substr(0, 255), bytes.substr(0, 127), bytes.substr(128), bytes.substr(0, 31),
         bytes.substr(224), bytes, "line\r\nnext^^caret \"quoted\", comma", 0x81},
        {"", "", "", "", "", "", "", 0},
        {"Gone", "", "", "", "", "", "", 1},
        {std::string(255, 'n'), std::string(127, 'e'), std::string(127, 't'), std::string(31, 'c'),
         std::string(31, 'p'), std::string(1279, 'x'), bytes + bytes + bytes + bytes.substr(0, 514), 0xFF},
    });
    table->slots[2].active = 0;
    return table;
}

// Three hundred cards of random bytes 0x01-0xFF and random lengths.
std::unique_ptr<CardTable> randomTable() {
    auto table = tableOf({});
    std::mt19937 random(1252);
    const int widths[7] = {NameWidth, EditionWidth, TypeWidth, CostWidth, PtWidth, TextWidth, CommentWidth};
    for (int s = 0; s < 300; ++s) {
        CardRecord& card = table->slots[s];
        char* fields[7] = {card.name, card.edition, card.type, card.cost, card.pt, card.text, card.comment};
        for (int f = 0; f < 7; ++f) {
            const int length = static_cast<int>(random() % static_cast<unsigned>(widths[f]));
            for (int i = 0; i < length; ++i) fields[f][i] = static_cast<char>(1 + random() % 255);
        }
        card.colours = static_cast<int>(random() % 256);
        card.active = 1;
    }
    table->slotCount = 300;
    return table;
}

// A JSON record with the dump's keys, empty text and colours 0, where each
// change replaces the raw value of a key (or adds the key); an empty value
// drops the key.
std::string jsonRecord(int slot, const std::vector<std::pair<std::string, std::string>>& changes = {}) {
    std::vector<std::pair<std::string, std::string>> members = {{"slot", std::to_string(slot)},
                                                                {"name", "\"n\""},
                                                                {"edition", "\"\""},
                                                                {"type", "\"\""},
                                                                {"cost", "\"\""},
                                                                {"pt", "\"\""},
                                                                {"text", "\"\""},
                                                                {"comment", "\"\""},
                                                                {"colours", "0"}};
    for (const auto& change : changes) {
        auto found = std::find_if(members.begin(), members.end(),
                                  [&](const auto& member) { return member.first == change.first; });
        if (found == members.end())
            members.push_back(change);
        else
            found->second = change.second;
    }
    std::string out = "{";
    for (const auto& member : members) {
        if (member.second.empty()) continue;
        out += out.size() > 1 ? ",\"" : "\"";
        out += member.first;
        out += "\":";
        out += member.second;
    }
    return out + "}";
}

const char CsvHeader[] = "slot,name,edition,type,cost,pt,text,comment,colours\r\n";

}  // namespace

TEST_F(CardinfoTool, ImportOfADumpWritesWhatRewriteWrites) {
    struct Database {
        const char* why;
        Bytes bytes;
    };
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "CARDLOOM_SOURCE_DIR names the source tree (CTest sets it)";
    const std::string example = std::string(source) + "/examples/cardinfo.dat";
    const Database databases[] = {
        {"the example database", fileBytes(example)},
        {"a file from elsewhere: odd bytes, \"^^\", a zero byte", oddExample()},
        {"every byte value, CR LF, quotes, full widths, a deleted slot", encoded(*awkwardTable())},
        {"three hundred random cards", encoded(*randomTable())},
        {"no cards", {4, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Database& database : databases) {
        ASSERT_GT(database.bytes.size(), 7u) << database.why;
        const std::string in = write("in.dat", database.bytes);
        const ProcessResult rewrite = run({"rewrite", in, path("rewritten.dat")});
        ASSERT_EQ(rewrite.exitCode, 0) << database.why << ": " << rewrite.err;
        const Bytes expected = fileBytes(path("rewritten.dat"));
        for (const char* form : {"json", "csv"}) {
            const bool csv = std::string(form) == "csv";
            const ProcessResult dump = csv ? run({"dump", "--csv", in}) : run({"dump", in});
            ASSERT_EQ(dump.exitCode, 0) << database.why << ": " << dump.err;
            const std::string text = writeText(csv ? "cards.csv" : "cards.json", dump.out);
            const std::string out = path("imported.dat");
            std::filesystem::remove(out);
            const ProcessResult imported = run({"import", text, out});
            EXPECT_EQ(imported.exitCode, 0) << database.why << ", " << form << ": " << imported.err;
            EXPECT_EQ(imported.out + imported.err, "") << database.why << ", " << form;
            EXPECT_TRUE(fileBytes(out) == expected) << database.why << ", " << form;
        }
    }
}

TEST_F(CardinfoTool, ImportRefusesBadInputNamingRecordAndKey) {
    struct Bad {
        const char* file;
        std::string text;
        const char* message;  // what stderr says after "cardinfo: FILE: "
    };
    const std::string good = jsonRecord(0);
    const Bad bads[] = {
        {"a.json", "[" + good + ",", "not valid JSON: parse error at line 1, column"},
        {"a.json", "[" + good + "," + jsonRecord(1, {{"cost", "\"2"}}),
         "record 2: not valid JSON: parse error at line 1, column"},
        {"a.json", good, "neither a set file nor a dump: the shapes read are an MTGJSON set file"},
        {"a.json", "[" + good + ",7]", "record 2: a number where a record object belongs"},
        {"a.json", "[" + jsonRecord(0, {{"power", "3"}}) + "]", "record 1: unknown key \"power\""},
        {"a.json", "[" + good + "," + jsonRecord(1, {{"cost", ""}}) + "]", "record 2, cost: missing"},
        {"a.json", "[" + jsonRecord(0, {{"colours", ""}}) + "]", "record 1, colours: missing"},
        {"a.json", "[" + good.substr(0, good.size() - 1) + ",\"name\":\"m\"}]",
         "record 1: the key \"name\" appears twice"},
        {"a.json", "[" + jsonRecord(0, {{"colours", "\"3\""}}) + "]",
         "record 1, colours: a string where a whole number belongs"},
        {"a.json", "[" + jsonRecord(0, {{"colours", "3.0"}}) + "]",
         "record 1, colours: a number where a whole number belongs"},
        {"a.json", "[" + jsonRecord(0, {{"name", "5"}}) + "]",
         "record 1, name: a number where a string belongs"},
        {"a.json", "[" + jsonRecord(0, {{"text", "null"}}) + "]",
         "record 1, text: a null where a string belongs"},
        {"a.json", "[" + jsonRecord(0, {{"edition", "[\"E\"]"}}) + "]",
         "record 1, edition: an array where a string belongs"},
        {"a.json", "[[" + good + "]]", "record 1: an array where a record object belongs"},
        {"a.json", "[" + jsonRecord(0, {{"colours", "256"}}) + "]",
         "record 1, colours: 256 is not from 0 to 255"},
        {"a.json", "[" + jsonRecord(0, {{"colours", "-1"}}) + "]",
         "record 1, colours: -1 is not from 0 to 255"},
        {"a.json", "[" + jsonRecord(0, {{"colours", "18446744073709551615"}}) + "]",
         "record 1, colours: 18446744073709551615 is not from 0 to 255"},
        {"a.json", "[" + good + "," + jsonRecord(5) + "]",
         "record 2, slot: 5, but records fill the slots in order and this one goes to slot 1"},
        {"a.json", "[" + jsonRecord(0, {{"cost", "\"" + std::string(32, 'c') + "\""}}) + "]",
         "record 1, cost: 32 characters, the field holds at most 31"},
        {"a.json", "[" + jsonRecord(0, {{"type", "\"a\\u4e2d\""}}) + "]",
         "record 1, type: character 2 (U+4E2D) is not in Windows-1252"},
        {"a.json", "[" + jsonRecord(0, {{"pt", "\"\\ud83c\\udccf\""}}) + "]",
         "record 1, pt: character 1 (U+1F0CF) is not in Windows-1252"},
        {"a.json", "[" + jsonRecord(0, {{"comment", "\"a\\u0000b\""}}) + "]",
         "record 1, comment: holds a NUL character, which a card field cannot"},
        {"b.CSV", "", "no header row"},
        {"b.csv", "slot,name,edition,type,cost,pt,text,comment,colours,power\r\n",
         "header: unknown column \"power\""},
        {"b.csv", "slot,name,edition,type,cost,pt,text,comment\r\n", "header: no column \"colours\""},
        {"b.csv", "name,name,edition,type,cost,pt,text,comment,colours\r\n",
         "header: the column \"name\" appears twice"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,,0\r\n1,n,,,,,,0\r\n",
         "record 2 (line 3): 8 fields, the header has 9"},
        {"b.csv", std::string(CsvHeader) + "0,\"a\r\nb\",,,,,,,0\r\n1,a\"b,,,,,,,0\r\n",
         "record 2, line 4: a quote inside a field that is not quoted"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,,0\n",
         "record 1, line 2: a line break that is not CR LF"},
        {"b.csv", std::string(CsvHeader) + "0,\"n,,,,,,,0\r\n",
         "record 1, line 2: a quoted field is never closed"},
        {"b.csv", std::string(CsvHeader) + "0,a\xFF,,,,,,,0\r\n",
         "record 1 (line 2), name: byte 2 is not part of valid UTF-8"},
        {"b.csv", std::string(CsvHeader) + "0,a\xC3\xA9\xE2\x82,,,,,,,0\r\n",
         "record 1 (line 2), name: byte 4 is not part of valid UTF-8"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,," + std::string("a\0b", 3) + "\r\n",
         "record 1 (line 2), colours: not a whole number written in digits"},
        {"b.csv", std::string(CsvHeader) + "0,n,,," + std::string("a\0b", 3) + ",,,,0\r\n",
         "record 1 (line 2), cost: holds a NUL character"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,, 3\r\n",
         "record 1 (line 2), colours: not a whole number written in digits"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,,\r\n",
         "record 1 (line 2), colours: not a whole number written in digits"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,,,1000\r\n",
         "record 1 (line 2), colours: 1000 is not from 0 to 255"},
        {"b.csv", std::string(CsvHeader) + "1,n,,,,,,,0\r\n",
         "record 1 (line 2), slot: 1, but records fill the slots in order and this one goes to slot 0"},
        {"b.csv", std::string(CsvHeader) + "0,n,,,,,\"" + std::string(1280, 't') + "\",,0\r\n",
         "record 1 (line 2), text: 1280 characters, the field holds at most 1279"},
        {"b.csv", std::string(CsvHeader) + "0,\xE2\x82\xAC\xE4\xB8\xAD,,,,,,,0\r\n",
         "record 1 (line 2), name: character 2 (U+4E2D) is not in Windows-1252"},
    };
    const std::string out = path("out.dat");
    for (const Bad& bad : bads) {
        const std::string in = writeText(bad.file, bad.text);
        const ProcessResult result = run({"import", in, out});
        EXPECT_EQ(result.exitCode, 1) << bad.message;
        EXPECT_EQ(result.out, "") << bad.message;
        EXPECT_EQ(lineCount(result.err), 1) << result.err;
        EXPECT_EQ(result.err.rfind("cardinfo: " + in + ": " + bad.message, 0), 0u)
            << "expected: " << bad.message << "\n     got: " << result.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << bad.message;
    }

    // An existing OUT is left as it was.
    write("out.dat", ExampleFile);
    const ProcessResult refused = run({"import", writeText("c.json", "[" + jsonRecord(1) + "]"), out});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(fileBytes(out), ExampleFile);
}

TEST_F(CardinfoTool, ImportFailuresOutsideTheInput) {
    const std::string json = writeText("cards.json", "[" + jsonRecord(0) + "]");
    const std::string nowhere = (folder / "no such folder" / "out.dat").string();
    const ProcessResult unwritable = run({"import", json, nowhere});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(lineCount(unwritable.err), 1) << unwritable.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "no such folder"));

    const ProcessResult missing = run({"import", path("missing.csv"), path("out.dat")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lineCount(missing.err), 1) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(path("out.dat")));

    // The name tells the format; any other name is a usage error.
    const std::string text = writeText("cards.txt", "[" + jsonRecord(0) + "]");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"import", text, path("out.dat")}, {"import", json}, {"import", json, path("o"), path("p")}}) {
        const ProcessResult misuse = run(args);
        EXPECT_EQ(misuse.exitCode, 2) << args.size() << " arguments";
        EXPECT_NE(misuse.err.find("usage: cardinfo"), std::string::npos) << misuse.err;
        EXPECT_FALSE(std::filesystem::exists(path("out.dat")));
    }
    const ProcessResult unknown = run({"import", text, path("out.dat")});
    EXPECT_EQ(unknown.err.rfind("cardinfo: " + text + ": the name must end in .json or .csv", 0), 0u)
        << unknown.err;
}

// An output that is the input under another name would destroy the input:
// refused, the input kept. The in-place rewrite stays allowed.
TEST_F(CardinfoTool, OutputThatIsTheInputUnderAnotherNameIsRefused) {
    const std::string card = write("cardinfo.dat", ExampleFile);
    const std::string json = writeText("cards.json", "[" + jsonRecord(0) + "]");
    fs::create_hard_link(card, path("other.dat"));
    const std::vector<std::vector<std::string>> calls = {
        {"import", json, (folder / "." / "cards.json").string()},
        {"rewrite", card, path("other.dat")},
        {"rewrite", card, (folder / "." / "cardinfo.dat").string()},
    };
    for (const auto& args : calls) {
        const ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 1) << args[2];
        EXPECT_NE(result.err.find("is the same file as"), std::string::npos) << result.err;
    }
    EXPECT_EQ(fileBytes(card), ExampleFile);
    EXPECT_EQ(readWholeFile(json), "[" + jsonRecord(0) + "]");
    fs::remove(path("other.dat"));
    EXPECT_EQ(run({"rewrite", card}).exitCode, 0);
}

// Inputs that are no regular file fail at once with one line, never waiting
// for a writer; an input larger than any dump is refused unread.
TEST_F(CardinfoTool, InputsThatAreNoRegularFileOrTooLargeFailAtOnce) {
    std::vector<std::string> inputs = {path("sub.json")};
    fs::create_directory(inputs[0]);
#ifndef _WIN32
    inputs.push_back(path("pipe.json"));
    ASSERT_EQ(mkfifo(inputs.back().c_str(), 0644), 0);
#endif
    const std::string large = path("large.json");
    { std::ofstream out(large, std::ios::binary); }
    fs::resize_file(large, (std::uintmax_t{256} << 20) + 2);  // sparse: no disk space used
    inputs.push_back(large);
    for (const std::string& input : inputs) {
        for (const auto& args :
             std::vector<std::vector<std::string>>{{"check", input}, {"import", input, path("out.dat")}}) {
            const ProcessResult result = run(args);
            EXPECT_EQ(result.exitCode, 1) << args[0] << " " << input;
            EXPECT_EQ(lineCount(result.err), 1) << result.err;
        }
    }
    EXPECT_NE(run({"import", large, path("out.dat")}).err.find("larger than 256 MiB"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("out.dat")));
}

namespace {

// The example set in both shapes, and the example files as the source tree
// holds them.
const char* const ExampleSets[] = {"tidecallers-reach.mtgjson.json", "tidecallers-reach.scryfall.json"};

Bytes exampleBytes(const char* name) {
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    return source ? fileBytes(std::string(source) + "/examples/" + name) : Bytes();
}

}  // namespace

TEST_F(CardinfoTool, ExitCodesOfDiffMergeAndImport) {
    const std::string a = write("a.dat", cardFileBytes({{"A"}, {"B"}}));
    const std::string b = write("b.dat", cardFileBytes({{"A", "Other"}, {"C"}}));
    const std::string dumpA = writeText("a.json", run({"dump", a}).out);
    const std::string set = write("set.json", exampleBytes(ExampleSets[1]));
    const Bytes list = exampleBytes(ExampleSets[1]);
    const std::string bulk = writeText("bulk.json", bulkArrayAround(std::string(list.begin(), list.end())));
    const std::string damaged = write("damaged.dat", {0x24, 0x00});
    const std::string badDump = writeText("bad.json", "[" + jsonRecord(0, {{"name", ""}}) + "]");
    const std::string missing = path("missing.dat"), out = path("out.dat");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"diff", a, dumpA}, 0},
        {{"diff", "--json", dumpA, a}, 0},
        {{"diff", a, b}, 1},
        {{"diff", b, "--json", a}, 1},
        {{"diff", "--code", "XX", a, set}, 1},
        {{"diff", a}, 2},
        {{"diff", "--csv", a, b}, 2},
        {{"diff", "--json", "--json", a, b}, 2},
        {{"diff", "--code", a, b}, 2},           // --code takes A: one file left
        {{"diff", "--code", "XX", a, b}, 2},     // no set file
        {{"diff", a, set}, 2},                   // a set file without --code
        {{"diff", "--code", "X,Y", a, set}, 2},  // no commas in a set code
        {{"diff", a, missing}, 3},
        {{"diff", damaged, a}, 3},
        {{"diff", a, badDump}, 3},
        {{"merge", a}, 2},
        {{"merge", "--json", a, b}, 2},
        {{"merge", a, set}, 2},
        {{"merge", "--code", "XX", a, b}, 2},
        {{"merge", a, missing}, 1},
        {{"merge", missing, b}, 1},
        {{"merge", a, badDump}, 1},
        {{"merge", "--output", b, a, b}, 1},  // the output would overwrite an input
        {{"import", set, out}, 2},
        {{"import", "--code", "XX", dumpA, out}, 2},
        {{"merge", "--dry-run", a, b}, 0},
        {{"import", "--set", "tcr", bulk, out}, 2},                 // no --code
        {{"merge", "--code", "XX", "--set", "nope", a, bulk}, 1},   // no such set
        {{"merge", "--existing-only", "--code", "XX", a, set}, 2},  // editions stay
        {{"merge", "--existing-only", "--set", "tcr", a, bulk}, 2},
        {{"diff", "--existing-only", a, b}, 2},
        {{"merge", "--existing-only", a, damaged}, 1},
        {{"diff", "--code", "XX", "--set", "TCR", set, bulk}, 0},  // the list is the set
    };
    for (const Case& c : cases) {
        std::string call;
        for (const std::string& arg : c.args) call += " " + arg;
        SCOPED_TRACE(call);
        const ProcessResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode >= 2) {
            EXPECT_EQ(result.out, "");
            EXPECT_GE(lineCount(result.err), 1);
        }
        if (c.exitCode == 2) {
            EXPECT_NE(result.err.find("usage: cardinfo"), std::string::npos);
        }
    }
    EXPECT_EQ(fileBytes(a), cardFileBytes({{"A"}, {"B"}}));
    EXPECT_FALSE(fs::exists(out));
}

// The example set merged into the example database, from either source:
// the dry run shows what the merge then does, the diff shows the set's new
// cards and the reprint's new edition, and a second merge changes nothing.
TEST_F(CardinfoTool, MergeOfTheExampleSetIntoTheExampleDatabase) {
    const std::string example = write("example.dat", exampleBytes("cardinfo.dat"));
    Bytes first;
    for (const char* name : ExampleSets) {
        SCOPED_TRACE(name);
        const std::string set = write(name, exampleBytes(name));
        const std::string db = write("db.dat", exampleBytes("cardinfo.dat"));
        const ProcessResult dry = run({"merge", "--dry-run", "--code", "XX", db, set});
        ASSERT_EQ(dry.exitCode, 0) << dry.err;
        EXPECT_EQ(fileBytes(db), fileBytes(example));
        EXPECT_EQ(lineCount(dry.err), 3) << dry.err;  // two cards with characters replaced, no set list

        const ProcessResult merge = run({"merge", "--code", "XX", db, set});
        ASSERT_EQ(merge.exitCode, 0) << merge.err;
        EXPECT_EQ(merge.out, db + ": 14 cards added, 1 changed\n");
        EXPECT_EQ(merge.err, dry.err);
        const ProcessResult diff = run({"diff", example, db});
        EXPECT_EQ(diff.exitCode, 1);
        EXPECT_EQ(diff.out, dry.out);

        // Added: the set's cards as an import gives them (set_file_test checks
        // those), but the reprint.
        ASSERT_EQ(run({"import", "--code", "XX", set, path("set.dat")}).exitCode, 0);
        auto cards = nlohmann::json::parse(run({"dump", path("set.dat")}).out);
        cards.erase(13);  // Mossback Titan
        const auto changes = nlohmann::json::parse(run({"diff", "--json", example, db}).out);
        ASSERT_EQ(changes["added"].size(), 14u);
        for (std::size_t i = 0; i < cards.size(); ++i) {
            for (const char* key : {"name", "edition", "type", "cost", "pt", "text", "comment"})
                EXPECT_EQ(changes["added"][i][key], cards[i][key]) << "card " << i << ", " << key;
        }
        EXPECT_TRUE(changes["removed"].empty());
        ASSERT_EQ(changes["changed"].size(), 1u);
        EXPECT_EQ(changes["changed"][0]["name"], "Mossback Titan");
        EXPECT_EQ(changes["changed"][0]["fields"]["edition"],
                  nlohmann::json::parse(R"({"old":"Skyreach","new":"Skyreach,XX-R"})"));

        if (first.empty()) first = fileBytes(db);
        EXPECT_EQ(fileBytes(db), first) << "another database than " << ExampleSets[0] << " gives";
        const ProcessResult again = run({"merge", "--code", "XX", "--output", path("again.dat"), db, set});
        EXPECT_EQ(again.out, path("again.dat") + ": 0 cards added, 0 changed\n");
        EXPECT_EQ(fileBytes(path("again.dat")), first);
        EXPECT_EQ(run({"diff", "--code", "XX", set, db}).exitCode, 1)
            << "the set file lacks the example's cards";
    }
}

// A merge is refused whole, naming the incoming card and the field (more
// than 8192 cards, an edition too long, text a card file cannot hold); the
// database stays byte for byte as it was.
TEST_F(CardinfoTool, RefusedMergeLeavesTheDatabaseAsItWas) {
    std::vector<TestCard> many;
    for (int i = 0; i < MaxCards; ++i) many.push_back({std::to_string(i) + " card"});
    struct Case {
        Bytes db;
        std::string in;  // the name of a file written below
        const char* error;
    };
    const std::string in = writeText("new.json", "[" + jsonRecord(0, {{"name", "\"New\""}}) + "]");
    const std::string wide =
        write("wide.dat", cardFileBytes({{"B"}, {"A", "XX-RARE, YY-RARE, ZZ-RARE, WW-RARE, VV-RARE"}}));
    const std::string cjk = writeText("cjk.json", "[" + jsonRecord(0, {{"text", "\"\\u4e2d\""}}) + "]");
    const Case cases[] = {
        {encoded(*tableOf(many)), in,
         ": card 1 \"New\": more than 8192 cards, the card table has 8192 slots"},
        {cardFileBytes({{"n"}}), cjk, ": record 1, text: character 1 (U+4E2D) is not in Windows-1252"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const std::string db = write("db.dat", c.db);
        const ProcessResult result = run({"merge", db, c.in});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(lineCount(result.err), 1) << result.err;
        EXPECT_EQ(result.err.rfind("cardinfo: " + c.in + c.error, 0), 0u)
            << "expected: " << c.error << "\n     got: " << result.err;
        EXPECT_TRUE(fileBytes(db) == c.db);
        EXPECT_EQ(leftoverTempFiles(folder), std::vector<std::string>());
    }
    // An edition list with no room left is no refusal: it stays, and a line names the card.
    const std::string db = write("db.dat", cardFileBytes({{"A", std::string(90, 'e')}}));
    const ProcessResult full = run({"merge", db, wide});
    EXPECT_EQ(full.exitCode, 0) << full.err;
    EXPECT_EQ(full.err.rfind("cardinfo: " + wide + ": card 2 \"A\", edition: no room for", 0), 0u)
        << full.err;
    EXPECT_EQ(nlohmann::json::parse(run({"dump", db}).out)[0]["edition"], std::string(90, 'e'));
}

namespace {

Bytes setFixtureBytes(const char* name) {
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    return source ? fileBytes(std::string(source) + "/tests/tools/sets/" + name) : Bytes();
}

const char SetListBefore[] = "4E-Fourth Edition\r\nIA-Ice Age\r\n-C Common\r\n-R Rare\r\n";

}  // namespace

// Apprentice's layout (Expan.dat beside the sets folder, names in any case):
// a set file's merge adds the set's line to the set list and its cards to
// the card file in one command, or refuses before writing either.
TEST_F(CardinfoTool, MergeOfASetFileUpdatesApprenticesSetList) {
    const std::string withLine =
        "4E-Fourth Edition\r\nIA-Ice Age\r\nEL-Throne of Eldraine\r\n-C Common\r\n-R Rare\r\n";
    struct Row {
        const char* why;
        std::string listBefore;
        std::vector<std::string> options;
        int exitCode;
        std::string listAfter;  // empty: as before
        bool cardsChange;
        const char* err;  // a part of stderr
    };
    const std::string other = "4E-Fourth Edition\r\nEL-Eldraine\r\n-C Common\r\n";
    const Row rows[] = {
        {"one command adds the set to both files", SetListBefore, {}, 0, withLine, true, ""},
        {"the set listed under its name, in another case",
         "EL- throne of ELDRAINE \r\n-C\r\n",
         {},
         0,
         "",
         true,
         ""},
        {"the code listed under another name",
         other,
         {},
         1,
         "",
         false,
         "the code EL is listed as \"Eldraine\", not \"Throne of Eldraine\": if it is the same set, add "
         "--set-name \"Eldraine\""},
        {"--set-name gives the listed name", other, {"--set-name", "Eldraine"}, 0, "", true, ""},
        {"a dry run writes nothing", SetListBefore, {"--dry-run"}, 0, "", false, ""},
        {"a list without a legend gains the line at its end",
         "4E-Fourth Edition",
         {},
         0,
         "4E-Fourth Edition\r\nEL-Throne of Eldraine\r\n",
         true,
         ""},
        {"--output touches no set list",
         SetListBefore,
         {"--output", path("out.dat")},
         0,
         "",
         false,
         "none was updated"},
    };
    const Bytes example = exampleBytes("cardinfo.dat");
    const std::string set = write("set.json", setFixtureBytes("real-cut.mtgjson.json"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fs::remove_all(folder / "Apprentice");
        fs::create_directories(folder / "Apprentice" / "Sets");
        const std::string list = writeText("Apprentice/EXPAN.DAT", row.listBefore);
        const std::string db = write("Apprentice/Sets/CardInfo.dat", example);
        std::vector<std::string> args = {"merge", "--code", "EL", db, set};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
        EXPECT_EQ(readWholeFile(list), row.listAfter.empty() ? row.listBefore : row.listAfter);
        EXPECT_EQ(fileBytes(db) != example, row.cardsChange);
        if (row.options == std::vector<std::string>{"--dry-run"}) {
            EXPECT_NE(result.out.find("EXPAN.DAT: would gain the line \"EL-Throne of Eldraine\"\n"),
                      std::string::npos)
                << result.out;
        }
    }
    // A second run changes nothing; a code of another length is a usage error.
    fs::remove_all(folder / "Apprentice");
    fs::create_directories(folder / "Apprentice" / "sets");
    const std::string list = writeText("Apprentice/Expan.dat", SetListBefore);
    const std::string db = write("Apprentice/sets/cardinfo.dat", example);
    ASSERT_EQ(run({"merge", "--code", "EL", db, set}).exitCode, 0);
    const Bytes merged = fileBytes(db);
    const ProcessResult again = run({"merge", "--code", "EL", db, set});
    EXPECT_EQ(again.out, db + ": 0 cards added, 0 changed\n");
    EXPECT_EQ(fileBytes(db), merged);
    EXPECT_EQ(readWholeFile(list), withLine);
    for (const char* code : {"ELD", "E", "E-", "\xC3\x86L"})
        EXPECT_EQ(run({"merge", "--code", code, db, set}).exitCode, 2) << code;
    EXPECT_EQ(readWholeFile(list), withLine);
    // An import into Apprentice's layout adds the set to the set list as a merge does.
    const std::string fresh = path("Apprentice/sets/new.dat");
    ASSERT_EQ(run({"import", "--code", "EM", "--expan", list, set, fresh}).exitCode, 0);
    EXPECT_EQ(readWholeFile(list),
              "4E-Fourth Edition\r\nIA-Ice Age\r\nEL-Throne of Eldraine\r\n"
              "EM-Throne of Eldraine\r\n-C Common\r\n-R Rare\r\n");
    EXPECT_EQ(nlohmann::json::parse(run({"dump", fresh}).out)[0]["edition"], "EM-U");
    // A set that gives no card (all art cards) leaves the set list alone.
    const std::string art =
        writeText("art.json", R"({"data":{"code":"AELD","name":"Eldraine Art","cards":[)"
                              R"({"name":"Art // Art","rarity":"common","layout":"art_series"}]}})");
    const ProcessResult noCard = run({"merge", "--code", "EA", "--expan", list, db, art});
    EXPECT_EQ(noCard.exitCode, 0) << noCard.err;
    EXPECT_NE(noCard.err.find("no card to add, so the set list is left alone"), std::string::npos)
        << noCard.err;
    EXPECT_EQ(readWholeFile(list).find("EA-"), std::string::npos);
    // The card file cannot be written after the set list was: the set list is put back.
    const std::string listOnly = writeText("Apprentice/Expan.dat", SetListBefore);
    fs::permissions(db, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ProcessResult refused = run({"merge", "--code", "NE", "--set-name", "New", db, set});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Expan.dat was put back as it was"), std::string::npos) << refused.err;
    EXPECT_EQ(readWholeFile(listOnly), SetListBefore);
    EXPECT_EQ(fileBytes(db), merged);
    fs::permissions(db, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(leftoverTempFiles(folder / "Apprentice"), std::vector<std::string>());
}

// Scryfall's pages merged in one command give what the whole list gives; a
// last page that says more follow is named on stderr.
TEST_F(CardinfoTool, ScryfallPagesMergeAsTheWholeList) {
    const Bytes page1 = setFixtureBytes("real-cut.scryfall.page1.json");
    const Bytes page2 = setFixtureBytes("real-cut.scryfall.page2.json");
    auto whole = nlohmann::json::parse(page1);
    const auto second = nlohmann::json::parse(page2);
    for (const auto& card : second["data"]) whole["data"].push_back(card);
    const std::string one = write("p1.json", page1), two = write("p2.json", page2);
    const std::string all = writeText("all.json", whole.dump());
    // A database that holds one card already, with a comment of the user's.
    const Bytes db = cardFileBytes({{"Very Cryptic Command", "UN-R", "Instant", "1UUU", "", "", "mine", 2}});
    const std::string byPages = write("pages.dat", db), byList = write("list.dat", db);
    const ProcessResult pages = run({"merge", "--code", "UN", byPages, one, two});
    ASSERT_EQ(pages.exitCode, 0) << pages.err;
    ASSERT_EQ(run({"merge", "--code", "UN", byList, all}).exitCode, 0);
    EXPECT_EQ(fileBytes(byPages), fileBytes(byList));
    const auto cards = nlohmann::json::parse(run({"dump", byPages}).out);
    EXPECT_EQ(cards[0]["comment"], "mine");
    EXPECT_EQ(cards[0]["edition"], "UN-R");
    EXPECT_EQ(pages.err.find("has_more"), std::string::npos) << pages.err;
    const ProcessResult first = run({"merge", "--code", "UN", byList, one});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_NE(first.err.find(one + ": the last page says more cards follow (has_more)"), std::string::npos)
        << first.err;
}

// One set picked out of a bulk file with --set merges as that set's own file.
TEST_F(CardinfoTool, SetPickedOutOfABulkFileMergesAsItsOwnFile) {
    const std::string example = write("example.dat", exampleBytes("cardinfo.dat"));
    const Bytes mtgjson = exampleBytes(ExampleSets[0]), list = exampleBytes(ExampleSets[1]);
    ASSERT_EQ(run({"merge", "--code", "XX", "--output", path("own.dat"), example, write("set.json", mtgjson)})
                  .exitCode,
              0);
    const std::pair<std::string, std::string> bulks[] = {
        {"AllPrintings.json", allPrintingsAround(std::string(mtgjson.begin(), mtgjson.end()))},
        {"default-cards.json", bulkArrayAround(std::string(list.begin(), list.end()))},
    };
    for (const auto& [name, text] : bulks) {
        SCOPED_TRACE(name);
        const std::string bulk = writeText(name.c_str(), text);
        const ProcessResult merge =
            run({"merge", "--code", "XX", "--set", "Tcr", "--output", path("out.dat"), example, bulk});
        ASSERT_EQ(merge.exitCode, 0) << merge.err;
        EXPECT_EQ(merge.out, path("out.dat") + ": 14 cards added, 1 changed\n");
        EXPECT_TRUE(fileBytes(path("out.dat")) == fileBytes(path("own.dat")));
    }
}

// --existing-only: the cards the database has take IN's texts (Æther as
// Aether); names, comments and editions stay, a card IN lacks stays, nothing
// is added; the dry run shows what the refresh then does.
TEST_F(CardinfoTool, ExistingOnlyRefreshesTextsAndAddsNothing) {
    const std::string example = write("example.dat", exampleBytes("cardinfo.dat"));
    const std::string db = path("db.dat");
    const Bytes mtgjson = exampleBytes(ExampleSets[0]);
    ASSERT_EQ(run({"merge", "--code", "XX", "--output", db, example, write("set.json", mtgjson)}).exitCode,
              0);
    const std::string atomic =
        writeText("AtomicCards.json", atomicCardsOf(std::string(mtgjson.begin(), mtgjson.end()), " (errata)",
                                                    "\u00c6ther Skiff", "Aether Skiff"));
    const ProcessResult dry = run({"merge", "--existing-only", "--dry-run", db, atomic});
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    const ProcessResult refresh = run({"merge", "--existing-only", "--output", path("new.dat"), db, atomic});
    ASSERT_EQ(refresh.exitCode, 0) << refresh.err;
    EXPECT_EQ(refresh.out, path("new.dat") + ": 0 cards added, 15 changed\n");
    EXPECT_EQ(refresh.err,
              "cardinfo: " + atomic + ": 11 cards of " + db + " are not in it and stay as they are\n");
    EXPECT_EQ(run({"diff", db, path("new.dat")}).out, dry.out);
    const auto before = nlohmann::json::parse(run({"dump", db}).out);
    const auto after = nlohmann::json::parse(run({"dump", path("new.dat")}).out);
    ASSERT_EQ(after.size(), before.size());
    int refreshed = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(before[i]["name"].get<std::string>());
        for (const char* key : {"name", "edition", "comment", "type", "cost", "pt", "colours"})
            EXPECT_EQ(after[i][key], before[i][key]) << key;
        const std::string text = after[i]["text"];
        const bool errata = text.find(" (errata)") != std::string::npos;
        refreshed += errata;
        if (!errata) {
            EXPECT_EQ(after[i]["text"], before[i]["text"]);
        }
    }
    EXPECT_EQ(refreshed, 15);  // the set's cards, Æther Skiff among them
    // A card the database names by its front pairs with IN's card of both faces.
    const std::string front = path("front.dat");
    ASSERT_EQ(run({"import",
                   writeText("front.json", R"([{"name":"Oakhame Ranger","edition":"","type":"",)"
                                           R"("cost":"","pt":"","text":"old","comment":"","colours":0}])"),
                   front})
                  .exitCode,
              0);
    ASSERT_EQ(
        run({"merge", "--existing-only", front, write("eld.json", setFixtureBytes("real-cut.mtgjson.json"))})
            .exitCode,
        0);
    EXPECT_EQ(nlohmann::json::parse(run({"dump", front}).out)[0]["cost"], "(G/W)(G/W)(G/W)(G/W)");

    // A database of 8192 cards from a file of more cards than that.
    std::vector<TestCard> many;
    std::string cards = "[";
    for (int i = 0; i < 9000; ++i) {
        if (i < MaxCards) many.push_back({std::to_string(i) + " card"});
        cards += (i ? "," : "") +
                 std::string(R"({"object":"card","rarity":"common","oracle_text":"new","name":")") +
                 std::to_string(i) + " card\"}";
    }
    const std::string full = write("full.dat", cardFileBytes(many));
    const ProcessResult large =
        run({"merge", "--existing-only", full, writeText("oracle-cards.json", cards + "]")});
    EXPECT_EQ(large.exitCode, 0) << large.err;
    EXPECT_EQ(large.out, full + ": 0 cards added, 8192 changed\n");
}

// A Russian user's file: the locale (LC_CTYPE, here LC_ALL) or --code-page
// reads and writes its text in Windows-1251 both ways; any other number is a
// usage error.
TEST_F(CardinfoTool, DumpAndImportFollowTheLocalesCodePage) {
    struct Case {
        const char* locale;
        std::vector<std::string> options;
    } const cases[] = {
#ifndef _WIN32
        {"ru_RU.UTF-8", {}},  // on Windows the system's code page, not a variable, chooses
#endif
        {"C.UTF-8", {"--code-page", "1251"}},
    };
    const std::string file =
        write("cards.dat", cardFileBytes({{"\xC0\xE1\xE2\xE3\xE4", "", "", "", "", "\xA8\xB9"}}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        setLocale(c.locale);
        std::vector<std::string> dump = {"dump", file},
                                 import = {"import", path("cards.json"), path("back.dat")};
        dump.insert(dump.end(), c.options.begin(), c.options.end());
        import.insert(import.end(), c.options.begin(), c.options.end());
        const ProcessResult json = run(dump);
        ASSERT_EQ(json.exitCode, 0) << json.err;
        const auto cards = nlohmann::ordered_json::parse(json.out);
        EXPECT_EQ(cards[0]["name"], "\xD0\x90\xD0\xB1\xD0\xB2\xD0\xB3\xD0\xB4");  // Абвгд
        EXPECT_EQ(cards[0]["text"], "\xD0\x81\xE2\x84\x96");                      // Ё№
        writeText("cards.json", json.out);
        const ProcessResult imported = run(import);
        EXPECT_EQ(imported.exitCode, 0) << imported.err;
        EXPECT_TRUE(fileBytes(path("back.dat")) == fileBytes(file));
    }
    for (const char* page : {"437", "65001", "1251x", ""}) {
        const ProcessResult result = run({"check", "--code-page", page, file});
        EXPECT_EQ(result.exitCode, 2) << page;
        EXPECT_NE(result.err.find("usage: cardinfo"), std::string::npos) << page;
    }
    setLocale("C.UTF-8");
}
