#include "simulator/records.h"

#include "simulator/crc16.h"

#include <algorithm>
#include <stdexcept>

namespace kelvo::sim {

namespace {

// The body is addressed D[1], D[2], ... as the record layouts are written.
class Body {
public:
    explicit Body(std::size_t size) : bytes_(size, 0) {}

    void put(std::size_t d, std::uint8_t value)
    {
        if (d < 1 || d > bytes_.size()) throw std::invalid_argument("record field beyond the record length");
        bytes_[d - 1] = value;
    }

    void putLittle(std::size_t d, std::uint64_t value, std::size_t width)
    {
        for (std::size_t k = 0; k < width; ++k) put(d + k, static_cast<std::uint8_t>(value >> (8 * k)));
    }

    // Amounts are stored one's-complemented, least significant byte first.
    void putInverted(std::size_t d, std::uint64_t value)
    {
        for (std::size_t k = 0; k < 5; ++k) put(d + k, static_cast<std::uint8_t>(~(value >> (8 * k))));
    }

    void putDate(const Date& date)
    {
        put(1, toBcd(static_cast<unsigned>(date.year % 100)));
        put(2, toBcd(static_cast<unsigned>(date.month)));
        put(3, toBcd(static_cast<unsigned>(date.day)));
    }

    void putTime(std::size_t d, const TimeOfDay& time)
    {
        put(d, static_cast<std::uint8_t>(time.hour / 10));
        put(d + 1, static_cast<std::uint8_t>(time.hour % 10));
        put(d + 2, static_cast<std::uint8_t>(time.minute / 10));
        put(d + 3, static_cast<std::uint8_t>(time.minute % 10));
    }

    void putText(std::size_t d, std::string_view text, std::size_t width)
    {
        for (std::size_t k = 0; k < width && k < text.size(); ++k) put(d + k, static_cast<std::uint8_t>(text[k]));
    }

    void putBytes(std::size_t d, std::span<const std::uint8_t> bytes, std::size_t width)
    {
        for (std::size_t k = 0; k < width && k < bytes.size(); ++k) put(d + k, bytes[k]);
    }

    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

void encodeBody(const Record& r, bool familyB, Body& body)
{
    body.putDate(r.date);
    body.putLittle(4, r.number, 2);
    switch (r.type) {
    case RecordType::DailyReport:
        for (std::size_t q = 0; q < taxLetters; ++q) body.putInverted(6 + 5 * q, r.amounts[q]);
        body.putLittle(41, r.receipts, 2);
        if (familyB) {
            body.putLittle(43, r.goodsChanges, 2);
            body.putLittle(45, r.cancelledReceipts, 2);
            body.putLittle(47, r.cancelledAmount, 5);
        } else {
            body.putLittle(43, r.goodsChanges, 3);
            body.putLittle(46, r.cancelledReceipts, 2);
            body.putLittle(48, r.cancelledAmount, 5);
        }
        break;
    case RecordType::TaxRates:
        for (std::size_t q = 0; q < taxLetters; ++q) {
            const TaxRate& rate = r.rates[q];
            const std::uint16_t word = rate.kind == RateKind::Exempt  ? 0x4000
                                       : rate.kind == RateKind::Unused ? 0x8000
                                                                       : rate.hundredths;
            body.put(6 + 2 * q, static_cast<std::uint8_t>(word >> 8));
            body.put(7 + 2 * q, static_cast<std::uint8_t>(word & 0xFF));
        }
        break;
    case RecordType::CurrencyChange:
        body.putTime(6, r.time);
        body.putText(familyB ? 12 : 56, r.currency, 3);
        break;
    case RecordType::RamClear:
        body.putTime(6, r.time);
        break;
    case RecordType::CumulativeTotals:
        for (std::size_t q = 0; q < taxLetters; ++q) body.putInverted(10 + 5 * q, r.amounts[q]);
        body.putInverted(45, r.totalDue);
        break;
    case RecordType::DaySignature:
        body.putBytes(10, r.signature, 20);
        break;
    case RecordType::DayLabel:
        body.putText(10, r.label, 30);
        break;
    case RecordType::CardClosing:
        body.putBytes(10, r.signature, 20);
        body.putText(30, r.label, 30);
        break;
    }
}

}

namespace {

// Writes the check value of the layout at the end of the answer; a damaged
// record gets a wrong one.
void seal(Bytes& answer, const RecordLayout& layout, bool damaged)
{
    const std::size_t length = answer.size();
    if (layout.crc) {
        std::uint16_t crc = crc16(std::span(answer).subspan(1, length - 3));
        if (damaged) crc ^= 0x5A5A;
        answer[length - 2] = static_cast<std::uint8_t>(crc & 0xFF);
        answer[length - 1] = static_cast<std::uint8_t>(crc >> 8);
    } else {
        std::uint8_t x = 0;
        for (std::size_t k = 1; k + 1 < length; ++k) x ^= answer[k];
        if (damaged) x ^= 0x5A;
        answer[length - 1] = x;
    }
}

}

Bytes encodeRecord(const Record& record, const RecordLayout& layout)
{
    const std::size_t length = layout.length;
    if (record.raw) {
        Bytes answer = *record.raw;
        answer.resize(length, 0xFF);
        return answer;
    }
    if (length < 8) throw std::invalid_argument("record length too short");

    const auto type = static_cast<std::uint8_t>(record.type);
    // Written records keep bit 0x40 of the status; a marked RAM clear has it clear.
    const std::uint8_t status = record.statusByte.value_or(record.marked ? type : static_cast<std::uint8_t>(0x40 | type));
    const std::uint8_t typeByte = record.typeByte.value_or(status);

    Bytes answer(length, 0);
    if (layout.crc) {
        Body body(length - 4);
        encodeBody(record, layout.familyB, body);
        answer[0] = status;
        answer[1] = typeByte;
        std::copy(body.bytes().begin(), body.bytes().end(), answer.begin() + 2);
    } else {
        // The status byte is the type byte in this layout.
        Body body(length - 2);
        encodeBody(record, layout.familyB, body);
        answer[0] = typeByte;
        std::copy(body.bytes().begin(), body.bytes().end(), answer.begin() + 1);
    }
    seal(answer, layout, record.damaged);
    return answer;
}

void changeFirstAmount(Bytes& answer, const RecordLayout& layout)
{
    // D[k] stands at A[k + 1] under a CRC, at A[k] under an XOR.
    const std::size_t at = layout.crc ? 7 : 6;
    if (answer.size() <= at + 2) return;
    answer[at] ^= 0x01;
    seal(answer, layout, false);
}

namespace {

struct TypeName {
    RecordType type;
    std::string_view name;
};

constexpr std::array<TypeName, 8> typeNames{{
    {RecordType::DailyReport, "daily_report"},
    {RecordType::TaxRates, "tax_rates"},
    {RecordType::CurrencyChange, "currency_change"},
    {RecordType::RamClear, "ram_clear"},
    {RecordType::CumulativeTotals, "cumulative_totals"},
    {RecordType::DaySignature, "day_signature"},
    {RecordType::DayLabel, "day_label"},
    {RecordType::CardClosing, "card_closing"},
}};

}

std::string_view recordTypeName(RecordType type)
{
    for (const auto& t : typeNames)
        if (t.type == type) return t.name;
    return "unknown";
}

std::optional<RecordType> recordTypeFromName(std::string_view name)
{
    for (const auto& t : typeNames)
        if (t.name == name) return t.type;
    return std::nullopt;
}

}
