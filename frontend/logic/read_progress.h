// How far the report command has read the fiscal memory, as the driver's
// read-progress function tells it, and the texts a person is shown for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace kelvo::frontend {

// "Odczytano rekordów: 120 z 2060": the records read against the records the
// memory holds (indexes 0 to the highest), without " z ..." while the
// highest index is not known.
std::string recordsReadText(std::uint32_t recordsRead, std::uint32_t highestIndex);

// "Czas odczytu: 2:05" (minutes and seconds; hours when it gets that long).
std::string elapsedText(std::int64_t seconds);

// "Pozostało około: 1:10": the records still to read at the pace of those
// read so far; empty while there is no pace or no end to measure against.
std::string timeLeftText(std::uint32_t recordsRead, std::uint32_t highestIndex, std::int64_t elapsedMilliseconds);

struct ReadProgress {
    std::uint32_t recordsRead = 0;
    std::uint32_t highestIndex = 0;  // 0 while the driver does not know it
};

// Registers itself as the driver's read-progress function for its lifetime
// and keeps what it was told last, to be looked at from any thread.
class ReadProgressWatch {
public:
    ReadProgressWatch();
    ~ReadProgressWatch();
    ReadProgressWatch(const ReadProgressWatch&) = delete;
    ReadProgressWatch& operator=(const ReadProgressWatch&) = delete;

    ReadProgress current() const;
    std::chrono::seconds elapsed() const;

private:
    static void note(void* context, std::uint32_t recordsRead, std::uint32_t highestIndex);

    // Both numbers in one word, so that a reader never sees a count of one
    // call with the highest index of another.
    std::atomic<std::uint64_t> last_ {0};
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}
