#include "frontend/logic/read_progress.h"

#include <algorithm>
#include <kelvo/kelvodrv.h>

#include "frontend/logic/date_text.h"

namespace kelvo::frontend {

std::string elapsedText(std::chrono::seconds elapsed)
{
    const long long total = std::max<long long>(elapsed.count(), 0);
    const long long hours = total / 3600;
    const int minutes = static_cast<int>(total / 60 % 60);
    const int seconds = static_cast<int>(total % 60);
    if (hours > 0)
        return std::to_string(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(seconds);
    return std::to_string(minutes) + ":" + twoDigits(seconds);
}

std::string readProgressText(const ReadProgress& progress, std::chrono::seconds elapsed)
{
    const std::string time = "czas " + elapsedText(elapsed);
    if (progress.recordsRead == 0)
        return "trwa odczyt danych z kasy, " + time;
    const std::uint32_t total = progress.recordsInMemory();
    if (total == 0)
        return "odczytane rekordy: " + std::to_string(progress.recordsRead) + ", " + time;
    // A record read twice (the header copy may lie inside the array) never
    // shows more than the memory holds.
    const std::uint32_t read = std::min(progress.recordsRead, total);
    return "odczytane rekordy: " + std::to_string(read) + " z " + std::to_string(total) + ", " + time;
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
