#include "driver/files/text_helpers.h"

#include <cstring>

#include "driver/core/sealed.h"
#include "driver/files/text.h"
#include "kelvo/kelvodrv.h"

namespace kelvo::drv {

void appendThree(std::string& text, std::string_view a, std::string_view b, std::string_view c)
{
    text.append(a).append(b).append(c);
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string cleanedField(std::string_view text)
{
    if (text.size() <= 1)
        return text == ";" ? std::string() : std::string(text);
    if (text.front() == ';')
        return {};
    text = text.substr(0, text.find(';'));
    constexpr std::string_view blanks = " \t";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return upperCased(text.substr(first, last - first + 1));
}

std::string padded(std::string_view text, std::size_t width, char fill, PadSide side)
{
    if (text.size() >= width)
        return std::string(text);
    const std::size_t missing = width - text.size();
    std::size_t left = 0;
    switch (side) {
    case PadSide::Left: left = missing; break;
    case PadSide::Right: left = 0; break;
    case PadSide::BothStartingLeft: left = (missing + 1) / 2; break;
    case PadSide::BothStartingRight: left = missing / 2; break;
    }
    std::string result(left, fill);
    result.append(text);
    result.append(missing - left, fill);
    return result;
}

std::string filledBetween(std::string_view first, std::string_view second, std::size_t width, char fill)
{
    std::string result(first);
    const std::size_t used = first.size() + second.size();
    if (used < width)
        result.append(width - used, fill);
    result.append(second);
    return result;
}

std::string spread(std::string_view text, char c, std::size_t count)
{
    std::string result;
    result.reserve(text.size() * (count + 1));
    for (const char letter : text) {
        result.push_back(letter);
        result.append(count, c);
    }
    return result;
}

std::string decimalText(std::uint64_t value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::string twoDigits(std::uint32_t value)
{
    return padded(decimalText(value), 2, '0', PadSide::Left);
}

std::string fourDigits(std::uint32_t value)
{
    return padded(decimalText(value), 4, '0', PadSide::Left);
}

}

using kelvo::drv::bufferText;
using kelvo::drv::storeText;

extern "C" KELVODRV_API unsigned char JednakoweNapisy(const char* a, const char* b)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return bufferText(a) == bufferText(b) ? 1 : 0;
    });
}

extern "C" KELVODRV_API void ZerowanieNapisu(char* text)
{
    kelvo::drv::sealed([&] {
        if (text != nullptr)
            std::memset(text, 0, kelvo::drv::kTextBufferSize);
    });
}

// The result is stored cut to 1023 characters: appending to a full text
// changes nothing, putting a character in front drops the last one.
extern "C" KELVODRV_API void DolaczenieZnakuDoNapisu(char* text, char c)
{
    kelvo::drv::sealed([&] {
        std::string result(bufferText(text));
        result.push_back(c);
        storeText(text, result);
    });
}

extern "C" KELVODRV_API void DolaczenieNapisuDoZnaku(char* text, char c)
{
    kelvo::drv::sealed([&] {
        std::string result(1, c);
        result.append(bufferText(text));
        storeText(text, result);
    });
}

extern "C" KELVODRV_API void DolaczenieSpacjiDoNapisu(char* text)
{
    kelvo::drv::sealed([&] {
        DolaczenieZnakuDoNapisu(text, ' ');
    });
}

extern "C" KELVODRV_API void DolaczenieNapisuDoSpacji(char* text)
{
    kelvo::drv::sealed([&] {
        DolaczenieNapisuDoZnaku(text, ' ');
    });
}
