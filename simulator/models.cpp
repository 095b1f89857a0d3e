#include "simulator/models.h"

#include <algorithm>
#include <array>

namespace kelvo::sim {

namespace {

constexpr std::array<std::uint8_t, 10> orvan{28, 31, 103, 104, 121, 122, 126, 140, 141, 142};
constexpr std::array<std::uint8_t, 12> tiber{22, 23, 29, 32, 35, 38, 100, 101, 134, 135, 137, 138};
constexpr std::array<std::uint8_t, 3> saska{43, 102, 136};
constexpr std::array<std::uint8_t, 3> pelun{107, 132, 133};
constexpr std::array<std::uint8_t, 1> dorn{116};
constexpr std::array<std::uint8_t, 6> lunda{39, 57, 109, 110, 119, 120};
constexpr std::array<std::uint8_t, 2> fiora{37, 61};
constexpr std::array<std::uint8_t, 1> kametSol{117};
constexpr std::array<std::uint8_t, 1> kametVel{118};
constexpr std::array<std::uint8_t, 1> kametTor{127};
constexpr std::array<std::uint8_t, 1> palmo{36};
constexpr std::array<std::uint8_t, 1> gilon{108};
constexpr std::array<std::uint8_t, 1> votraK{128};
constexpr std::array<std::uint8_t, 1> votraKLM{129};
constexpr std::array<std::uint8_t, 1> votraNK{130};
constexpr std::array<std::uint8_t, 1> votraNKLM{131};
constexpr std::array<std::uint8_t, 1> votra{124};
constexpr std::array<std::uint8_t, 1> votraN{125};

constexpr std::array<ModelRowCodes, 19> rows{{
    {ModelRow::Orvan, "Orvan", orvan},
    {ModelRow::Tiber, "Tiber", tiber},
    {ModelRow::Saska, "Saska", saska},
    {ModelRow::Pelun, "Pelun", pelun},
    {ModelRow::Dorn, "Dorn", dorn},
    {ModelRow::Lunda, "Lunda", lunda},
    {ModelRow::Fiora, "Fiora", fiora},
    {ModelRow::KametSol, "Kamet Sol", kametSol},
    {ModelRow::KametVel, "Kamet Vel", kametVel},
    {ModelRow::KametTor, "Kamet Tor", kametTor},
    {ModelRow::Palmo, "Palmo", palmo},
    {ModelRow::Gilon, "Gilon", gilon},
    {ModelRow::VotraK, "Votra K", votraK},
    {ModelRow::VotraKLM, "Votra KLM", votraKLM},
    {ModelRow::VotraNK, "VotraN K", votraNK},
    {ModelRow::VotraNKLM, "VotraN KLM", votraNKLM},
    {ModelRow::Votra, "Votra", votra},
    {ModelRow::VotraN, "VotraN", votraN},
    {ModelRow::Kelvo, "Kelvo", {}},
}};

bool isKamet(ModelRow row)
{
    return row == ModelRow::KametSol || row == ModelRow::KametVel || row == ModelRow::KametTor;
}

bool isVotra(ModelRow row)
{
    return row == ModelRow::VotraK || row == ModelRow::VotraKLM || row == ModelRow::VotraNK ||
           row == ModelRow::VotraNKLM || row == ModelRow::Votra || row == ModelRow::VotraN;
}

bool isArticleRow(ModelRow row)
{
    return row == ModelRow::Lunda || row == ModelRow::Fiora || row == ModelRow::Palmo;
}

// The models that hand over information blocks: the newest Orvan and Tiber
// registers, code 139 and the Dorn.
bool hasInfoBlocks(std::uint8_t code)
{
    constexpr std::array<std::uint8_t, 12> codes{116, 121, 122, 126, 134, 135, 137, 138, 139, 140, 141, 142};
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}

std::span<const ModelRowCodes> modelRows()
{
    return rows;
}

ModelRow rowOf(std::uint8_t deviceCode)
{
    for (const auto& row : rows)
        if (std::find(row.codes.begin(), row.codes.end(), deviceCode) != row.codes.end()) return row.row;
    return ModelRow::Kelvo;
}

std::string_view rowName(ModelRow row)
{
    return rows[static_cast<std::size_t>(row)].name;
}

ModelProfile profileFor(std::uint8_t deviceCode)
{
    ModelProfile p;
    p.deviceCode = deviceCode;
    p.row = rowOf(deviceCode);
    p.name = std::string(rowName(p.row)) + " " + std::to_string(deviceCode);

    switch (p.row) {
    case ModelRow::Orvan:
        p.lineWidth = 40;
        p.headerLines = (deviceCode == 121 || deviceCode == 122 || deviceCode >= 126) ? 6 : 4;
        break;
    case ModelRow::Tiber: p.lineWidth = 40; p.headerLines = 4; break;
    case ModelRow::Saska: p.lineWidth = 18; p.headerLines = 6; break;
    case ModelRow::Pelun: p.lineWidth = 18; p.headerLines = 5; break;
    case ModelRow::Dorn: p.lineWidth = 24; p.headerLines = 6; break;
    case ModelRow::Lunda:
    case ModelRow::Fiora:
    case ModelRow::Palmo: p.lineWidth = 0; p.headerLines = 0; break;
    case ModelRow::KametSol:
    case ModelRow::KametVel:
    case ModelRow::KametTor: p.lineWidth = 24; p.headerLines = 6; break;
    case ModelRow::Gilon: p.lineWidth = 40; p.headerLines = 4; break;
    case ModelRow::VotraK:
    case ModelRow::VotraKLM:
    case ModelRow::VotraNK:
    case ModelRow::VotraNKLM: p.lineWidth = 42; p.headerLines = 7; break;
    case ModelRow::Votra:
    case ModelRow::VotraN: p.lineWidth = 40; p.headerLines = 6; break;
    case ModelRow::Kelvo: p.lineWidth = 40; p.headerLines = 4; break;
    }

    // Version 1 'A' of codes 100 to 102 is the one with a 12-character unique
    // number; Kamet registers from version 3 on answer status group 5.
    p.version = (deviceCode >= 100 && deviceCode <= 102) ? 1 : 3;
    p.versionLetter = 'A';
    p.infoBlocks = hasInfoBlocks(deviceCode);
    p.identityRequest = deviceCode >= 100;
    p.fiscalMemory = deviceCode >= 100;
    p.crcRecords = deviceCode == 116 || deviceCode > 120;
    p.familyB = p.row == ModelRow::Saska || p.row == ModelRow::Pelun;
    p.pluCountRequest = deviceCode >= 116 && !isKamet(p.row);
    p.articleDetails = isArticleRow(p.row);
    p.pluCapacity = (p.row == ModelRow::Gilon || isVotra(p.row)) ? 0 : (p.pluCountRequest ? 8000 : 2400);
    p.statusGroup4 = deviceCode >= 116 && !(deviceCode >= 124 && deviceCode <= 131 && deviceCode != 126 &&
                                            deviceCode != 127);
    p.statusGroup5 = isKamet(p.row);
    return p;
}

std::size_t uniqueNumberLength(const ModelProfile& profile)
{
    const bool twelve = profile.deviceCode >= 100 && profile.deviceCode <= 102 && profile.version == 1 &&
                        profile.versionLetter == 'A';
    return twelve ? 12 : 11;
}

std::size_t headerAnswerLength(const ModelProfile& profile)
{
    if (profile.row == ModelRow::Saska || profile.row == ModelRow::Pelun) return 42;
    return static_cast<std::size_t>(profile.lineWidth) + 2;
}

}
