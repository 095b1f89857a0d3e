#include "frontend/logic/text_encoding.h"

#include <gtest/gtest.h>

using kelvo::frontend::utf8FromWindows1250;

TEST(TextEncoding, PolishLettersAndTheRestOfTheCodePage)
{
    EXPECT_EQ(utf8FromWindows1250("\xA3\xB9\x63zna nale\xBFno\x9C\xE6"), "Łączna należność");
    EXPECT_EQ(utf8FromWindows1250("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"), "ĄĆĘŁŃÓŚŹŻ");
    EXPECT_EQ(utf8FromWindows1250("\x80 \x96 \xA0"), "€ – \u00A0");
    EXPECT_EQ(utf8FromWindows1250("\x81\x98"), "\uFFFD\uFFFD") << "bytes the code page leaves out";
    EXPECT_EQ(utf8FromWindows1250("plain text\r\n"), "plain text\r\n");
}

TEST(TextEncoding, TheDisplayGetsLinesEndedByLineFeedsAlone)
{
    using kelvo::frontend::reportDisplayText;
    EXPECT_EQ(reportDisplayText("RAPORT\r\n\r\nSUMA \xA3\xC1\x43ZNIE\r\n"), "RAPORT\n\nSUMA ŁÁCZNIE\n");
    EXPECT_EQ(reportDisplayText("a\rb\r"), "a\rb\r") << "a carriage return alone is text";
    EXPECT_EQ(reportDisplayText(""), "");
}
