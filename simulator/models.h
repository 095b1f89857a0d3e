// Register models as the driver tells them apart: one profile per device
// code, with the answers a register of that row gives about itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvo::sim {

enum class ModelRow : std::uint8_t {
    Orvan, Tiber, Saska, Pelun, Dorn, Lunda, Fiora, KametSol, KametVel, KametTor,
    Palmo, Gilon, VotraK, VotraKLM, VotraNK, VotraNKLM, Votra, VotraN, Kelvo,
};

struct ModelRowCodes {
    ModelRow row;
    std::string_view name;
    std::span<const std::uint8_t> codes;  // empty for the catch-all row
};

// The rows in the order the driver tries them.
std::span<const ModelRowCodes> modelRows();

ModelRow rowOf(std::uint8_t deviceCode);
std::string_view rowName(ModelRow row);

struct ModelProfile {
    std::uint8_t deviceCode = 0;
    ModelRow row = ModelRow::Kelvo;
    std::string name;
    std::uint8_t version = 1;
    char versionLetter = 'A';
    std::uint8_t lineWidth = 40;
    std::uint8_t headerLines = 4;
    std::uint16_t pluCapacity = 0;
    bool infoBlocks = false;       // answers information blocks 0, 1, 128 (and command 29 at all)
    bool identityRequest = false;  // answers request 254 with code, version and letter
    bool fiscalMemory = false;     // answers fiscal memory reads (request 154)
    bool crcRecords = false;       // records carry a CRC rather than an XOR byte
    bool familyB = false;          // the Saska and Pelun record layouts
    bool pluCountRequest = false;  // answers request 111 with its PLU capacity
    bool articleDetails = false;   // article probe is request 172 rather than 230
    bool statusGroup4 = false;     // answers status request 87
    bool statusGroup5 = false;     // answers status request 83 (from version 3 on)
};

// Device codes the driver remaps (132, 133 and 136) keep their own profile:
// the register itself reports its real code.
ModelProfile profileFor(std::uint8_t deviceCode);

// Length of the unique number answered to request 113.
std::size_t uniqueNumberLength(const ModelProfile& profile);

// Second-answer length the driver uses for request 157 (status byte included).
std::size_t headerAnswerLength(const ModelProfile& profile);

}
