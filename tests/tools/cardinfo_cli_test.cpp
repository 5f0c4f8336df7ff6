// The cardinfo program end to end: exit codes, what it prints and what it
// leaves on disk, run as a separate process on card files made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "card/card_file.h"
#include "platform/code_page.h"
#include "run_process.h"
#include "test_cards.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class CardinfoTool : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() /
                 ("cardinfo-" + std::string(test->name()) + "-" + std::to_string(++counter));
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
const Bytes exampleFile = {0x24, 0x00, 0x00, 0x00, 0x04, 0x00, 'T', 'y',  'p',  'e',  0x04, 0x00, 'C',  'o',
                           's',  't',  0x03, 0x00, 'P',  '/',  'T', 0x04, 0x00, 'T',  'e',  'x',  't',  0x07,
                           0x00, 'C',  'o',  'm',  'm',  'e',  'n', 't',  0x01, 0x00, 0x00, 0x00, 0x08, 0x00,
                           'N',  'e',  'w',  ' ',  'c',  'a',  'r', 'd',  0x04, 0x00, 0x00, 0x00, 0x0A, 0x07,
                           0x00, 'E',  'd',  'i',  't',  'i',  'o', 'n',  0x00, 0x00};

// The example as another program might have written it: a fourth byte set in
// every four-byte integer, a moved block offset, reserved bytes set, "^^" in
// the text, a zero byte inside the comment and two bytes after the end.
Bytes oddExample() {
    Bytes b = exampleFile;
    b[3] = 0xFF, b[39] = 0x01, b[53] = 0x80;
    b[50] = 0x10;
    b[64] = 0x01, b[65] = 0x02;
    b[24] = '^', b[25] = '^';
    b[32] = 0x00;
    b.push_back(0xAA), b.push_back(0xBB);
    return b;
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST_F(CardinfoTool, DumpShowsEveryCardInFileOrder) {
    const std::string bytes = everyByte();
    auto table = tableOf({
        {{"Beta", "", "", "", "", "", ""}, 0},
        {{bytes.substr(0, 255), bytes.substr(0, 127), bytes.substr(128), "", "", bytes, "a\r\nb"}, 0x81},
        {{"Alpha", "Ed", "Type", "2", "2/2", "x", "y"}, 0xFF},
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
            ASSERT_TRUE(utf8ToCp1252(cards[i][keys[f]].get<std::string>(), back));
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
    const ProcessResult normal = run({"check", write("normal.dat", exampleFile)});
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
    Bytes longName = exampleFile;
    longName[40] = 0x00, longName[41] = 0x01;  // a name of 256 bytes
    Bytes countHigh = exampleFile;
    countHigh[36] = 2;  // two cards announced, one stored
    const Damage damages[] = {
        {"too short for the index position", {0x24, 0x00}, 0},
        {"index position inside the header", {0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0}, 0},
        {"card count past the end", Bytes(exampleFile.begin(), exampleFile.begin() + 38), 0},
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
    Bytes normal = exampleFile;
    normal[24] = '\r', normal[25] = '\n';
    // The comment is cut at its zero byte: "Com" instead of "Comment".
    auto table = tableOf({{{"New card", "Edition", "Type", "Cost", "P/T", "T\r\nt", "Com"}, 0x0A}});
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
    Bytes damaged = exampleFile;
    damaged.resize(60);
    const std::string in = write("damaged.dat", damaged);
    const std::string out = path("out.dat");
    const ProcessResult bad = run({"rewrite", in, out});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(lineCount(bad.err), 1) << bad.err;
    EXPECT_EQ(fileBytes(in), damaged);
    EXPECT_FALSE(fs::exists(out));

    const std::string good = write("good.dat", exampleFile);
    const std::string nowhere = (folder / "no such folder" / "out.dat").string();
    const ProcessResult unwritable = run({"rewrite", good, nowhere});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(lineCount(unwritable.err), 1) << unwritable.err;
    EXPECT_EQ(fileBytes(good), exampleFile);
    EXPECT_FALSE(fs::exists(folder / "no such folder"));

    const ProcessResult missing = run({"rewrite", path("missing.dat"), out});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(fs::exists(out));
    const ProcessResult missingDump = run({"dump", path("missing.dat")});
    EXPECT_EQ(missingDump.exitCode, 1);
    EXPECT_EQ(missingDump.out, "");
}

TEST_F(CardinfoTool, UsageErrorsExitWithTwo) {
    const std::string file = write("cards.dat", exampleFile);
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
    EXPECT_EQ(fileBytes(file), exampleFile);
}
