// How the progress of reading the fiscal memory is told to the user.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::frontend {

// "Odczytano rekordów: 120 z 2060", without " z ..." while the highest index
// is not known.
std::string recordsReadText(std::uint32_t recordsRead, std::uint32_t highestIndex);

// "Czas odczytu: 2:05" (minutes and seconds; hours when it gets that long).
std::string elapsedText(std::int64_t seconds);

}
