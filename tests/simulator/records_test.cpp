// Each record type encoded as a record read answers it, against bytes worked
// out by hand from the record layouts (dates BCD, numbers little-endian,
// amounts one's-complemented, check value XOR or CRC-16).
#include "simulator/records.h"

#include <gtest/gtest.h>

namespace kelvo::sim {
namespace {

constexpr RecordLayout xorLayout{false, false, 63};
constexpr RecordLayout crcLayout{true, false, 63};
constexpr RecordLayout familyBXor{false, true, 63};
constexpr RecordLayout familyBCrc{true, true, 63};

Record dailyReport()
{
    Record r;
    r.type = RecordType::DailyReport;
    r.date = {2012, 1, 16};
    r.number = 258;
    r.amounts[0] = 12345;
    r.receipts = 300;
    r.goodsChanges = 5;
    r.cancelledReceipts = 2;
    r.cancelledAmount = 250;
    return r;
}

TEST(RecordEncoding, DailyReportXorLayout)
{
    EXPECT_EQ(toHex(encodeRecord(dailyReport(), xorLayout)),
              "7C 12 01 16 02 01 C6 CF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 2C 01 05 00 00 02 00 FA 00 00 00 00 00 00 00 00 00 00 00 00 00 20");
}

TEST(RecordEncoding, DailyReportFamilyBTrailer)
{
    // Goods-database changes take two bytes, so the cancelled count and amount move up by one.
    EXPECT_EQ(toHex(encodeRecord(dailyReport(), familyBXor)),
              "7C 12 01 16 02 01 C6 CF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 2C 01 05 00 02 00 FA 00 00 00 00 00 00 00 00 00 00 00 00 00 00 20");
}

TEST(RecordEncoding, TaxRatesCrcLayout)
{
    Record r;
    r.type = RecordType::TaxRates;
    r.date = {2011, 1, 1};
    r.number = 2;
    r.rates = {TaxRate{RateKind::Taxed, 2300}, TaxRate{RateKind::Taxed, 800}, TaxRate{RateKind::Taxed, 500},
               TaxRate{RateKind::Taxed, 0}, TaxRate{RateKind::Exempt, 0}, TaxRate{}, TaxRate{}};
    EXPECT_EQ(toHex(encodeRecord(r, crcLayout)),
              "7A 7A 11 01 01 02 00 08 FC 03 20 01 F4 00 00 40 00 80 00 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 D1 67");
}

TEST(RecordEncoding, CurrencyChangeBothPositions)
{
    Record r;
    r.type = RecordType::CurrencyChange;
    r.date = {2011, 12, 31};
    r.number = 1;
    r.time = {23, 59};
    r.currency = "EUR";
    EXPECT_EQ(toHex(encodeRecord(r, xorLayout)),
              "5E 11 12 31 01 00 02 03 05 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 45 55 52 00 00 00 7C");
    EXPECT_EQ(toHex(encodeRecord(r, familyBCrc)),
              "5E 5E 11 12 31 01 00 02 03 05 09 00 00 45 55 52 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7C A4");
}

TEST(RecordEncoding, MarkedRamClearHasBit6OfStatusClear)
{
    Record r;
    r.type = RecordType::RamClear;
    r.date = {2012, 2, 29};
    r.number = 3;
    r.time = {7, 5};
    r.marked = true;
    EXPECT_EQ(toHex(encodeRecord(r, crcLayout)),
              "2E 2E 12 02 29 03 00 00 07 00 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 D4 20");
}

TEST(RecordEncoding, CumulativeTotals)
{
    Record r;
    r.type = RecordType::CumulativeTotals;
    r.date = {2012, 1, 16};
    r.number = 258;
    r.amounts[0] = 1000;
    r.totalDue = 99999;
    EXPECT_EQ(toHex(encodeRecord(r, crcLayout)),
              "74 74 12 01 16 02 01 00 00 00 00 17 FC FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 60 79 FE FF FF 00 00 00 00 00 00 00 00 00 00 B8 C5");
}

TEST(RecordEncoding, DaySignatureLabelAndCardClosing)
{
    Record signature;
    signature.type = RecordType::DaySignature;
    signature.date = {2012, 1, 16};
    signature.number = 258;
    for (std::uint8_t k = 0; k < 20; ++k) signature.signature.push_back(k);
    EXPECT_EQ(toHex(encodeRecord(signature, crcLayout)),
              "72 72 12 01 16 02 01 00 00 00 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 3C B1");

    Record label;
    label.type = RecordType::DayLabel;
    label.date = {2012, 1, 16};
    label.number = 258;
    label.label = "DZIEN 1";
    EXPECT_EQ(toHex(encodeRecord(label, xorLayout)),
              "66 12 01 16 02 01 00 00 00 00 44 5A 49 45 4E 20 31 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 4B");

    Record card;
    card.type = RecordType::CardClosing;
    card.date = {2013, 5, 2};
    card.number = 7;
    for (std::uint8_t k = 0xA0; k < 0xB4; ++k) card.signature.push_back(k);
    card.label = "KARTA";
    EXPECT_EQ(toHex(encodeRecord(card, crcLayout)),
              "56 56 13 05 02 07 00 00 00 00 00 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF B0 B1 B2 B3 4B 41 52 54 41 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 E0 FF");
}

TEST(RecordEncoding, DeliberateDamage)
{
    Record damaged = dailyReport();
    damaged.damaged = true;
    const Bytes bytes = encodeRecord(damaged, xorLayout);
    EXPECT_EQ(bytes.back(), 0x7A);  // the right XOR was 0x20

    Record retyped = dailyReport();
    retyped.typeByte = 0x7D;
    EXPECT_EQ(encodeRecord(retyped, xorLayout).front(), 0x7D);
    EXPECT_EQ(encodeRecord(retyped, crcLayout)[1], 0x7D);
    EXPECT_EQ(encodeRecord(retyped, crcLayout)[0], 0x7C);

    Record raw;
    raw.raw = Bytes{0x01, 0x02};
    const Bytes rawBytes = encodeRecord(raw, crcLayout);
    ASSERT_EQ(rawBytes.size(), 63u);
    EXPECT_EQ(rawBytes[1], 0x02);
    EXPECT_EQ(rawBytes[2], 0xFF);
}

TEST(RecordEncoding, FieldBeyondAShortRecordIsRefused)
{
    EXPECT_THROW(encodeRecord(dailyReport(), RecordLayout{true, false, 40}), std::invalid_argument);
}

}
}
