#include "driver/files/textfile.h"

#include <kelvo/kelvodrv.h>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

#include "driver/files/fields.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

class TextFileTest : public kelvo::test::DriverTest {
protected:
    int openInput(const std::string& bytes)
    {
        writeFile("IN", bytes);
        EXPECT_TRUE(openFile(ctx.files.input, "IN", 0));
        return ctx.files.input;
    }
};

}

TEST_F(TextFileTest, LineKindsSkipCommentsAndEmptyLines)
{
    const int in = openInput(";comment\r\n\r\n#header one\r\n$\r\n;note\r\n$data\tfield\r\n#late");
    std::string line;
    bool wrongKind = true;
    ASSERT_TRUE(readHeaderLine(in, line, wrongKind));
    EXPECT_EQ(line, "header one");
    EXPECT_FALSE(wrongKind);
    ASSERT_TRUE(readDataLine(in, line, wrongKind));
    EXPECT_EQ(line, "") << "a lone sign is a data line with empty content";
    ASSERT_TRUE(readDataLine(in, line, wrongKind));
    EXPECT_EQ(line, "data\tfield");
    EXPECT_FALSE(readDataLine(in, line, wrongKind));
    EXPECT_TRUE(wrongKind) << "a header line stands where a data line is wanted";
    EXPECT_EQ(line, "");
    EXPECT_FALSE(readDataLine(in, line, wrongKind));
    EXPECT_FALSE(wrongKind) << "end of file";

    EXPECT_EQ(ctx.counters.inputLinesRead, 8u) << "every raw read of the input counts, the one at the end too";
    EXPECT_EQ(ctx.counters.inputHeaderLines, 1);
    EXPECT_EQ(ctx.counters.inputDataLines, 0u) << "data lines count only after three header lines";
}

TEST_F(TextFileTest, DataLineBeforeHeaderIsWrongKind)
{
    const int in = openInput("\r\n;c\r\n$1\r\n#2\r\n");
    char line[1024];
    unsigned char wrongKind = 0;
    EXPECT_EQ(OdczytanoZPlikuLinieNaglowka(in, line, &wrongKind), 0);
    EXPECT_EQ(wrongKind, 1);
    EXPECT_EQ(OdczytanoZPlikuKonkretnaLinie(in, '#', line, &wrongKind), 1);
    EXPECT_STREQ(line, "2");
}

TEST_F(TextFileTest, TerminatorMatchingAndTheEndedMarker)
{
    std::string line;
    int in = openInput("a\r\r\nb\rc\r\nlast");
    EXPECT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "a\r\r\nb\rc") << "a broken CR LF match is data, breaking byte included";
    EXPECT_TRUE(ctx.reading.endedWithTerminator);
    EXPECT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(ctx.reading.endedWithTerminator);
    EXPECT_FALSE(readRawLine(in, line));
    EXPECT_FALSE(ctx.reading.endedWithTerminator) << "a read at the end leaves the marker as the last line left it";
    closeFile(ctx.files.input);

    ctx.lineFormat.terminator = "\n";
    in = openInput("one\r\ntwo\n");
    EXPECT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "one\r");
    EXPECT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(readRawLine(in, line));
    EXPECT_TRUE(ctx.reading.endedWithTerminator);
    EXPECT_FALSE(ctx.reading.emptyLine);
}

TEST_F(TextFileTest, LongLinesEndReadingAndKeepTheirPosition)
{
    const std::string longest(1023, 'x');
    int in = openInput("$" + std::string(1022, 'y') + "\r\n" + longest + "Z\r\nrest\r\n");
    std::string line;
    bool wrongKind = false;
    ASSERT_TRUE(readDataLine(in, line, wrongKind));
    EXPECT_EQ(line.size(), 1022u);
    EXPECT_FALSE(readRawLine(in, line)) << "1024 characters are too many";
    EXPECT_EQ(line, "");
    EXPECT_FALSE(readRawLine(in, line)) << "the rest of the long line is read next: here only its terminator";
    EXPECT_EQ(line, "");
    EXPECT_TRUE(ctx.reading.emptyLine);
    ASSERT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "rest");
    closeFile(ctx.files.input);

    // 1023 characters with a pending partial terminator at the end of the file
    // still make a line that is too long, not an overrun.
    ctx.lineFormat.terminator = "ABC";
    in = openInput(longest + "AB");
    EXPECT_FALSE(readRawLine(in, line));
    closeFile(ctx.files.input);
    in = openInput(longest + "ABC");
    EXPECT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, longest);

    char buffer[1024];
    std::fill(std::begin(buffer), std::end(buffer), '\x7f');
    closeFile(ctx.files.input);
    in = openInput("$" + longest.substr(1) + "ABC");
    unsigned char wrong = 0;
    EXPECT_EQ(OdczytanoZPlikuLinieDanych(in, buffer, &wrong), 1);
    EXPECT_EQ(std::string(buffer), longest.substr(1));
}

TEST_F(TextFileTest, EndOfFileTestKeepsThePosition)
{
    const int in = openInput("ab");
    EXPECT_EQ(Moje_feof(in), 0);
    char c = 0;
    ASSERT_EQ(::read(in, &c, 1), 1);
    EXPECT_EQ(c, 'a');
    EXPECT_EQ(Moje_feof(in), 0);
    ASSERT_EQ(::read(in, &c, 1), 1);
    EXPECT_EQ(Moje_feof(in), 1);
}

TEST_F(TextFileTest, WritingLinesHeadersAndDataLines)
{
    ctx.headers.line = {"h1", "h2", "h3"};
    ASSERT_TRUE(openFile(ctx.files.output, "OUT", 1));
    ctx.names.slot[2] = "OUT";
    ASSERT_EQ(ZapisanoDoPlikuNaglowek(ctx.files.output), 1);
    ASSERT_EQ(ZapisanoDoPlikuLinieDanych(ctx.files.output, "1\t2"), 1);
    ASSERT_EQ(ZapisanoDoPlikuLinie(ctx.files.output, "plain"), 1);
    EXPECT_EQ(readFile("OUT"), "#h1\r\n#h2\r\n#h3\r\n$1\t2\r\nplain\r\n");
    EXPECT_EQ(ctx.counters.outputLinesWritten, 5u);
    EXPECT_EQ(ctx.counters.outputDataLines, 1u);

    ctx.switches.headerLinesInOutput = false;
    ctx.lineFormat.terminator = "\n";
    closeFile(ctx.files.output);
    ASSERT_TRUE(openFile(ctx.files.output, "OUT", 1));
    ASSERT_TRUE(writeHeaderLines(ctx.files.output));
    ASSERT_TRUE(writeDataLine(ctx.files.output, "x"));
    EXPECT_EQ(readFile("OUT"), "$x\n") << "no header lines when the command's switch is off";

    int other = -1;
    ASSERT_TRUE(openFile(other, "RAP", 1));
    ASSERT_TRUE(writeHeaderLines(other));
    closeFile(other);
    EXPECT_EQ(readFile("RAP"), "#h1\n#h2\n#h3\n") << "other files always get them";

    int readOnly = -1;
    ASSERT_TRUE(openFile(readOnly, "RAP", 0));
    EXPECT_FALSE(writeLine(readOnly, "x"));
    closeFile(readOnly);
    EXPECT_EQ(ZapisanoDoPlikuLinie(-1, "x"), 0);
}

TEST_F(TextFileTest, SharingFollowsTheFileName)
{
    writeFile("ECRTBUF.TXT", "");
    ctx.paths.identificationCache = "ECRTBUF.TXT";
    int first = -1;
    int second = -1;
    ASSERT_TRUE(openFile(first, "ECRTBUF.TXT", 3));
    EXPECT_TRUE(openFile(second, "ECRTBUF.TXT", 3)) << "the identification cache is shared";
    closeFile(first);
    closeFile(second);

    ctx.names.slot[2] = "out.txt";
    ctx.lineFormat.outputSharing = kelvo::platform::Sharing::OthersMayRead;
    ASSERT_TRUE(openFile(first, "out.txt", 1));
    EXPECT_TRUE(openFile(second, "out.txt", 0));
    closeFile(second);
    EXPECT_FALSE(openFile(second, "OUT.TXT", 0)) << "another name of the same file is opened exclusively";
    EXPECT_EQ(second, -1);
    closeFile(first);

    int handle = 123;
    EXPECT_EQ(OtwartoPlik(&handle, "missing", 0), 0);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(OtwartoPlik(&handle, "out.txt", 4), 0) << "there is no mode 4";
    EXPECT_EQ(OtwartoPlik(&handle, "out.txt", 0), 1);
    ZamknieciePliku(&handle);
    EXPECT_EQ(handle, -1);
}

TEST_F(TextFileTest, LineNumbersAndFieldsOfTheLastLineRead)
{
    writeFile("KONFIG.TXT", "$1\tCOM1:9600:MUX0:1\t3\r\n$2\tCOM2\r\n");
    const int in = openInput("#1\r\n#2\r\n");
    ASSERT_TRUE(openFile(ctx.files.configuration, "KONFIG.TXT", 0));
    std::string line;
    bool wrongKind = false;
    std::string field;

    ASSERT_TRUE(readDataLine(ctx.files.configuration, line, wrongKind));
    ASSERT_TRUE(readDataLine(ctx.files.configuration, line, wrongKind));
    EXPECT_EQ(ctx.reading.otherLineNumber, 2u);
    EXPECT_EQ(ctx.reading.lastOtherLine, "$2\tCOM2");
    EXPECT_TRUE(lineField(line, 2, field));
    EXPECT_EQ(ctx.reading.otherFieldNumber, 2);
    EXPECT_TRUE(lineField("something else", 1, field));
    EXPECT_EQ(ctx.reading.otherFieldNumber, 2) << "a text that is not the last line leaves the record";
    EXPECT_TRUE(lineField("2\tcom2", 1, field)) << "compared without regard to case";
    EXPECT_EQ(ctx.reading.otherFieldNumber, 1);

    ASSERT_TRUE(readHeaderLine(in, line, wrongKind));
    EXPECT_FALSE(readDataLine(ctx.files.configuration, line, wrongKind));
    EXPECT_EQ(ctx.reading.otherLineNumber, 1u) << "another handle read in between starts the count again";
    EXPECT_EQ(ctx.reading.lastInputLine, "#1");
    EXPECT_TRUE(lineField("1", 1, field));
    EXPECT_EQ(ctx.reading.inputFieldNumber, 1);
}

TEST_F(TextFileTest, AnyBytesReadSafely)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::string terminator : {"\r\n", "\n", "\x01\x02\x03"}) {
        std::string bytes;
        for (int i = 0; i < 20000; ++i)
            bytes.push_back(static_cast<char>(byte(random) < 8 ? terminator[0] : byte(random)));
        ctx.lineFormat.terminator = terminator;
        int in = openInput(bytes);
        char line[1024];
        unsigned char wrongKind = 0;
        for (int reads = 0; reads < 40000 && Moje_feof(in) == 0; ++reads) {
            OdczytanoZPlikuKonkretnaLinie(in, static_cast<unsigned char>(byte(random)), line, &wrongKind);
            EXPECT_LE(std::strlen(line), 1023u);
        }
        EXPECT_EQ(Moje_feof(in), 1);
        closeFile(ctx.files.input);
    }
}

TEST_F(TextFileTest, NulBytesCountTowardTheLineLimit)
{
    using namespace std::string_literals;
    int in = openInput("$"s + std::string(600, '\0') + std::string(600, 'n') + "\r\nnext\r\n");
    std::string line;
    EXPECT_FALSE(readRawLine(in, line)) << "1201 bytes are too many even when 600 of them are NULs";
    closeFile(ctx.files.input);
    in = openInput("a\0b\r\n"s);
    ASSERT_TRUE(readRawLine(in, line));
    EXPECT_EQ(line, "ab") << "a NUL is still no part of the text";
    closeFile(ctx.files.input);

    const int zero = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(zero, 0);
    EXPECT_FALSE(readRawLine(zero, line)) << "an endless run of NULs ends the read";
    char buffer[1024];
    unsigned char wrongKind = 0;
    EXPECT_EQ(OdczytanoZPlikuLinieDanych(zero, buffer, &wrongKind), 0);
    ::close(zero);
}

TEST_F(TextFileTest, AnEndlessStreamEndsTheReadAfterOneLongLine)
{
    // A pipe that a writer keeps filling with NULs, up to a bound.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    constexpr std::size_t kWritten = 1 << 20;
    std::thread writer([&] {
        const std::string block(4096, '\0');
        for (std::size_t sent = 0; sent < kWritten;) {
            const ssize_t count = ::write(ends[1], block.data(), std::min(block.size(), kWritten - sent));
            if (count <= 0)
                break;
            sent += static_cast<std::size_t>(count);
        }
        ::close(ends[1]);
    });
    std::string line;
    EXPECT_FALSE(readRawLine(ends[0], line));
    std::size_t left = 0;
    std::array<char, 4096> rest {};
    for (ssize_t count; (count = ::read(ends[0], rest.data(), rest.size())) > 0;)
        left += static_cast<std::size_t>(count);
    writer.join();
    ::close(ends[0]);
    EXPECT_EQ(kWritten - left, 1024u) << "the read stops at the first byte past 1023";
}
