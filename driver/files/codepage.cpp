#include "driver/files/codepage.h"

#include <algorithm>

namespace kelvo::drv {

bool convertCodePage(std::string& text, unsigned from, unsigned to)
{
    if (from >= kPolishLetters.size() || to >= kPolishLetters.size())
        return false;
    if (from == to)
        return true;
    const auto& source = kPolishLetters[from];
    const auto& target = kPolishLetters[to];
    // Each character is looked up once, so a byte that is a letter in both
    // rows (0xA5 is ą in 852 and Ą in 1250) is converted only once.
    for (char& c : text) {
        const auto found = std::find(source.begin(), source.end(), static_cast<std::uint8_t>(c));
        if (found != source.end())
            c = static_cast<char>(target[static_cast<std::size_t>(found - source.begin())]);
    }
    return true;
}

}
