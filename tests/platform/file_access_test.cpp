#include "platform/file_access.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

using namespace kelvo::platform;
using kelvo::test::readFile;
using kelvo::test::TempDir;
using kelvo::test::writeFile;

namespace {

struct Descriptor {
    int fd;
    explicit Descriptor(int value) : fd(value) {}
    ~Descriptor() { closeFile(fd); }
};

}

TEST(FileAccess, ModesReadTruncateAppendAndReadWrite)
{
    TempDir dir;
    const std::string path = dir.file("data.txt");
    writeFile(path, "old contents");
    {
        Descriptor truncating(openFile(path, OpenMode::WriteTruncate, Sharing::Exclusive));
        ASSERT_GE(truncating.fd, 0);
        ASSERT_EQ(::write(truncating.fd, "ab", 2), 2);
    }
    {
        Descriptor appending(openFile(path, OpenMode::Append, Sharing::Exclusive));
        ASSERT_EQ(::lseek(appending.fd, 0, SEEK_SET), 0);
        ASSERT_EQ(::write(appending.fd, "cd", 2), 2);
    }
    {
        Descriptor both(openFile(path, OpenMode::ReadWrite, Sharing::Exclusive));
        char buffer[4] {};
        ASSERT_EQ(::read(both.fd, buffer, 4), 4);
        EXPECT_EQ(std::string(buffer, 4), "abcd");
    }
    EXPECT_EQ(openFile(dir.file("missing"), OpenMode::Read, Sharing::Exclusive), -1);
    EXPECT_EQ(openFile(dir.path(), OpenMode::Read, Sharing::Exclusive), -1) << "a folder is not a file";

    Descriptor created(openFile(dir.file("new.txt"), OpenMode::ReadWrite, Sharing::Exclusive));
    struct stat st {};
    ASSERT_EQ(::fstat(created.fd, &st), 0);
    EXPECT_EQ(st.st_mode & 0666, 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }());
}

TEST(FileAccess, SharingRefusesAtOnceAndKeepsTheFile)
{
    TempDir dir;
    const std::string path = dir.file("OUT");
    writeFile(path, "keep me");

    {
        Descriptor holder(openFile(path, OpenMode::Read, Sharing::Exclusive));
        ASSERT_GE(holder.fd, 0);
        EXPECT_EQ(openFile(path, OpenMode::Read, Sharing::Exclusive), -1);
        EXPECT_EQ(openFile(path, OpenMode::Read, Sharing::OthersMayRead), -1);
        EXPECT_EQ(openFile(path, OpenMode::WriteTruncate, Sharing::Exclusive), -1);
        EXPECT_EQ(readFile(path), "keep me") << "a refused truncating open must not truncate";
        Descriptor unlocked(openFile(path, OpenMode::Read, Sharing::OthersMayReadWrite));
        EXPECT_GE(unlocked.fd, 0);
    }
    {
        Descriptor writer(openFile(path, OpenMode::Append, Sharing::OthersMayRead));
        ASSERT_GE(writer.fd, 0);
        Descriptor reader(openFile(path, OpenMode::Read, Sharing::OthersMayRead));
        EXPECT_GE(reader.fd, 0);
        EXPECT_EQ(openFile(path, OpenMode::WriteTruncate, Sharing::Exclusive), -1);
    }
    Descriptor afterwards(openFile(path, OpenMode::Read, Sharing::Exclusive));
    EXPECT_GE(afterwards.fd, 0) << "closing releases the lock";
}

TEST(FileAccess, NamesResolveAcrossCaseAndBackslashes)
{
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("Sub").c_str(), 0700), 0);
    writeFile(dir.file("Sub/konfig.txt"), "x");

    EXPECT_EQ(resolveFileName(dir.path() + "/Sub/KONFIG.TXT"), dir.path() + "/Sub/konfig.txt");
    EXPECT_EQ(resolveFileName(dir.path() + "\\Sub\\Konfig.Txt"), dir.path() + "/Sub/konfig.txt");
    EXPECT_EQ(resolveFileName(dir.path() + "/Sub/NEW.TXT"), dir.path() + "/Sub/NEW.TXT") << "new names stay as given";

    Descriptor created(openFile(dir.path() + "\\Sub\\NEW.TXT", OpenMode::WriteTruncate, Sharing::Exclusive));
    EXPECT_TRUE(kelvo::test::fileExists(dir.file("Sub/NEW.TXT")));

    EXPECT_TRUE(removeFile(dir.path() + "/Sub/KONFIG.TXT"));
    EXPECT_FALSE(kelvo::test::fileExists(dir.file("Sub/konfig.txt")));
    EXPECT_FALSE(removeFile(dir.path() + "/Sub/KONFIG.TXT"));

    ASSERT_EQ(::symlink("NEW.TXT", dir.file("Sub/link").c_str()), 0);
    EXPECT_FALSE(removeFile(dir.file("Sub/link"))) << "links are not deleted";
    EXPECT_FALSE(removeFile(dir.file("Sub"))) << "folders are not deleted";
    EXPECT_TRUE(kelvo::test::fileExists(dir.file("Sub/NEW.TXT")));
}
