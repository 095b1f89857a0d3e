// The register models by device code, and the capability tests every other
// part of the driver asks instead of comparing device codes itself.
#pragma once

#include <cstdint>
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

bool isCode100OrAbove(std::uint8_t d);
bool isDornRow(std::uint8_t d);
bool isCode139(std::uint8_t d);
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
bool isCode116AndAboveOutsideKamet(std::uint8_t d);
bool isCode116OrAbove120(std::uint8_t d);
bool isGilonRow(std::uint8_t d);
bool isVotraKRowGroup(std::uint8_t d);
bool isVotraRowGroup(std::uint8_t d);

}
