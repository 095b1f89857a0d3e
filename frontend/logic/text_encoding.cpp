#include "frontend/logic/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kelvo::frontend {

namespace {

// Code points of bytes 0x80 to 0xFF; 0xFFFD where the code page has none.
constexpr std::array<std::uint16_t, 128> kUpperHalf {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}

std::string utf8FromWindows1250(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        appendUtf8(out, byte < 0x80 ? byte : kUpperHalf[byte - 0x80]);
    }
    return out;
}

std::string windows1250FromUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            out.push_back('?');
            ++i;
            continue;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        i += valid ? length : 1;
        if (!valid) {
            out.push_back('?');
            continue;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
            continue;
        }
        const auto found = std::find(kUpperHalf.begin(), kUpperHalf.end(), code);
        out.push_back(found != kUpperHalf.end() && code != 0xFFFD ? static_cast<char>(0x80 + (found - kUpperHalf.begin())) : '?');
    }
    return out;
}

std::size_t utf8Characters(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

namespace {

// The byte where the character after the first count characters begins.
std::size_t utf8Offset(std::string_view text, std::size_t count)
{
    std::size_t offset = 0;
    for (std::size_t seen = 0; offset < text.size(); ++offset) {
        if ((static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80 && seen++ == count)
            break;
    }
    return offset;
}

void wrapLine(std::string_view line, std::size_t width, std::vector<std::string>& lines)
{
    std::string current;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        std::string_view word = line.substr(start, end - start);
        start = end + 1;
        if (word.empty() && end < line.size())
            continue;
        const std::size_t needed = utf8Characters(current) + (current.empty() ? 0 : 1) + utf8Characters(word);
        if (!current.empty() && needed > width) {
            lines.push_back(current);
            current.clear();
        }
        while (utf8Characters(word) > width) {
            const std::size_t cut = utf8Offset(word, width);
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
        }
        if (!word.empty())
            current += (current.empty() ? "" : " ") + std::string(word);
    }
    lines.push_back(current);
}

}

std::vector<std::string> wrapToWidth(std::string_view text, std::size_t width)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
        wrapLine(text.substr(start, end - start), width, lines);
    wrapLine(text.substr(start), width, lines);
    return lines;
}

std::string cutToWidth(std::string_view text, std::size_t width)
{
    if (utf8Characters(text) <= width)
        return std::string(text);
    return std::string(text.substr(0, utf8Offset(text, width == 0 ? 0 : width - 1))) + "…";
}

std::string reportDisplayText(std::string_view windows1250)
{
    std::string text = utf8FromWindows1250(windows1250);
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines.push_back(text[i]);
    return lines;
}

}
