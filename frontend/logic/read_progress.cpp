#include "frontend/logic/read_progress.h"

#include <algorithm>
#include <kelvo/kelvodrv.h>

#include "frontend/logic/date_text.h"

namespace kelvo::frontend {

std::string recordsReadText(std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    if (highestIndex == 0)
        return "Odczytano rekordów: " + std::to_string(recordsRead);
    // A record read twice (the header copy may lie inside the array) never
    // shows more than the memory holds.
    const std::uint64_t held = std::uint64_t {highestIndex} + 1;
    return "Odczytano rekordów: " + std::to_string(std::min<std::uint64_t>(recordsRead, held)) + " z "
        + std::to_string(held);
}

namespace {

std::string clockText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const std::int64_t hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    std::string text;
    if (hours > 0)
        text += std::to_string(hours) + ":" + twoDigits(minutes);
    else
        text += std::to_string(minutes);
    return text + ":" + twoDigits(rest);
}

}

std::string elapsedText(std::int64_t seconds)
{
    return "Czas odczytu: " + clockText(seconds);
}

std::string timeLeftText(std::uint32_t recordsRead, std::uint32_t highestIndex, std::int64_t elapsedMilliseconds)
{
    const std::uint64_t held = std::uint64_t {highestIndex} + 1;
    if (highestIndex == 0 || recordsRead == 0 || elapsedMilliseconds <= 0)
        return {};
    const std::uint64_t left = held - std::min<std::uint64_t>(recordsRead, held);
    // Rounded up: a last record still to come is not "0:00" away.
    const std::uint64_t milliseconds = left * static_cast<std::uint64_t>(elapsedMilliseconds);
    const std::int64_t seconds = static_cast<std::int64_t>((milliseconds + recordsRead * 1000ULL - 1) / (recordsRead * 1000ULL));
    return "Pozostało około: " + clockText(seconds);
}

ReadProgressWatch::ReadProgressWatch()
{
    UstawienieFunkcjiPostepuOdczytu(&ReadProgressWatch::note, this);
}

ReadProgressWatch::~ReadProgressWatch()
{
    UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
}

ReadProgress ReadProgressWatch::current() const
{
    const std::uint64_t last = last_.load();
    return {static_cast<std::uint32_t>(last >> 32), static_cast<std::uint32_t>(last)};
}

std::chrono::seconds ReadProgressWatch::elapsed() const
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_);
}

void ReadProgressWatch::note(void* context, std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    static_cast<ReadProgressWatch*>(context)->last_.store(std::uint64_t {recordsRead} << 32 | highestIndex);
}

}
