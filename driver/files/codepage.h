// Polish letters in the three forms the driver meets: registers send code
// page 852, the driver's files are Windows-1250, and some texts need the
// letters without diacritics.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kelvo::drv {

inline constexpr unsigned kRowCp852 = 0;
inline constexpr unsigned kRowWindows1250 = 1;
inline constexpr unsigned kRowPlain = 2;

// The letters ą ć ę ł ń ó ś ż ź Ą Ć Ę Ł Ń Ó Ś Ż Ź in each row.
inline constexpr std::array<std::array<std::uint8_t, 18>, 3> kPolishLetters{{
    {0xA5, 0x86, 0xA9, 0x88, 0xE4, 0xA2, 0x98, 0xBE, 0xAB, 0xA4, 0x8F, 0xA8, 0x9D, 0xE3, 0xE0, 0x97, 0xBD, 0x8D},
    {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0xBF, 0x9F, 0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0xAF, 0x8F},
    {'a', 'c', 'e', 'l', 'n', 'o', 's', 'z', 'z', 'A', 'C', 'E', 'L', 'N', 'O', 'S', 'Z', 'Z'},
}};

// Replaces each letter of row from by the letter at the same place in row
// to; other characters stay. False, with text unchanged, for a row above 2.
bool convertCodePage(std::string& text, unsigned from, unsigned to);

}
