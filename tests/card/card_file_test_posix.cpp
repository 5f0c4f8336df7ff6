// Loading and saving where a file system has POSIX owners, permissions,
// limits, mounts, links and FIFOs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/card/card_file_support.h"

namespace fs = std::filesystem;

ForeignLock::ForeignLock(const std::string& path) : handle_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    held_ = handle_ >= 0 && flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0;
}

ForeignLock::~ForeignLock() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

const char* const DeviceName = "/dev/null";

std::vector<Situation> platformSituations() {
    return {
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
    };
}

std::vector<std::string> platformNonRegularFiles(const fs::path& folder) {
    const std::string fifo = (folder / "p.dat").string();
    EXPECT_EQ(mkfifo(fifo.c_str(), 0644), 0);  // no writer: a blocking open would wait for ever
    return {fifo};
}

namespace {

TEST(Save, ReplacedFileKeepsItsPermissionBits) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
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
    writeFileBytes(path, OneCardFile);
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
    writeFileBytes(path, OneCardFile);
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
    EXPECT_EQ(readFileBytes(path), OneCardFile);
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
    writeFileBytes(path, OneCardFile);
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
    writeFileBytes(path, OneCardFile);
    ASSERT_TRUE(disk.makeReadOnly());
    expectFailedSaveChangesNothing(path, folder.path() / "ro");
}

TEST(SaveTarget, TemporaryFileIsPrivateUntilItTakesTheOldPlace) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
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
        writeFileBytes(path, OneCardFile);
        ASSERT_EQ(chown(path.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        auto table = tableToSave();
        EXPECT_EQ(c.asNobody ? saveAsNobody(path) : saveCardFile(path.c_str(), *table, nullptr), c.saved);
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, c.owner);
        EXPECT_EQ(info.st_gid, c.owner);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        EXPECT_EQ(readFileBytes(path) == OneCardFile, c.saved == 0);
        EXPECT_TRUE(leftoverTempFiles(folder.path()).empty());
        fs::remove(path);
    }
}

}  // namespace
