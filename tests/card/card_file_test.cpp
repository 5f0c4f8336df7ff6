// Loading and saving through the file system: a save either puts the whole
// new file in place or leaves the old file, the table and the folder exactly
// as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "card/card_codec.h"
#include "tests/card/card_file_support.h"

namespace fs = std::filesystem;

std::unique_ptr<CardTable> tableToSave(int cards) {
    auto table = newTable();
    for (int i = 0; i < cards; ++i) {
        std::string name = "Card " + std::to_string(i);
        putCard(*table, {name.c_str(), "Edition", "Type", "2", "1/1", "Line^^break", "Note", 0x12});
    }
    return table;
}

void expectFailedSaveChangesNothing(const std::string& path, const fs::path& folder) {
    auto table = tableToSave(40);
    auto before = newTable();
    std::memcpy(before.get(), table.get(), sizeof(CardTable));
    bool existed = fs::exists(path);
    Bytes oldBytes = existed ? readFileBytes(path) : Bytes{};

    FileProblem problem;
    EXPECT_EQ(saveCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_NE(problem.what[0], '\0');
    EXPECT_TRUE(sameTable(*table, *before));
    EXPECT_EQ(fs::exists(path), existed);
    if (existed) {
        EXPECT_EQ(readFileBytes(path), oldBytes);
    }
    if (fs::exists(folder)) {
        EXPECT_TRUE(leftoverTempFiles(folder).empty());
    }
}

std::unique_ptr<CardTable> largeTableToSave() {
    auto table = newTable();
    const std::string text(TextWidth - 1, 't'), comment(CommentWidth - 1, 'c');
    for (int i = 0; i < 600; ++i) {
        std::string name = "Card " + std::to_string(i);
        putCard(*table,
                {name.c_str(), "Edition", "Type", "2", "1/1", text.c_str(), comment.c_str(), i & 0xFF});
    }
    std::memcpy(table->slots[450].comment + 700, "^^^", 3);
    std::memcpy(table->slots[599].name, "Last^^", 7);
    std::memcpy(table->slots[599].edition, "^^", 3);
    table->slots[300].active = 0;
    return table;
}

void oldFileAt(const fs::path& place) {
    fs::create_directories(place.parent_path());
    writeFileBytes(place, OneCardFile);
}

namespace {

TEST(Save, WritesTheEncodedFileThenConvertsMemory) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    auto table = tableToSave();
    Bytes expected;
    auto copy = newTable();
    std::memcpy(copy.get(), table.get(), sizeof(CardTable));
    ASSERT_EQ(encodeCards(*copy, expected, nullptr), 1);

    FileProblem problem;
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_EQ(readFileBytes(path), expected);
    EXPECT_STREQ(table->slots[2].text, "Line\r\nbreak");
    EXPECT_EQ(table->slots[2].blockOffset, copy->slots[2].blockOffset);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());

    // A second save without edits writes the same file.
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1);
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(Save, LargeTableGoesOutInPiecesAndMemoryFollows) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    auto table = largeTableToSave();
    auto copy = newTable();
    std::memcpy(copy.get(), table.get(), sizeof(CardTable));
    Bytes expected;
    ASSERT_EQ(encodeCards(*copy, expected, nullptr), 1);
    ASSERT_GT(expected.size(), 1500000u);

    FileProblem problem;
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_TRUE(readFileBytes(path) == expected);
    convertLineBreaks(*copy);
    EXPECT_TRUE(sameTable(*table, *copy)) << "memory as a save leaves it: offsets recorded, \"^^\" converted";
    EXPECT_STREQ(table->slots[599].name, "Last\r\n");
    EXPECT_EQ(std::string(table->slots[450].comment + 700, 3), "\r\n^");
    EXPECT_STREQ(table->slots[300].name, "Card 300") << "a deleted card is left alone";

    auto loaded = newTable();
    ASSERT_EQ(loadCardFile(path.c_str(), *loaded, &problem), 1) << problem.what;
    ASSERT_EQ(loaded->slotCount, 599);
    EXPECT_STREQ(loaded->slots[598].edition, "\r\n");
}

TEST(Save, CreatesAMissingFileAndLoadsItBack) {
    ScratchFolder folder;
    std::string path = folder.file("new.dat");
    auto table = tableToSave(5);
    table->slots[1].active = 0;
    ASSERT_EQ(saveCardFile(path.c_str(), *table, nullptr), 1);

    auto loaded = newTable();
    FileProblem problem;
    ASSERT_EQ(loadCardFile(path.c_str(), *loaded, &problem), 1) << problem.what;
    EXPECT_EQ(loaded->slotCount, 4);
    EXPECT_STREQ(loaded->slots[1].name, "Card 2");
    EXPECT_STREQ(loaded->slots[1].text, "Line\r\nbreak");
}

TEST(Save, RefusesOverLimitTableAndLeavesNothingBehind) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    auto table = newTable();
    std::string full(TextWidth - 1, 'x');
    for (int i = 0; i < 6534; ++i) putCard(*table, {"n", "", "", "", "", full.c_str(), full.c_str(), 0});
    FileProblem problem;
    EXPECT_EQ(saveCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_EQ(readFileBytes(path), OneCardFile);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());

    // A field without its terminator far into the table, found only after
    // many pieces of the new file have gone out.
    table->slotCount = 6000;
    std::memset(table->slots[5999].pt, 'p', PtWidth);
    EXPECT_EQ(saveCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_NE(std::strstr(problem.what, "slot 5999"), nullptr) << problem.what;
    EXPECT_EQ(readFileBytes(path), OneCardFile);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());
}

TEST(SaveFault, MissingFolder) {
    ScratchFolder folder;
    expectFailedSaveChangesNothing((folder.path() / "missing" / "cardinfo.dat").string(), folder.path());
    EXPECT_FALSE(fs::exists(folder.path() / "missing"));
}

TEST(SaveFault, TargetHeldByAnotherProgram) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    ForeignLock lock(path);
    ASSERT_TRUE(lock.held());
    expectFailedSaveChangesNothing(path, folder.path());
}

TEST(SaveFault, ReadOnlyTarget) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    expectFailedSaveChangesNothing(path, folder.path());
}

TEST(Load, MissingFileAndLockedFileLeaveTheTableAlone) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    auto table = tableToSave();
    auto before = newTable();
    std::memcpy(before.get(), table.get(), sizeof(CardTable));
    FileProblem problem;
    EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_TRUE(sameTable(*table, *before));

    writeFileBytes(path, OneCardFile);
    {
        ForeignLock lock(path);
        ASSERT_TRUE(lock.held());
        EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 0);
        EXPECT_TRUE(sameTable(*table, *before));
    }
    EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 1);
    EXPECT_EQ(table->slotCount, 1);
}

TEST(Load, DamagedFileIsRefused) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    Bytes cut(OneCardFile.begin(), OneCardFile.end() - 1);
    writeFileBytes(path, cut);
    auto table = newTable();
    FileProblem problem;
    EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_EQ(problem.offset, 64u);
    EXPECT_EQ(table->slotCount, 0);
}

// A file of 600 cards whose text blocks and index entries each span several
// of the pieces the loader reads at a time.
Bytes largeFile() {
    auto table = newTable();
    for (int i = 0; i < 600; ++i) {
        const std::string name = "Card " + std::to_string(i) + std::string(200, 'n');
        const std::string text = std::string(1000, static_cast<char>('a' + i % 26));
        putCard(*table, {name, "Edition", "Type", "3", "2/2", text, "Note", i & 0xFF});
    }
    Bytes image;
    FileProblem problem;
    EXPECT_EQ(encodeCards(*table, image, &problem), 1);
    return image;
}

// The loader's walk over an image in memory instead of a file.
int decodeInMemory(const Bytes& image, CardTable& table, FileProblem* problem) {
    const ImageSource memory = [&](std::size_t offset, std::uint8_t* into, std::size_t count,
                                   FileProblem* failure) {
        if (offset > image.size() || count > image.size() - offset) {
            setProblem(failure, offset, "read past the image");
            return 0;
        }
        std::memcpy(into, image.data() + offset, count);
        return 1;
    };
    return decodeCardSource(image.size(), memory, table, problem, nullptr);
}

void putWordAt(Bytes& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Reading the file piece by piece decides as decoding it whole in memory: the
// same cards, or the same refusal with the table exactly as it was (empty, or
// holding fewer or more cards than the file).
TEST(Load, FileReadInPiecesMatchesTheImageInMemory) {
    const Bytes sound = largeFile();
    const std::size_t indexPosition = sound[0] | (sound[1] << 8) | (sound[2] << 16);
    const std::size_t lastComment = indexPosition - 2 - 4;  // the last card's comment is "Note"
    struct Row {
        const char* what;
        Bytes bytes;
    };
    std::vector<Row> rows = {{"sound", sound}};
    rows.push_back({"cut inside the last index entry", Bytes(sound.begin(), sound.end() - 1)});
    rows.push_back({"the last comment runs past the index position", sound});
    putWordAt(rows.back().bytes, lastComment, 5);
    rows.push_back({"a name in the middle of the index too long", sound});
    std::size_t entry300 = indexPosition + 4;
    for (int i = 0; i < 300; ++i) entry300 += 11 + std::to_string(i).size() + 205 + 7;
    putWordAt(rows.back().bytes, entry300, 300);
    rows.push_back({"one card more than the entries hold", sound});
    rows.back().bytes[indexPosition] = static_cast<std::uint8_t>(601 & 0xFF);
    rows.back().bytes[indexPosition + 1] = static_cast<std::uint8_t>(601 >> 8);
    rows.push_back({"bytes after the index", sound});
    rows.back().bytes.insert(rows.back().bytes.end(), 300000, 0x55);

    ScratchFolder folder;
    const std::string path = folder.file("cardinfo.dat");
    auto none = newTable();
    auto few = tableToSave(3);
    auto many = newTable();
    for (int i = 0; i < 700; ++i) putCard(*many, {"Held", "", "", "", "", "", "", 0});
    for (const Row& row : rows) {
        writeFileBytes(path, row.bytes);
        for (const CardTable* before : {none.get(), few.get(), many.get()}) {
            SCOPED_TRACE(std::string(row.what) + " over " + std::to_string(before->slotCount) + " cards");
            auto inMemory = newTable();
            auto fromFile = newTable();
            std::memcpy(inMemory.get(), before, sizeof(CardTable));
            std::memcpy(fromFile.get(), before, sizeof(CardTable));
            FileProblem memoryProblem, fileProblem;
            const int decoded = decodeInMemory(row.bytes, *inMemory, &memoryProblem);
            EXPECT_EQ(loadCardFile(path.c_str(), *fromFile, &fileProblem), decoded);
            EXPECT_TRUE(sameTable(*fromFile, *inMemory));
            if (decoded) {
                EXPECT_EQ(fromFile->slotCount, 600);
                EXPECT_EQ(fromFile->slots[600].active, 0);
            } else {
                EXPECT_TRUE(sameTable(*fromFile, *before));
                EXPECT_EQ(fileProblem.offset, memoryProblem.offset);
                EXPECT_STREQ(fileProblem.what, memoryProblem.what);
            }
        }
    }
}

// However long the tail after the index, the loader reads only the card file
// and counts the rest.
TEST(Load, BytesAfterTheIndexAreCountedHoweverMany) {
    ScratchFolder folder;
    const std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    const std::uintmax_t size = std::uintmax_t{40} << 20;  // more than any card file; sparse
    fs::resize_file(path, size);
    auto table = newTable();
    FileProblem problem;
    FileNotes notes;
    ASSERT_EQ(loadCardFile(path.c_str(), *table, &problem, &notes), 1) << problem.what;
    EXPECT_EQ(table->slotCount, 1);
    EXPECT_EQ(notes.trailingBytes, size - OneCardFile.size());
}

TEST(Load, ExampleDatabaseLoadsAndSavesUnchanged) {
    const char* source = std::getenv("CARDLOOM_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "CARDLOOM_SOURCE_DIR is not set";
    fs::path example = fs::path(source) / "examples" / "cardinfo.dat";
    if (!fs::exists(example)) GTEST_SKIP() << "no example database";
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    fs::copy_file(example, path);
    auto table = newTable();
    FileProblem problem;
    ASSERT_EQ(loadCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_GE(table->slotCount, 10);
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_EQ(readFileBytes(path), readFileBytes(example));
}

// ---- Whatever kind of file a path names ------------------------------------

// Whatever the platform, a second name, a folder and a device are refused.
std::vector<Situation> situations() {
    std::vector<Situation> all = {
        {"a second name (hard link)",
         [](const fs::path& f, fs::path& path, fs::path& real) {
             oldFileAt(real = f / "cardinfo.dat");
             fs::create_hard_link(real, path = f / "other.dat");
         },
         false},
        {"a folder",
         [](const fs::path& f, fs::path& path, fs::path& real) {
             fs::create_directory(path = real = f / "d.dat");
         },
         false},
        {"a device", [](const fs::path&, fs::path& path, fs::path& real) { path = real = DeviceName; },
         false},
    };
    for (Situation& situation : platformSituations()) all.push_back(std::move(situation));
    return all;
}

// What a path is, without following it, and the bytes of a regular file.
std::string kindAndBytes(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    std::string kind = std::to_string(static_cast<int>(status.type()));
    if (status.type() == fs::file_type::regular) {
        Bytes bytes = readFileBytes(path);
        kind.append(bytes.begin(), bytes.end());
    }
    return kind;
}

TEST(SaveTarget, LandsInTheRealFileOrChangesNothing) {
    for (const Situation& situation : situations()) {
        SCOPED_TRACE(situation.what);
        ScratchFolder folder;
        fs::path path, real;
        situation.build(folder.path(), path, real);
        const std::string pathBefore = kindAndBytes(path), realBefore = kindAndBytes(real);
        auto table = tableToSave();
        Bytes expected;
        auto copy = newTable();
        std::memcpy(copy.get(), table.get(), sizeof(CardTable));
        ASSERT_EQ(encodeCards(*copy, expected, nullptr), 1);

        FileProblem problem;
        EXPECT_EQ(saveCardFile(path.string().c_str(), *table, &problem), situation.saved ? 1 : 0)
            << problem.what;
        if (situation.saved) {
            EXPECT_EQ(readFileBytes(real), expected);
            if (path != real) {
                EXPECT_TRUE(fs::is_symlink(path)) << "the link stays a link";
            }
        } else {
            EXPECT_NE(problem.what[0], '\0');
            EXPECT_EQ(kindAndBytes(path), pathBefore);
            EXPECT_EQ(kindAndBytes(real), realBefore);
            EXPECT_FALSE(fs::exists(folder.path() / "gone"));
        }
        for (const auto& item : fs::recursive_directory_iterator(folder.path()))
            EXPECT_NE(item.path().filename().string()[0], '.') << "left behind: " << item.path();
    }
}

TEST(Load, RefusesAnythingButARegularFileAtOnce) {
    ScratchFolder folder;
    std::vector<std::string> paths = {folder.path().string(), DeviceName};
    for (const std::string& path : platformNonRegularFiles(folder.path())) paths.push_back(path);
    for (const std::string& path : paths) {
        auto table = newTable();
        FileProblem problem;
        EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 0) << path;
        EXPECT_EQ(table->slotCount, 0);
    }
}

}  // namespace
