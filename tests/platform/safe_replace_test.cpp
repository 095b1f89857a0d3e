#include "platform/safe_replace.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_access.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::platform;
using kelvo::test::readFile;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

const std::string kOld = "the old report, which a failed save must keep\r\n";
const std::string kNew(10000, 'n');
const std::span<const unsigned char> kNewBytes(reinterpret_cast<const unsigned char*>(kNew.data()), kNew.size());

// A disk that takes a few bytes at a time and then is full.
Writer fillsUpAfter(std::size_t bytes)
{
    return [left = bytes](int fd, const void* data, std::size_t size) mutable -> ssize_t {
        if (left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t n = ::write(fd, data, std::min<std::size_t>({size, left, 7}));
        left -= static_cast<std::size_t>(n);
        return n;
    };
}

}

TEST(SafeReplace, ReplacesWholeThroughShortWritesAndKeepsTheFilesPermissions)
{
    TempDir dir;
    const std::string path = dir.file("report.txt");
    writeFile(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(replaceFile(path, kNewBytes, FileAccess::AsBefore, fillsUpAfter(kNew.size())), 0);
    EXPECT_EQ(readFile(path), kNew) << "every short write was written on";
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> {"report.txt"}) << "no temporary file left";

    const std::string fresh = dir.file("new.txt");
    const mode_t mask = ::umask(022);
    EXPECT_EQ(replaceFile(fresh, std::string_view("x"), FileAccess::AsBefore), 0);
    EXPECT_EQ(replaceFile(dir.file("private"), std::string_view("x"), FileAccess::OwnerOnly), 0);
    ::umask(mask);
    EXPECT_EQ(modeOf(fresh), 0644u) << "as any new file";
    EXPECT_EQ(modeOf(dir.file("private")), 0600u);
}

TEST(SafeReplace, AFailedWriteLeavesTheOldFileByteForByteAndSaysWhy)
{
    TempDir dir;
    const std::string path = dir.file("report.txt");
    writeFile(path, kOld);
    EXPECT_EQ(replaceFile(path, kNewBytes, FileAccess::AsBefore, fillsUpAfter(kNew.size() / 2)), ENOSPC);
    EXPECT_EQ(readFile(path), kOld);
    const Writer failing = [](int, const void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(replaceFile(path, kNewBytes, FileAccess::AsBefore, failing), EIO);
    EXPECT_EQ(readFile(path), kOld);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> {"report.txt"}) << "the temporary file is removed";

    EXPECT_EQ(replaceFile(dir.file("none/report.txt"), kNew, FileAccess::AsBefore), ENOENT);
    EXPECT_EQ(replaceFile(dir.path(), kNew, FileAccess::AsBefore), EISDIR);
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(replaceFile(fifo, kNew, FileAccess::AsBefore), EINVAL) << "a FIFO is neither written into nor replaced";
    EXPECT_EQ(copyFile(fifo, path), EINVAL) << "nor copied from, without waiting for a writer";
    EXPECT_EQ(readFile(path), kOld);
}

TEST(SafeReplace, KilledBetweenTheWriteAndTheRenameTheOldFileStays)
{
    TempDir dir;
    const std::string path = dir.file("report.txt");
    writeFile(path, kOld);
    const pid_t child = ::fork();
    if (child == 0) {
        // Dies right after the last byte went out, before the file could take the target's place.
        std::size_t left = kNew.size();
        const Writer dying = [&left](int fd, const void* data, std::size_t size) -> ssize_t {
            const ssize_t n = ::write(fd, data, size);
            left -= static_cast<std::size_t>(std::max<ssize_t>(n, 0));
            if (left == 0)
                ::raise(SIGKILL);
            return n;
        };
        replaceFile(path, kNewBytes, FileAccess::AsBefore, dying);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child died where the test put it";
    EXPECT_EQ(readFile(path), kOld);
}

TEST(SafeReplace, AnotherUsersLinkInASharedFolderIsRefusedAndTheUsersOwnIsFollowed)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to plant links as the user 'nobody'";
    TempDir dir;
    const std::string shared = kelvo::test::sharedFolderIn(dir.path(), "tmp");
    const std::string victim = dir.file("victim");
    writeFile(victim, "keep me");
    ASSERT_TRUE(kelvo::test::runAsNobody("ln -s " + victim + " " + shared + "/report.txt"));
    EXPECT_EQ(replaceFile(shared + "/report.txt", kNew, FileAccess::AsBefore), ELOOP);
    EXPECT_EQ(readFile(victim), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(shared + "/report.txt")) << "the link is left as it was";

    const std::string mine = dir.file("mine.txt");
    ASSERT_EQ(::symlink(victim.c_str(), mine.c_str()), 0);
    EXPECT_EQ(replaceFile(mine, kNew, FileAccess::AsBefore), 0);
    EXPECT_EQ(readFile(victim), kNew) << "the file the user's link names is replaced";
    EXPECT_TRUE(std::filesystem::is_symlink(mine)) << "and the link still names it";
}

TEST(SafeReplace, ReadingARegularFileIsBoundedAndNeverWaits)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readRegularFile(fifo, 100).error, EINVAL);
    EXPECT_EQ(readRegularFile(dir.path(), 100).error, EISDIR);
    EXPECT_EQ(readRegularFile("/dev/zero", 100).error, EINVAL);
    const std::string big = dir.file("big");
    writeFile(big, std::string(101, 'b'));
    EXPECT_EQ(readRegularFile(big, 100).error, EFBIG);
    const FileContent read = readRegularFile(big, 101);
    EXPECT_EQ(read.error, 0);
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), std::string(101, 'b'));
}
