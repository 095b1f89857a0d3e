// How far the report command has read the fiscal memory, as the driver's
// read-progress function tells it, and the text a person is shown for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace kelvo::frontend {

struct ReadProgress {
    std::uint32_t recordsRead = 0;
    std::uint32_t highestIndex = 0;  // 0 while the driver does not know it

    // The records the memory holds (indexes 0 to the highest), 0 when unknown.
    std::uint32_t recordsInMemory() const { return highestIndex == 0 ? 0 : highestIndex + 1; }
};

// "2:05" for 125 seconds, "1:02:03" from an hour on.
std::string elapsedText(std::chrono::seconds elapsed);

// "odczytane rekordy: 123 z 2060, czas 0:45"; without the total while the
// driver does not know it, and before the first record only the time.
std::string readProgressText(const ReadProgress& progress, std::chrono::seconds elapsed);

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
