// Every validator over any text: the exported ones write only their
// out-parameters, agree with the number model they share, and a valid
// decimal value reads back from its own text.
#include <cstdlib>
#include <kelvo/kelvodrv.h>

#include "driver/files/text_helpers.h"
#include "driver/files/validators.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto buffer = fuzz::textBuffer(text);
    const char* t = buffer.get();
    const std::string_view stored(t);

    unsigned char six[6];
    const bool sixOk = PoprawnaLiczbaSzesciobajtowa(t, six) == 1;
    if (sixOk != drv::parseSixByte(stored).has_value())
        std::abort();
    PoprawnaLiczbaSzesciobajtowaDec(t, six);
    PoprawnaLiczbaSzesciobajtowaHex(t, six);
    PoprawnaLiczbaSzesciobajtowaWCudzyslowie(t, six);
    if (const auto decimal = drv::parseSixByteDecimal(stored)) {
        if (*decimal >= drv::kSixByteLimit || drv::parseSixByteDecimal(drv::decimalText(*decimal)) != decimal)
            std::abort();
    }

    std::uint32_t number = 0;
    if (PoprawnaLiczbaTypuLong(t, &number) == 1 && drv::parseLong(stored) != number)
        std::abort();
    const std::uint32_t minimum = data[0];
    const std::uint32_t maximum = minimum * 257;
    if (PoprawnaLiczbaZPodanegoZakresu(t, minimum, maximum, &number) == 1 && (number < minimum || number > maximum))
        std::abort();
    if (PoprawnaLiczbaTypuWord(t, &number) == 1 && number > 0xFFFF)
        std::abort();
    unsigned char byte = 0;
    if (PoprawnaLiczbaTypuByte(t, &byte) == 1 && drv::parseByte(stored) != byte)
        std::abort();
    PoprawnaLiczbaHEXTypuByte(t, &byte);
    if (PoprawnaLiczbaTypuBoolean(t, &byte) == 1 && byte > 1)
        std::abort();
    unsigned char eight[8];
    PoprawnaLiczbaOsmiobajtowa(t, eight);
    unsigned char decimals = 0;
    for (unsigned char strip : {0, 1})
        PoprawnaLiczbaZmiennoprzecinkowa(t, &number, &decimals, strip);
    if (PoprawnyNapisOpisujacyParzystosc(t, &byte) == 1 && byte > 4)
        std::abort();
    unsigned char digit = 0;
    if (ZnakJestCyfra(static_cast<char>(data[0]), &digit) == 1 && digit > 9)
        std::abort();
    ZnakJestKropkaLubPrzecinkiem(static_cast<char>(data[0]));

    for (bool digitForm : {false, true})
        if (const auto date = drv::parseDate(stored, digitForm)) {
            const std::uint8_t month = (*date)[1];
            const std::uint8_t day = (*date)[2];
            if (month < 1 || month > 12 || day < 1 || day > drv::daysInMonth((*date)[0], month))
                std::abort();
        }
    return 0;
}
