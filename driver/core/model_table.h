// The register models by device code, and the capability tests every other
// part of the driver asks instead of comparing device codes itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::drv {

enum class ModelRow : std::uint8_t {
    Orvan, Tiber, Saska, Pelun, Dorn, Lunda, Fiora, KametSol, KametVel, KametTor, Palmo, Gilon,
    VotraK, VotraKLM, VotraNK, VotraNKLM, Votra, VotraN, Kelvo,
};

ModelRow modelRow(std::uint8_t deviceCode);
std::string_view modelName(ModelRow row);
std::uint8_t lineWidthOf(std::uint8_t deviceCode);
std::uint8_t headerLineCountOf(std::uint8_t deviceCode);

bool isSecondGeneration(std::uint8_t d);  // codes 100 and above: generation II, a readable fiscal memory
bool isDornRow(std::uint8_t d);
bool predatesDorn(std::uint8_t d);        // the models before the Dorn row, codes below 116
bool isKelvoFamilyAModel(std::uint8_t d); // the Kelvo model of report family A (code 139)
bool isPelunRow(std::uint8_t d);
bool isSaskaRow(std::uint8_t d);
bool isTiberGroupB(std::uint8_t d);
bool isTiberRow(std::uint8_t d);
bool isOrvanGroupB(std::uint8_t d);
bool isOrvanRow(std::uint8_t d);
bool isLundaRow(std::uint8_t d);
bool isFioraRow(std::uint8_t d);
bool isPalmoRow(std::uint8_t d);
bool isLundaFioraOrPalmoRow(std::uint8_t d);
bool isKametRow(std::uint8_t d);
bool tellsPluCount(std::uint8_t d);       // from the Dorn row on, outside the Kamet rows
bool hasCrcRecords(std::uint8_t d);       // the Dorn row and codes above 120
bool isGilonRow(std::uint8_t d);
bool isVotraKRowGroup(std::uint8_t d);
bool isVotraRowGroup(std::uint8_t d);
// Answers status request 87: from the Dorn row on, outside the Votra groups.
bool hasExtendedStatus(std::uint8_t d);
// The unique number has twelve characters (an early Tiber or Saska, version 1A).
bool hasTwelveCharacterUniqueNumber(std::uint8_t d, std::uint8_t version, const std::string& letter);
// The unique number of request 113 gets a blank after its third character.
bool uniqueNumberHasBlank(std::uint8_t d);

// The code a remapped model is identified as (a Pelun or Saska variant that
// answers as its older row), or nothing when it keeps its own.
std::optional<std::uint8_t> remappedDeviceCode(std::uint8_t d);

}
