// What identification learns about the register, each item with its own
// known-flag so that it is asked at most once per command.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::drv {

template <typename T>
struct Known {
    T value {};
    bool known = false;

    void set(T v)
    {
        value = std::move(v);
        known = true;
    }
};

// One of the three information blocks (0, 1 and 128) a newer register hands over.
struct InformationBlock {
    enum class State : std::uint8_t { NotAsked, Read, NotSupported };
    State state = State::NotAsked;
    std::uint8_t validCount = 0;
    std::array<std::uint8_t, 128> bytes {};
};

struct HeaderLine {
    std::uint8_t attribute = 0;
    std::string text;
};

inline constexpr std::uint16_t kPluCountNotRead = 65535;

struct DeviceIdentity {
    Known<std::uint8_t> deviceCode;
    Known<std::uint8_t> version;
    Known<std::string> versionLetter;
    Known<std::string> uniqueNumber;
    Known<std::string> registerNumber;  // two characters as the register gives them
    Known<std::string> modelName;
    Known<std::uint8_t> lineWidth;
    Known<std::uint8_t> headerLineCount;
    Known<std::string> generation;
    Known<std::uint32_t> memorySize;
    Known<std::uint16_t> recordLimit;
    Known<std::uint8_t> recordLength;
    Known<std::uint16_t> headerOffset;
    Known<bool> blockOneFlag;
    std::uint16_t pluCount = kPluCountNotRead;
    std::string description;
    std::vector<HeaderLine> headerLines;
    bool foundInCache = false;
    bool cacheEndsOpen = false;  // the cache file's last line lacks its line break
    std::array<InformationBlock, 3> blocks;
};

}
