// Fiscal memory records and their encoding into the bytes a record read
// answers: the status byte, the type byte, the body and the check value.
#pragma once

#include "simulator/bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvo::sim {

enum class RecordType : std::uint8_t {
    DailyReport = 60,
    TaxRates = 58,
    CurrencyChange = 30,
    RamClear = 46,
    CumulativeTotals = 52,
    DaySignature = 50,
    DayLabel = 38,
    CardClosing = 22,
};

struct Date {
    int year = 2000;  // full year, 2000 to 2099
    int month = 1;
    int day = 1;
    auto operator<=>(const Date&) const = default;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
};

enum class RateKind : std::uint8_t { Taxed, Exempt, Unused };

struct TaxRate {
    RateKind kind = RateKind::Unused;
    std::uint16_t hundredths = 0;  // 2300 = 23,00 %
};

constexpr std::size_t taxLetters = 7;  // A to G
constexpr std::uint64_t maxAmount = (std::uint64_t{1} << 40) - 1;

struct Record {
    RecordType type = RecordType::DailyReport;
    Date date;
    std::uint16_t number = 0;
    TimeOfDay time;                                  // currency change, RAM clear
    std::array<std::uint64_t, taxLetters> amounts{}; // daily gross per letter, or cumulative tax per letter
    std::uint64_t totalDue = 0;                      // cumulative totals
    std::uint32_t receipts = 0;
    std::uint32_t goodsChanges = 0;
    std::uint32_t cancelledReceipts = 0;
    std::uint64_t cancelledAmount = 0;
    std::array<TaxRate, taxLetters> rates{};
    std::string currency;                            // three characters
    bool marked = false;                             // RAM clear with bit 0x40 of the status clear
    Bytes signature;                                 // 20 bytes
    std::string label;                               // up to 30 characters

    // Deliberate damage: a wrong check value on every read, replaced status
    // or type bytes, or the whole answer given as it is.
    bool damaged = false;
    std::optional<std::uint8_t> statusByte;
    std::optional<std::uint8_t> typeByte;
    std::optional<Bytes> raw;
};

struct RecordLayout {
    bool crc = false;        // CRC-16 over type and body, else XOR of the body
    bool familyB = false;    // Saska and Pelun field positions
    std::uint8_t length = 63;
};

// The L bytes answered for the record; unused body bytes are 0.
Bytes encodeRecord(const Record& record, const RecordLayout& layout);

// Changes the lowest byte of the body's first amount (D[6]) and seals the
// answer again, so that it reads as a valid record holding other figures:
// the same register with another memory behind it.
void changeFirstAmount(Bytes& answer, const RecordLayout& layout);

std::string_view recordTypeName(RecordType type);
std::optional<RecordType> recordTypeFromName(std::string_view name);

}
