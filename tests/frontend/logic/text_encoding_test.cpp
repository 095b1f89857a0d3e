#include "frontend/logic/text_encoding.h"

#include <gtest/gtest.h>

using kelvo::frontend::utf8FromWindows1250;
using kelvo::frontend::windows1250FromUtf8;

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

TEST(TextEncoding, BackToWindows1250)
{
    std::string all;
    for (int byte = 0x20; byte < 0x100; ++byte)
        if (utf8FromWindows1250(std::string(1, static_cast<char>(byte))) != "\xEF\xBF\xBD")
            all.push_back(static_cast<char>(byte));
    EXPECT_EQ(windows1250FromUtf8(utf8FromWindows1250(all)), all) << "every character of the code page goes back";
    EXPECT_EQ(windows1250FromUtf8("Zażółć gęślą jaźń"), "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1");
    EXPECT_EQ(windows1250FromUtf8("日本 \xF0\x9F\x98\x80 x"), "?? ? x") << "characters the code page lacks";
    EXPECT_EQ(windows1250FromUtf8("a\xC5" "b\xE2\x82"), "a?b??") << "broken sequences, one mark a byte";
}

TEST(TextEncoding, TextIsWrappedAndCutByCharactersNotBytes)
{
    using kelvo::frontend::cutToWidth;
    using kelvo::frontend::wrapToWidth;
    EXPECT_EQ(wrapToWidth("BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ", 16),
        (std::vector<std::string> {"BŁĄD NUMER 62:", "NIE MOŻNA", "OTWORZYĆ"}));
    EXPECT_EQ(wrapToWidth("pierwszy\nCOM3 → /dev/ttyUSB0", 12),
        (std::vector<std::string> {"pierwszy", "COM3 →", "/dev/ttyUSB0"}));
    EXPECT_EQ(wrapToWidth("ścieżka/bardzo/długa", 8), (std::vector<std::string> {"ścieżka/", "bardzo/d", "ługa"}));
    EXPECT_EQ(wrapToWidth("", 8), std::vector<std::string> {""});
    EXPECT_EQ(wrapToWidth("a  b ", 8), std::vector<std::string> {"a b"});
    EXPECT_EQ(cutToWidth("/dev/serial/by-id/usb-ąę", 24), "/dev/serial/by-id/usb-ąę");
    EXPECT_EQ(cutToWidth("/dev/serial/by-id/usb-ąęś", 24), "/dev/serial/by-id/usb-ą…");
}
