#include "simulator/faults.h"

#include <array>
#include <charconv>
#include <stdexcept>

namespace kelvo::sim {

namespace {

struct KindName {
    FaultKind kind;
    std::string_view name;
};

constexpr std::array<KindName, 12> kindNames{{
    {FaultKind::Nak, "nak"},
    {FaultKind::Silent, "silent"},
    {FaultKind::Status, "status"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::Drop, "drop"},
    {FaultKind::HangUp, "hang-up"},
    {FaultKind::BadChecksum, "bad-checksum"},
    {FaultKind::ConverterCrc, "converter-crc"},
    {FaultKind::ConverterParts, "converter-parts"},
    {FaultKind::ReportCrc, "report-crc"},
    {FaultKind::ReportOversized, "report-oversized"},
    {FaultKind::ChangedRecord, "changed-record"},
}};

std::vector<std::string_view> splitColons(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return parts;
}

std::uint32_t number(std::string_view text, std::string_view whole)
{
    std::uint32_t value = 0;
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        throw std::invalid_argument("niepoprawna liczba w usterce „" + std::string(whole) + "”");
    return value;
}

}

std::string_view faultKindName(FaultKind kind)
{
    return kindNames[static_cast<std::size_t>(kind)].name;
}

std::optional<FaultKind> faultKindFromName(std::string_view name)
{
    for (const auto& k : kindNames)
        if (k.name == name) return k.kind;
    return std::nullopt;
}

Fault parseFault(std::string_view text)
{
    const auto parts = splitColons(text);
    const auto kind = faultKindFromName(parts[0]);
    if (!kind) throw std::invalid_argument("nieznany rodzaj usterki w „" + std::string(text) + "”");
    Fault fault;
    fault.kind = *kind;
    auto need = [&](std::size_t least, std::size_t most) {
        if (parts.size() < least || parts.size() > most)
            throw std::invalid_argument("niewłaściwa liczba pól w usterce „" + std::string(text) + "”");
    };
    switch (fault.kind) {
    case FaultKind::Nak:
    case FaultKind::Silent:
        need(2, 3);
        fault.target = number(parts[1], text);
        if (parts.size() == 3) fault.times = number(parts[2], text);
        break;
    case FaultKind::Status:
    case FaultKind::Garbage:
    case FaultKind::Drop:
    case FaultKind::HangUp:
        need(3, 4);
        fault.target = number(parts[1], text);
        fault.value = number(parts[2], text);
        if (parts.size() == 4) fault.times = number(parts[3], text);
        break;
    case FaultKind::BadChecksum:
        need(3, 3);
        fault.target = number(parts[1], text);
        if (parts[2] == "vary")
            fault.varying = true;
        else
            fault.times = number(parts[2], text);
        break;
    case FaultKind::ChangedRecord:
        need(2, 2);
        fault.target = number(parts[1], text);
        break;
    case FaultKind::ConverterCrc:
        need(2, 2);
        fault.times = number(parts[1], text);
        break;
    case FaultKind::ReportCrc:
    case FaultKind::ReportOversized:
        // Printed reports answer the probe, command 49.
        need(1, 2);
        fault.target = 49;
        if (parts.size() == 2) fault.times = number(parts[1], text);
        break;
    case FaultKind::ConverterParts:
        need(2, 2);
        fault.value = number(parts[1], text);
        if (fault.value == 0) throw std::invalid_argument("rozmiar części 0 w usterce „" + std::string(text) + "”");
        break;
    }
    if ((fault.kind == FaultKind::Status) && fault.value > 255)
        throw std::invalid_argument("stan większy niż 255 w usterce „" + std::string(text) + "”");
    return fault;
}

FaultSet::FaultSet(std::vector<Fault> faults) : faults_(std::move(faults)), used_(faults_.size(), 0) {}

const Fault* FaultSet::take(FaultKind kind, std::uint32_t target)
{
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const Fault& f = faults_[i];
        if (f.kind != kind || f.target != target || used_[i] >= f.times) continue;
        ++used_[i];
        return &f;
    }
    return nullptr;
}

const Fault* FaultSet::find(FaultKind kind) const
{
    for (const Fault& f : faults_)
        if (f.kind == kind) return &f;
    return nullptr;
}

std::uint8_t FaultSet::checksumDamage(std::uint32_t recordIndex)
{
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const Fault& f = faults_[i];
        if (f.kind != FaultKind::BadChecksum || f.target != recordIndex) continue;
        if (f.varying) {
            ++used_[i];
            // 1, 2, 3, ... never repeats within 255 reads and is never 0.
            return static_cast<std::uint8_t>((used_[i] - 1) % 255 + 1);
        }
        if (used_[i] >= f.times) return 0;
        ++used_[i];
        return 0x33;
    }
    return 0;
}

bool FaultSet::recordChanged(std::uint32_t recordIndex) const
{
    for (const Fault& f : faults_)
        if (f.kind == FaultKind::ChangedRecord && f.target == recordIndex) return true;
    return false;
}

}
