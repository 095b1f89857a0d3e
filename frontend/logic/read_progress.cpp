#include "frontend/logic/read_progress.h"

#include "frontend/logic/date_text.h"

namespace kelvo::frontend {

std::string recordsReadText(std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    std::string text = "Odczytano rekordów: " + std::to_string(recordsRead);
    if (highestIndex != 0)
        text += " z " + std::to_string(highestIndex);
    return text;
}

std::string elapsedText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const std::int64_t hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    std::string text = "Czas odczytu: ";
    if (hours > 0)
        text += std::to_string(hours) + ":" + twoDigits(minutes);
    else
        text += std::to_string(minutes);
    return text + ":" + twoDigits(rest);
}

}
