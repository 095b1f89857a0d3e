// Money and rate texts, the amounts of the record layouts and the tax in a
// gross amount.
#include <cstdio>

#include "driver/files/text_helpers.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

namespace {

// The value's digits, at least three, with "," before the last two and the
// integer part grouped in threes by separator (none when it is '\0').
std::string withTwoDecimals(std::uint64_t value, char separator)
{
    std::string digits = std::to_string(value);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    const std::string whole = digits.substr(0, digits.size() - 2);
    std::string text;
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (separator != '\0' && k > 0 && (whole.size() - k) % 3 == 0)
            text += separator;
        text += whole[k];
    }
    return text + "," + digits.substr(digits.size() - 2);
}

}

std::string amountText(std::uint64_t grosze)
{
    return withTwoDecimals(grosze, '.');
}

std::string rateText(std::uint16_t hundredths)
{
    return withTwoDecimals(hundredths, '\0');
}

std::string rateColumnText(const DecodedRecord& r, std::size_t letter)
{
    constexpr std::size_t kRateColumnWidth = 6;
    const std::uint8_t flags = r.letterFlags[letter];
    const std::string text = (flags & letter_flag::Exempt) != 0 ? std::string("ZW.PTU")
        : (flags & letter_flag::Taxed) != 0                     ? rateText(r.rate[letter]) + "%"
                                                                : std::string();
    return padded(text, kRateColumnWidth, ' ', PadSide::Left);
}

std::uint64_t invertedAmount(const std::uint8_t* fiveBytes)
{
    std::uint64_t value = 0;
    for (int k = 4; k >= 0; --k)
        value = value * 256 + static_cast<std::uint8_t>(255 - fiveBytes[k]);
    return value;
}

std::uint64_t taxOfGross(std::uint64_t gross, std::uint16_t rate)
{
    const std::uint64_t divisor = std::uint64_t{rate} + 10000;
    std::uint64_t tax = gross * rate / divisor;
    // The tenths of a grosz decide the rounding: half a grosz and more goes up.
    if (gross * 10 * rate / divisor % 10 >= 5)
        ++tax;
    return tax;
}

}
