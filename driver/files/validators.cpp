#include "driver/files/validators.h"

#include <algorithm>
#include <string>

#include "driver/core/sealed.h"
#include "driver/files/text.h"
#include "driver/files/text_helpers.h"
#include "kelvo/kelvodrv.h"

namespace kelvo::drv {

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> littleEndian(std::uint64_t value)
{
    std::array<std::uint8_t, N> bytes{};
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
    return bytes;
}

template <std::size_t N>
std::uint64_t fromLittleEndian(const std::array<std::uint8_t, N>& bytes)
{
    std::uint64_t value = 0;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it)
        value = (value << 8) | *it;
    return value;
}

std::optional<std::uint8_t> hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// The hexadecimal digits left once the marker is removed; no value when
// there is no marker.
std::optional<std::string_view> withoutHexMarker(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (text.front() == '$' || text.front() == 'H')
        return text.substr(1);
    if (text.back() == 'H')
        return text.substr(0, text.size() - 1);
    if (text.starts_with("0X"))
        return text.substr(2);
    return std::nullopt;
}

// One date part, checked as a word of exactly two characters (or four for
// the year, whose last two are used) and then read as a byte in its range.
std::optional<std::uint8_t> datePart(std::string_view part, bool isYear, std::uint8_t minimum, std::uint8_t maximum)
{
    if (!parseWord(part))
        return std::nullopt;
    if (isYear && part.size() == 4)
        part.remove_prefix(2);
    else if (part.size() != 2)
        return std::nullopt;
    const auto value = parseByte(part);
    if (!value || *value < minimum || *value > maximum)
        return std::nullopt;
    return value;
}

}

SixByteNumber toSixBytes(std::uint64_t value)
{
    return littleEndian<6>(value);
}

std::uint64_t fromSixBytes(const SixByteNumber& number)
{
    return fromLittleEndian(number);
}

EightByteNumber toEightBytes(std::uint64_t value)
{
    return littleEndian<8>(value);
}

std::uint64_t fromEightBytes(const EightByteNumber& number)
{
    return fromLittleEndian(number);
}

std::optional<std::uint64_t> parseSixByteDecimal(std::string_view text)
{
    const std::string digits = trimmed(text);
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const auto digit = digitValue(c);
        if (!digit)
            return std::nullopt;
        value = value * 10 + *digit;
        // Checked per digit so that long runs of digits cannot wrap around.
        if (value >= kSixByteLimit)
            return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> parseSixByteHex(std::string_view text)
{
    const std::string upper = upperCased(trimmed(text));
    const auto digits = withoutHexMarker(upper);
    if (!digits || digits->empty() || digits->size() > 12)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : *digits) {
        const auto digit = hexDigitValue(c);
        if (!digit)
            return std::nullopt;
        value = (value << 4) | *digit;
    }
    return value;
}

std::optional<std::uint64_t> parseSixByteQuoted(std::string_view text)
{
    const std::string quoted = trimmed(text);
    if (quoted.size() < 3 || quoted.size() > 8 || quoted.front() != '\'' || quoted.back() != '\'')
        return std::nullopt;
    SixByteNumber number{};
    std::copy(quoted.begin() + 1, quoted.end() - 1, number.begin());
    return fromSixBytes(number);
}

std::optional<std::uint64_t> parseSixByte(std::string_view text)
{
    if (auto value = parseSixByteDecimal(text))
        return value;
    if (auto value = parseSixByteHex(text))
        return value;
    return parseSixByteQuoted(text);
}

std::optional<std::uint32_t> parseLong(std::string_view text)
{
    const auto value = parseSixByte(text);
    if (!value || *value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::uint32_t> parseLongInRange(std::string_view text, std::uint32_t minimum, std::uint32_t maximum)
{
    const auto value = parseLong(text);
    if (!value || *value < minimum || *value > maximum)
        return std::nullopt;
    return value;
}

std::optional<std::uint16_t> parseWord(std::string_view text)
{
    const auto value = parseLongInRange(text, 0, UINT16_MAX);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::optional<std::uint8_t> parseByte(std::string_view text)
{
    const auto value = parseLongInRange(text, 0, UINT8_MAX);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint8_t> parseHexByte(std::string_view text)
{
    return parseByte("0x" + std::string(text));
}

std::optional<bool> parseBoolean(std::string_view text)
{
    if (const auto value = parseLongInRange(text, 0, 1))
        return *value == 1;
    const std::string letter = upperCased(text);
    if (letter == "Y" || letter == "T")
        return true;
    if (letter == "N")
        return false;
    return std::nullopt;
}

std::optional<std::uint64_t> parseEightByte(std::string_view text)
{
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c == ' ')
            continue;
        const auto digit = digitValue(c);
        if (!digit || value > (UINT64_MAX - *digit) / 10)
            return std::nullopt;
        value = value * 10 + *digit;
    }
    return value;
}

std::optional<ScaledNumber> parseScaledNumber(std::string_view text, bool stripZeros)
{
    if (text.empty() || !digitValue(text.back()))
        return std::nullopt;
    std::string digits;
    std::optional<std::size_t> separatorAt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isDecimalSeparator(text[i])) {
            if (separatorAt || i == 0)
                return std::nullopt;
            separatorAt = i;
        } else if (digitValue(text[i])) {
            digits.push_back(text[i]);
        } else {
            return std::nullopt;
        }
    }
    std::size_t decimals = separatorAt ? text.size() - *separatorAt - 1 : 0;
    if (stripZeros) {
        while (decimals > 0 && digits.back() == '0') {
            digits.pop_back();
            --decimals;
        }
    }
    const auto scaled = parseLong(digits);
    if (!scaled || decimals > UINT8_MAX)
        return std::nullopt;
    return ScaledNumber{*scaled, static_cast<std::uint8_t>(decimals)};
}

std::optional<Parity> parseParity(std::string_view text)
{
    std::string word = upperCased(text);
    if (word == "NONE" || word == "EVEN" || word == "ODD" || word == "MARK" || word == "SPACE")
        word.resize(1);
    if (word == "N")
        return Parity::None;
    if (word == "O")
        return Parity::Odd;
    if (word == "E")
        return Parity::Even;
    if (word == "M")
        return Parity::Mark;
    if (word == "S")
        return Parity::Space;
    return std::nullopt;
}

std::optional<std::uint8_t> digitValue(char c)
{
    if (c < '0' || c > '9')
        return std::nullopt;
    return static_cast<std::uint8_t>(c - '0');
}

bool isDecimalSeparator(char c)
{
    return c == '.' || c == ',';
}

std::uint8_t daysInMonth(std::uint8_t year, std::uint8_t month)
{
    switch (month) {
    case 2: return year % 4 == 0 ? 29 : 28;
    case 4: case 6: case 9: case 11: return 30;
    default: return 31;
    }
}

std::optional<DateBytes> parseDate(std::string_view text, bool digitForm)
{
    if (text.empty() || text.back() == '.' || text.back() == 'r')
        return std::nullopt;
    // Each part runs to the next '.'; the year may also end at an 'r'.
    std::array<std::string_view, 3> parts;
    std::string_view rest = text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t end = rest.find_first_of(i == 0 ? ".r" : ".");
        parts[i] = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (!rest.empty())
        return std::nullopt;
    const auto year = datePart(parts[0], true, 0, 99);
    const auto month = datePart(parts[1], false, 1, 12);
    if (!year || !month)
        return std::nullopt;
    const auto day = datePart(parts[2], false, 1, daysInMonth(*year, *month));
    if (!day)
        return std::nullopt;
    const std::uint8_t base = digitForm ? 16 : 10;
    return DateBytes{*year, *month, *day,
                     static_cast<std::uint8_t>(*year / base), static_cast<std::uint8_t>(*year % base),
                     static_cast<std::uint8_t>(*month / base), static_cast<std::uint8_t>(*month % base),
                     static_cast<std::uint8_t>(*day / base), static_cast<std::uint8_t>(*day % base)};
}

}

namespace {

using namespace kelvo::drv;

template <std::size_t N>
void storeBytes(unsigned char* out, const std::array<std::uint8_t, N>& bytes)
{
    if (out != nullptr)
        std::copy(bytes.begin(), bytes.end(), out);
}

// Six-byte and long forms: the value, or 0 when the text is not valid.
unsigned char storeSixBytes(std::optional<std::uint64_t> value, unsigned char* out)
{
    storeBytes(out, toSixBytes(value.value_or(0)));
    return value ? 1 : 0;
}

unsigned char storeLong(std::optional<std::uint32_t> value, std::uint32_t* out)
{
    if (out != nullptr)
        *out = value.value_or(0);
    return value ? 1 : 0;
}

// Byte, word and boolean forms keep the caller's value when not valid.
constexpr auto storeOnSuccess = []<typename Value, typename Out>(std::optional<Value> value, Out* out) -> unsigned char {
    if (!value)
        return 0;
    if (out != nullptr)
        *out = static_cast<Out>(*value);
    return 1;
};

// An exported validator: the value parsed from the caller's text, stored
// the form's way; 0 for a text that is not valid or a failure inside.
template <typename Parse, typename Store, typename Out>
unsigned char validated(const char* text, Parse parse, Store store, Out* out)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0),
        [&]() -> unsigned char { return store(parse(bufferText(text)), out); });
}

}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaDec(const char* text, unsigned char out[6])
{
    return validated(text, parseSixByteDecimal, storeSixBytes, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaHex(const char* text, unsigned char out[6])
{
    return validated(text, parseSixByteHex, storeSixBytes, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaWCudzyslowie(const char* text, unsigned char out[6])
{
    return validated(text, parseSixByteQuoted, storeSixBytes, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowa(const char* text, unsigned char out[6])
{
    return validated(text, parseSixByte, storeSixBytes, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaTypuLong(const char* text, uint32_t* out)
{
    return validated(text, parseLong, storeLong, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaZPodanegoZakresu(const char* text, uint32_t minimum, uint32_t maximum, uint32_t* out)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return storeLong(parseLongInRange(bufferText(text), minimum, maximum), out);
    });
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaTypuWord(const char* text, uint32_t* out)
{
    return validated(text, parseWord, storeOnSuccess, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaTypuByte(const char* text, unsigned char* out)
{
    return validated(text, parseByte, storeOnSuccess, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaHEXTypuByte(const char* text, unsigned char* out)
{
    return validated(text, parseHexByte, storeOnSuccess, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaTypuBoolean(const char* text, unsigned char* out)
{
    return validated(text, parseBoolean, storeOnSuccess, out);
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaOsmiobajtowa(const char* text, unsigned char out[8])
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        const auto value = parseEightByte(bufferText(text));
        storeBytes(out, toEightBytes(value.value_or(0)));
        return value ? 1 : 0;
    });
}

extern "C" KELVODRV_API unsigned char PoprawnaLiczbaZmiennoprzecinkowa(const char* text, uint32_t* scaled, unsigned char* decimals, unsigned char stripZeros)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        const auto number = parseScaledNumber(bufferText(text), stripZeros != 0);
        const ScaledNumber stored = number.value_or(ScaledNumber{});
        if (scaled != nullptr)
            *scaled = stored.scaled;
        if (decimals != nullptr)
            *decimals = stored.decimals;
        return number ? 1 : 0;
    });
}

extern "C" KELVODRV_API unsigned char PoprawnyNapisOpisujacyParzystosc(const char* text, unsigned char* parity)
{
    return validated(text, parseParity, storeOnSuccess, parity);
}

extern "C" KELVODRV_API unsigned char ZnakJestCyfra(char c, unsigned char* digit)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        const auto value = digitValue(c);
        if (digit != nullptr)
            *digit = value.value_or(0);
        return value ? 1 : 0;
    });
}

extern "C" KELVODRV_API unsigned char ZnakJestKropkaLubPrzecinkiem(char c)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return isDecimalSeparator(c) ? 1 : 0;
    });
}
