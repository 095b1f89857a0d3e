#include "driver/core/model_table.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace kelvo::drv {

namespace {

bool among(std::uint8_t d, std::initializer_list<std::uint8_t> codes)
{
    return std::find(codes.begin(), codes.end(), d) != codes.end();
}

}

bool isSecondGeneration(std::uint8_t d) { return d >= 100; }
bool isDornRow(std::uint8_t d) { return d == 116; }
bool predatesDorn(std::uint8_t d) { return d < 116; }
bool isKelvoFamilyAModel(std::uint8_t d) { return d == 139; }
bool isPelunRow(std::uint8_t d) { return among(d, {107, 132, 133}); }
bool isSaskaRow(std::uint8_t d) { return among(d, {43, 102, 136}); }
bool isTiberGroupB(std::uint8_t d) { return among(d, {134, 135, 137, 138}); }
bool isTiberRow(std::uint8_t d) { return among(d, {22, 23, 29, 32, 35, 38, 100, 101}) || isTiberGroupB(d); }
bool isOrvanGroupB(std::uint8_t d) { return among(d, {121, 122, 126, 140, 141, 142}); }
bool isOrvanRow(std::uint8_t d) { return among(d, {28, 31, 103, 104}) || isOrvanGroupB(d); }
bool isLundaRow(std::uint8_t d) { return among(d, {39, 57, 109, 110, 119, 120}); }
bool isFioraRow(std::uint8_t d) { return among(d, {37, 61}); }
bool isPalmoRow(std::uint8_t d) { return d == 36; }
bool isLundaFioraOrPalmoRow(std::uint8_t d) { return isLundaRow(d) || isFioraRow(d) || isPalmoRow(d); }
bool isKametRow(std::uint8_t d) { return among(d, {117, 118, 127}); }
bool tellsPluCount(std::uint8_t d) { return !predatesDorn(d) && !isKametRow(d); }
bool hasCrcRecords(std::uint8_t d) { return isDornRow(d) || d > 120; }
bool isGilonRow(std::uint8_t d) { return d == 108; }
bool isVotraKRowGroup(std::uint8_t d) { return among(d, {128, 129, 130, 131}); }
bool isVotraRowGroup(std::uint8_t d) { return among(d, {124, 125}); }
bool hasExtendedStatus(std::uint8_t d) { return !predatesDorn(d) && !isVotraRowGroup(d) && !isVotraKRowGroup(d); }

bool hasTwelveCharacterUniqueNumber(std::uint8_t d, std::uint8_t version, const std::string& letter)
{
    return among(d, {100, 101, 102}) && version == 1 && letter == "A";
}

bool uniqueNumberHasBlank(std::uint8_t d)
{
    return isSecondGeneration(d) && d != 114;
}

std::optional<std::uint8_t> remappedDeviceCode(std::uint8_t d)
{
    switch (d) {
    case 132: case 133: return 107;
    case 136: return 102;
    default: return std::nullopt;
    }
}

ModelRow modelRow(std::uint8_t d)
{
    if (isOrvanRow(d)) return ModelRow::Orvan;
    if (isTiberRow(d)) return ModelRow::Tiber;
    if (isSaskaRow(d)) return ModelRow::Saska;
    if (isPelunRow(d)) return ModelRow::Pelun;
    if (isDornRow(d)) return ModelRow::Dorn;
    if (isLundaRow(d)) return ModelRow::Lunda;
    if (isFioraRow(d)) return ModelRow::Fiora;
    if (d == 117) return ModelRow::KametSol;
    if (d == 118) return ModelRow::KametVel;
    if (d == 127) return ModelRow::KametTor;
    if (isPalmoRow(d)) return ModelRow::Palmo;
    if (isGilonRow(d)) return ModelRow::Gilon;
    if (d == 128) return ModelRow::VotraK;
    if (d == 129) return ModelRow::VotraKLM;
    if (d == 130) return ModelRow::VotraNK;
    if (d == 131) return ModelRow::VotraNKLM;
    if (d == 124) return ModelRow::Votra;
    if (d == 125) return ModelRow::VotraN;
    return ModelRow::Kelvo;
}

std::string_view modelName(ModelRow row)
{
    static constexpr std::array<std::string_view, 19> kNames {"Orvan", "Tiber", "Saska", "Pelun", "Dorn", "Lunda",
        "Fiora", "Kamet Sol", "Kamet Vel", "Kamet Tor", "Palmo", "Gilon", "Votra K", "Votra KLM", "VotraN K",
        "VotraN KLM", "Votra", "VotraN", "Kelvo"};
    return kNames[static_cast<std::size_t>(row)];
}

std::uint8_t lineWidthOf(std::uint8_t d)
{
    switch (modelRow(d)) {
    case ModelRow::Saska: case ModelRow::Pelun: return 18;
    case ModelRow::Dorn: case ModelRow::KametSol: case ModelRow::KametVel: case ModelRow::KametTor: return 24;
    case ModelRow::Lunda: case ModelRow::Fiora: case ModelRow::Palmo: return 0;
    case ModelRow::VotraK: case ModelRow::VotraKLM: case ModelRow::VotraNK: case ModelRow::VotraNKLM: return 42;
    default: return 40;
    }
}

std::uint8_t headerLineCountOf(std::uint8_t d)
{
    switch (modelRow(d)) {
    case ModelRow::Orvan: return among(d, {121, 122}) || d >= 126 ? 6 : 4;
    case ModelRow::Saska: case ModelRow::Dorn: case ModelRow::KametSol: case ModelRow::KametVel:
    case ModelRow::KametTor: case ModelRow::Votra: case ModelRow::VotraN: return 6;
    case ModelRow::Pelun: return 5;
    case ModelRow::Lunda: case ModelRow::Fiora: case ModelRow::Palmo: return 0;
    case ModelRow::VotraK: case ModelRow::VotraKLM: case ModelRow::VotraNK: case ModelRow::VotraNKLM: return 7;
    default: return 4;
    }
}

}
