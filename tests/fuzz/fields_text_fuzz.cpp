// The field splitter and the text helpers over any text: fields and helper
// results stay within the caller's 1024-byte buffers and agree with each other.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <kelvo/kelvodrv.h>

#include "driver/files/fields.h"
#include "driver/files/text.h"
#include "driver/files/text_helpers.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const unsigned k = data[0];
    const char c = static_cast<char>(data[1]);
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const auto line = fuzz::textBuffer(text);
    const std::string_view stored(line.get());

    auto field = fuzz::textBuffer("");
    const bool found = NapisZawieraDana(line.get(), static_cast<unsigned char>(k), field.get()) == 1;
    if (std::strlen(field.get()) > 1023 || (found && std::strlen(field.get()) == 0))
        std::abort();
    const bool foundOrEmpty = NapisZawieraDanaLubPustyString(line.get(), static_cast<unsigned char>(k), field.get()) == 1;
    if (found && !foundOrEmpty)
        std::abort();
    // The count a caller gets stops at 255, the most its byte can hold.
    if (IleZnakowOddzielajacychDaneZawieraNapis(line.get()) != std::min(drv::tabCount(stored), 255u))
        std::abort();
    std::string sub;
    if (drv::subField(stored, k, c, sub) && sub.size() > stored.size())
        std::abort();
    if (JednakoweNapisy(line.get(), line.get()) != 1)
        std::abort();

    auto grown = fuzz::textBuffer(text);
    DolaczenieZnakuDoNapisu(grown.get(), c);
    DolaczenieNapisuDoZnaku(grown.get(), c);
    DolaczenieSpacjiDoNapisu(grown.get());
    DolaczenieNapisuDoSpacji(grown.get());
    if (std::strlen(grown.get()) > 1023)
        std::abort();
    ZerowanieNapisu(grown.get());
    if (grown[0] != '\0')
        std::abort();

    const std::size_t width = data[0] % 64;
    for (auto side : {drv::PadSide::Left, drv::PadSide::Right, drv::PadSide::BothStartingLeft,
             drv::PadSide::BothStartingRight}) {
        const std::string padded = drv::padded(stored, width, c, side);
        if (padded.size() != std::max(width, stored.size()))
            std::abort();
    }
    const std::string between = drv::filledBetween(stored.substr(0, stored.size() / 2), stored.substr(stored.size() / 2),
        width, c);
    if (between.size() != std::max(width, stored.size()))
        std::abort();
    if (drv::spread(stored, c, k % 4).size() != stored.size() * (1 + k % 4))
        std::abort();
    if (drv::cleanedField(stored).size() > stored.size() || drv::trimmed(stored).size() > stored.size())
        std::abort();
    if (drv::boundedText(text).size() > 1023 || drv::upperCased(stored).size() != stored.size())
        std::abort();
    std::uint64_t value = 0;
    std::memcpy(&value, data, std::min<std::size_t>(size, sizeof value));
    if (drv::decimalText(value) != std::to_string(value) || drv::twoDigits(static_cast<std::uint32_t>(value)).size() < 2
        || drv::fourDigits(static_cast<std::uint32_t>(value)).size() < 4)
        std::abort();
    return 0;
}
