// Loading and saving through the file system: a save either puts the whole
// new file in place or leaves the old file, the table and the folder exactly
// as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "card/card_codec.h"
#include "platform/win32.h"
#include "tests/support/test_cards.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A table with a "^^" pair, so that a save that wrongly touched memory shows.
std::unique_ptr<CardTable> tableToSave(int cards = 3) {
    auto table = newTable();
    for (int i = 0; i < cards; ++i) {
        std::string name = "Card " + std::to_string(i);
        putCard(*table, {name.c_str(), "Edition", "Type", "2", "1/1", "Line^^break", "Note", 0x12});
    }
    return table;
}

// Holds a file the way another program would: exclusively, until destroyed.
class ForeignLock {
  public:
    explicit ForeignLock(const std::string& path) {
#ifdef _WIN32
        handle_ = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        held_ = handle_ != INVALID_HANDLE_VALUE;
#else
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        held_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
#endif
    }
    ~ForeignLock() {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
#else
        if (fd_ >= 0) close(fd_);
#endif
    }
    bool held() const {
        return held_;
    }

  private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

// Expects that a save to `path` fails and changes nothing.
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

TEST(Save, WritesTheEncodedFileThenConvertsMemory) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
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

// Cards filling well over a megabyte, so that a save writes many pieces, with
// "^^" in fields that are written late: in a text block past the first
// pieces, and in the name and edition of the last index entry.
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
    writeFileBytes(path, oneCardFile);
    auto table = newTable();
    std::string full(TextWidth - 1, 'x');
    for (int i = 0; i < 6534; ++i) putCard(*table, {"n", "", "", "", "", full.c_str(), full.c_str(), 0});
    FileProblem problem;
    EXPECT_EQ(saveCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_EQ(readFileBytes(path), oneCardFile);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());

    // A field without its terminator far into the table, found only after
    // many pieces of the new file have gone out.
    table->slotCount = 6000;
    std::memset(table->slots[5999].pt, 'p', PtWidth);
    EXPECT_EQ(saveCardFile(path.c_str(), *table, &problem), 0);
    EXPECT_NE(std::strstr(problem.what, "slot 5999"), nullptr) << problem.what;
    EXPECT_EQ(readFileBytes(path), oneCardFile);
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
    writeFileBytes(path, oneCardFile);
    ForeignLock lock(path);
    ASSERT_TRUE(lock.held());
    expectFailedSaveChangesNothing(path, folder.path());
}

TEST(SaveFault, ReadOnlyTarget) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
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

    writeFileBytes(path, oneCardFile);
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
    Bytes cut(oneCardFile.begin(), oneCardFile.end() - 1);
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
    writeFileBytes(path, oneCardFile);
    const std::uintmax_t size = std::uintmax_t{40} << 20;  // more than any card file; sparse
    fs::resize_file(path, size);
    auto table = newTable();
    FileProblem problem;
    FileNotes notes;
    ASSERT_EQ(loadCardFile(path.c_str(), *table, &problem, &notes), 1) << problem.what;
    EXPECT_EQ(table->slotCount, 1);
    EXPECT_EQ(notes.trailingBytes, size - oneCardFile.size());
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

#ifndef _WIN32

TEST(Save, ReplacedFileKeepsItsPermissionBits) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    auto table = tableToSave();
    ASSERT_EQ(saveCardFile(path.c_str(), *table, nullptr), 1);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(SaveFault, FileSizeLimit) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
    // SIGXFSZ keeps its default action: a write past the limit must fail,
    // not end the process.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    expectFailedSaveChangesNothing(path, folder.path());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
}

TEST(SaveFault, WriteFailsAfterTheFirstPieces) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
    auto table = largeTableToSave();
    auto before = newTable();
    std::memcpy(before.get(), table.get(), sizeof(CardTable));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 700000;  // a few pieces fit, the rest does not
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileProblem problem;
    const int saved = saveCardFile(path.c_str(), *table, &problem);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_EQ(saved, 0);
    EXPECT_GT(problem.offset, 0u) << problem.what;
    EXPECT_TRUE(sameTable(*table, *before)) << "no \"^^\" converted, no offset recorded";
    EXPECT_EQ(readFileBytes(path), oneCardFile);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());
}

// A small file system mounted for one test, when the test may mount.
class SmallMount {
  public:
    SmallMount(const fs::path& where, const char* options) : where_(where) {
        fs::create_directories(where);
        mounted_ = mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallMount() {
        if (mounted_) umount2(where_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() {
        return mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

  private:
    fs::path where_;
    bool mounted_ = false;
};

TEST(SaveFault, FullDisk) {
    ScratchFolder folder;
    SmallMount disk(folder.path() / "disk", "size=64k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs mount rights)";
    std::string path = (folder.path() / "disk" / "cardinfo.dat").string();
    writeFileBytes(path, oneCardFile);
    // 40 cards of about 60 bytes fit, so fill the rest of the space first.
    Bytes filler(60 * 1024, 0xAA);
    writeFileBytes(folder.path() / "disk" / "filler", filler);
    expectFailedSaveChangesNothing(path, folder.path() / "disk");
}

TEST(SaveFault, ReadOnlyFileSystem) {
    ScratchFolder folder;
    SmallMount disk(folder.path() / "ro", "size=64k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs mount rights)";
    std::string path = (folder.path() / "ro" / "cardinfo.dat").string();
    writeFileBytes(path, oneCardFile);
    ASSERT_TRUE(disk.makeReadOnly());
    expectFailedSaveChangesNothing(path, folder.path() / "ro");
}

#endif

// ---- Whatever kind of file a path names ------------------------------------

// A path to save to, built in a scratch folder, and where the cards must land.
struct Situation {
    const char* what;
    std::function<void(const fs::path& folder, fs::path& path, fs::path& real)> build;
    bool saved;  // true: the cards land in `real`; false: refused, nothing changes
};

void oldFileAt(const fs::path& place) {
    fs::create_directories(place.parent_path());
    writeFileBytes(place, oneCardFile);
}

const char* const deviceName =
#ifdef _WIN32
    "NUL";
#else
    "/dev/null";
#endif

const Situation situations[] = {
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
    {"a device", [](const fs::path&, fs::path& path, fs::path& real) { path = real = deviceName; }, false},
#ifndef _WIN32
    {"a link to the file in another folder",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         oldFileAt(real = f / "game" / "cardinfo.dat");
         fs::create_symlink(real, path = f / "cardinfo.dat");
     },
     true},
    {"a chain of relative links",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         oldFileAt(real = f / "game" / "sets" / "cardinfo.dat");
         fs::create_symlink("sets/cardinfo.dat", f / "game" / "hop.dat");
         fs::create_symlink("game/hop.dat", path = f / "cardinfo.dat");
     },
     true},
    {"a link to a missing file in an existing folder",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         fs::create_directory(f / "game");
         fs::create_symlink(real = f / "game" / "cardinfo.dat", path = f / "cardinfo.dat");
     },
     true},
    {"a link into a missing folder",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         fs::create_symlink(real = f / "gone" / "cardinfo.dat", path = f / "cardinfo.dat");
     },
     false},
    {"a loop of links",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         fs::create_symlink("b.dat", path = real = f / "a.dat");
         fs::create_symlink("a.dat", f / "b.dat");
     },
     false},
    {"a FIFO",
     [](const fs::path& f, fs::path& path, fs::path& real) {
         ASSERT_EQ(mkfifo((path = real = f / "p.dat").c_str(), 0644), 0);
     },
     false},
#endif
};

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
    for (const Situation& situation : situations) {
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
    std::vector<std::string> paths = {folder.path().string(), deviceName};
#ifndef _WIN32
    paths.push_back(folder.file("p.dat"));
    ASSERT_EQ(mkfifo(paths.back().c_str(), 0644), 0);  // no writer: a blocking open would wait for ever
#endif
    for (const std::string& path : paths) {
        auto table = newTable();
        FileProblem problem;
        EXPECT_EQ(loadCardFile(path.c_str(), *table, &problem), 0) << path;
        EXPECT_EQ(table->slotCount, 0);
    }
}

#ifdef _WIN32
TEST(SaveTarget, ReplacementKeepsTheFileAttributes) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), kept));
    auto table = tableToSave();
    FileProblem problem;
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & kept, kept);
    EXPECT_NE(readFileBytes(path), oneCardFile);
}
#else
TEST(SaveTarget, TemporaryFileIsPrivateUntilItTakesTheOldPlace) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, oneCardFile);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    mode_t seen = 0;
    std::string seenName;
    {
        // While another program holds the file, the save waits with its
        // finished temporary file beside it.
        std::optional<ForeignLock> lock(path);
        ASSERT_TRUE(lock->held());
        auto table = tableToSave();
        int saved = -1;
        std::thread save([&] { saved = saveCardFile(path.c_str(), *table, nullptr); });
        for (int i = 0; i < 200 && seenName.empty(); ++i) {
            for (const std::string& name : leftoverTempFiles(folder.path())) {
                struct stat info;
                if (stat(folder.file(name.c_str()).c_str(), &info) == 0)
                    seen = info.st_mode & 07777, seenName = name;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        lock.reset();
        save.join();
        EXPECT_EQ(saved, 1);
    }
    EXPECT_EQ(seenName.rfind(".cardinfo.dat.", 0), 0u) << seenName;
    EXPECT_EQ(seen, 0600u);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());
}

// Runs a save as another user (nobody) in a child process; its result.
int saveAsNobody(const std::string& path) {
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
        auto table = tableToSave();
        _exit(saveCardFile(path.c_str(), *table, nullptr));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST(SaveTarget, OwnerGroupAndModeAreKeptOrTheSaveIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make files of other users";
    ScratchFolder folder;
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);  // anyone may make files here
    struct Case {
        const char* what;
        uid_t owner;
        mode_t mode;
        bool asNobody;
        int saved;
    } cases[] = {
        {"another user's file, saved by root", 65534, 0640, false, 1},
        {"root's file that nobody may not write", 0, 0644, true, 0},
        {"root's file that nobody may write but not own", 0, 0666, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = folder.file("cardinfo.dat");
        writeFileBytes(path, oneCardFile);
        ASSERT_EQ(chown(path.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        auto table = tableToSave();
        EXPECT_EQ(c.asNobody ? saveAsNobody(path) : saveCardFile(path.c_str(), *table, nullptr), c.saved);
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, c.owner);
        EXPECT_EQ(info.st_gid, c.owner);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        EXPECT_EQ(readFileBytes(path) == oneCardFile, c.saved == 0);
        EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());
        fs::remove(path);
    }
}
#endif

}  // namespace
