#include "platform/file_access.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/other_user.h"
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
        EXPECT_EQ(openFile(path, OpenMode::Read, Sharing::OthersMayReadWrite), -1)
            << "a file held exclusively refuses even an open that shares everything";
    }
    {
        Descriptor writer(openFile(path, OpenMode::Append, Sharing::OthersMayRead));
        ASSERT_GE(writer.fd, 0);
        Descriptor reader(openFile(path, OpenMode::Read, Sharing::OthersMayRead));
        EXPECT_GE(reader.fd, 0);
        Descriptor sharing(openFile(path, OpenMode::ReadWrite, Sharing::OthersMayReadWrite));
        EXPECT_GE(sharing.fd, 0);
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

TEST(FileAccess, OnlyRegularFilesAreReadAndNoOpenWaits)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (OpenMode mode : {OpenMode::Read, OpenMode::WriteTruncate, OpenMode::Append, OpenMode::ReadWrite})
        EXPECT_EQ(openFile(fifo, mode, Sharing::Exclusive), -1) << "a FIFO is refused at once, mode "
                                                                  << static_cast<int>(mode);
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0700), 0);
    EXPECT_EQ(openFile(dir.file("folder"), OpenMode::Read, Sharing::Exclusive), -1);
    EXPECT_EQ(openFile("/dev/zero", OpenMode::Read, Sharing::Exclusive), -1) << "a device is not read";
    EXPECT_EQ(openFile("/dev/null", OpenMode::ReadWrite, Sharing::Exclusive), -1);

    Descriptor null(openFile("/dev/null", OpenMode::WriteTruncate, Sharing::Exclusive));
    EXPECT_GE(null.fd, 0) << "an output given as a device on purpose still works";
    EXPECT_EQ(::write(null.fd, "x", 1), 1);
    Descriptor regular(openFile(dir.file("new"), OpenMode::ReadWrite, Sharing::Exclusive));
    ASSERT_GE(regular.fd, 0);
    EXPECT_EQ(::fcntl(regular.fd, F_GETFL) & O_NONBLOCK, 0) << "the descriptor is left blocking";
}

TEST(FileAccess, LinksAndHardLinksNameTheSameFile)
{
    TempDir dir;
    writeFile(dir.file("ECRTBUF.TXT"), "cache");
    ASSERT_EQ(::symlink("ECRTBUF.TXT", dir.file("soft").c_str()), 0);
    ASSERT_EQ(::link(dir.file("ECRTBUF.TXT").c_str(), dir.file("hard").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("KOMENT.TXT").c_str(), dir.file("dangling").c_str()), 0);
    writeFile(dir.file("other"), "cache");

    EXPECT_TRUE(sameFile(dir.file("soft"), dir.file("ECRTBUF.TXT")));
    EXPECT_TRUE(sameFile(dir.file("hard"), dir.file("ecrtbuf.txt"))) << "the driver's names are matched without case";
    EXPECT_TRUE(sameFile(dir.file("dangling"), dir.file("KOMENT.TXT"))) << "a link to a file not yet there";
    EXPECT_FALSE(sameFile(dir.file("other"), dir.file("ECRTBUF.TXT")));
    EXPECT_FALSE(sameFile(dir.file("new"), dir.file("KOMENT.TXT")));
}

TEST(FileAccess, AnotherUsersLinkInASharedFolderIsNotFollowedForWriting)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to plant links as the user 'nobody'";
    TempDir dir;
    const std::string shared = kelvo::test::sharedFolderIn(dir.path(), "tmp");
    const std::string victim = dir.file("victim");
    writeFile(victim, "keep me");
    ASSERT_TRUE(kelvo::test::runAsNobody("ln -s " + victim + " " + shared + "/RAPORT.TXT && ln -s " + victim + " "
        + shared + "/IN1 && ln -s " + dir.file("created") + " " + shared + "/NEW"));

    EXPECT_EQ(openFile(shared + "/RAPORT.TXT", OpenMode::WriteTruncate, Sharing::Exclusive), -1);
    EXPECT_EQ(openFile(shared + "/in1", OpenMode::Append, Sharing::Exclusive), -1) << "found without regard to case";
    EXPECT_EQ(openFile(shared + "/IN1", OpenMode::ReadWrite, Sharing::Exclusive), -1);
    EXPECT_EQ(openFile(shared + "/NEW", OpenMode::WriteTruncate, Sharing::Exclusive), -1);
    EXPECT_EQ(readFile(victim), "keep me");
    EXPECT_FALSE(kelvo::test::fileExists(dir.file("created")));
    {
        Descriptor reading(openFile(shared + "/IN1", OpenMode::Read, Sharing::Exclusive));
        EXPECT_GE(reading.fd, 0) << "reading through the link writes nothing";
    }

    ASSERT_EQ(::symlink(victim.c_str(), (shared + "/MINE").c_str()), 0);
    {
        Descriptor own(openFile(shared + "/MINE", OpenMode::Append, Sharing::Exclusive));
        EXPECT_GE(own.fd, 0) << "a link of the user's own is followed";
    }
    const std::string plain = dir.file("plain");
    ASSERT_EQ(::mkdir(plain.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(victim.c_str(), (plain + "/OTHER").c_str()), 0);
    ASSERT_EQ(::lchown((plain + "/OTHER").c_str(), kelvo::test::kNobody, kelvo::test::kNobody), 0);
    Descriptor unshared(openFile(plain + "/OTHER", OpenMode::Append, Sharing::Exclusive));
    EXPECT_GE(unshared.fd, 0) << "outside a sticky world-writable folder links are followed";
}
