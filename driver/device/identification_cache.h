// The identification cache file: one data line per register, by unique
// number, so that the slow PLU count is read once per register.
#pragma once

#include <string>

namespace kelvo::drv {

// The description built from its parts; parts that are empty or "0" are left out.
std::string deviceDescription(const std::string& model, const std::string& plu, const std::string& generation,
    const std::string& version, std::uint8_t deviceCode);

// The description of the identified register.
std::string currentDeviceDescription();

// Looks the identified register up; true when found (its PLU count is then
// taken). Stores 60 for a bad or inconsistent line.
bool findInIdentificationCache();

// Appends the identified register; stores 59 or 61 on failure.
void appendToIdentificationCache();

}
