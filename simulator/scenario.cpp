#include "simulator/scenario.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kelvo::sim {

using nlohmann::json;

namespace {

constexpr std::string_view letters = "ABCDEFG";

[[noreturn]] void fail(const std::string& what)
{
    throw ScenarioError(what);
}

int digits(std::string_view text, std::size_t pos, std::size_t count, const std::string& what)
{
    int value = 0;
    if (pos + count > text.size()) fail("bad " + what + ": \"" + std::string(text) + "\"");
    for (std::size_t k = pos; k < pos + count; ++k) {
        if (text[k] < '0' || text[k] > '9') fail("bad " + what + ": \"" + std::string(text) + "\"");
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

Date parseDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') fail("date must be YYYY-MM-DD: \"" + std::string(text) + "\"");
    Date d{digits(text, 0, 4, "date"), digits(text, 5, 2, "date"), digits(text, 8, 2, "date")};
    if (d.year < 2000 || d.year > 2099 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31)
        fail("date out of range: \"" + std::string(text) + "\"");
    return d;
}

TimeOfDay parseTime(std::string_view text)
{
    if (text.size() != 5 || text[2] != ':') fail("time must be HH:MM: \"" + std::string(text) + "\"");
    TimeOfDay t{digits(text, 0, 2, "time"), digits(text, 3, 2, "time")};
    if (t.hour > 23 || t.minute > 59) fail("time out of range: \"" + std::string(text) + "\"");
    return t;
}

DateTime parseDateTime(std::string_view text)
{
    if (text.size() != 16 || text[10] != ' ') fail("date and time must be YYYY-MM-DD HH:MM: \"" + std::string(text) + "\"");
    return DateTime{parseDate(text.substr(0, 10)), parseTime(text.substr(11))};
}

std::string twoDigits(int v)
{
    std::array<char, 8> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d", v);
    return buffer.data();
}

std::string formatDate(const Date& d)
{
    return std::to_string(d.year) + "-" + twoDigits(d.month) + "-" + twoDigits(d.day);
}

std::string formatTime(const TimeOfDay& t)
{
    return twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

std::string formatDateTime(const DateTime& t)
{
    return formatDate(t.date) + " " + formatTime(t.time);
}

// Hundredths from 1234 (already hundredths) or "12.34" / "12,34".
std::uint64_t parseHundredths(const json& value, const std::string& what)
{
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (!value.is_string()) fail(what + " must be a number of hundredths or a text like \"12.34\"");
    const std::string text = value.get<std::string>();
    const std::size_t sep = text.find_first_of(".,");
    const std::string whole = text.substr(0, sep);
    std::string fraction = sep == std::string::npos ? "" : text.substr(sep + 1);
    if (whole.empty() || fraction.size() > 2) fail("bad " + what + ": \"" + text + "\"");
    fraction.resize(2, '0');
    std::uint64_t result = 0;
    for (char c : whole + fraction) {
        if (c < '0' || c > '9' || result > maxAmount) fail("bad " + what + ": \"" + text + "\"");
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return result;
}

std::string formatHundredths(std::uint64_t value)
{
    return std::to_string(value / 100) + "." + twoDigits(static_cast<int>(value % 100));
}

std::uint64_t parseAmount(const json& value, const std::string& what)
{
    const std::uint64_t amount = parseHundredths(value, what);
    if (amount > maxAmount) fail(what + " does not fit five bytes");
    return amount;
}

template <typename T>
T unsignedField(const json& object, const char* key, T fallback)
{
    if (!object.contains(key)) return fallback;
    const json& v = object.at(key);
    if (!v.is_number_unsigned() || v.get<std::uint64_t>() > std::numeric_limits<T>::max())
        fail(std::string("\"") + key + "\" must be a whole number from 0 to " + std::to_string(std::numeric_limits<T>::max()));
    return static_cast<T>(v.get<std::uint64_t>());
}

std::string stringField(const json& object, const char* key, const std::string& fallback)
{
    if (!object.contains(key)) return fallback;
    if (!object.at(key).is_string()) fail(std::string("\"") + key + "\" must be a text");
    return object.at(key).get<std::string>();
}

bool boolField(const json& object, const char* key, bool fallback)
{
    if (!object.contains(key)) return fallback;
    if (!object.at(key).is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
    return object.at(key).get<bool>();
}

std::array<std::uint64_t, taxLetters> parseLetterAmounts(const json& object, const std::string& what)
{
    std::array<std::uint64_t, taxLetters> amounts{};
    if (!object.is_object()) fail(what + " must map tax letters A to G to amounts");
    for (const auto& [key, value] : object.items()) {
        const std::size_t q = letters.find(key);
        if (key.size() != 1 || q == std::string_view::npos) fail(what + ": unknown tax letter \"" + key + "\"");
        amounts[q] = parseAmount(value, what + " " + key);
    }
    return amounts;
}

TaxRate parseRate(const json& value)
{
    if (value.is_string() && value.get<std::string>() == "exempt") return {RateKind::Exempt, 0};
    if (value.is_string() && value.get<std::string>() == "unused") return {RateKind::Unused, 0};
    const std::uint64_t hundredths = parseHundredths(value, "tax rate");
    if (hundredths >= 0x4000) fail("tax rate too large");
    return {RateKind::Taxed, static_cast<std::uint16_t>(hundredths)};
}

Record parseRecord(const json& j)
{
    if (!j.is_object()) fail("every record must be an object");
    Record r;
    if (j.contains("raw")) {
        const auto bytes = fromHex(stringField(j, "raw", ""));
        if (!bytes) fail("\"raw\" must be hexadecimal bytes");
        r.raw = *bytes;
        return r;
    }
    const std::string typeName = stringField(j, "type", "");
    const auto type = recordTypeFromName(typeName);
    if (!type) fail("unknown record type \"" + typeName + "\"");
    r.type = *type;
    r.date = parseDate(stringField(j, "date", ""));
    r.number = unsignedField<std::uint16_t>(j, "number", 0);
    r.damaged = boolField(j, "damaged", false);
    if (j.contains("status_byte")) r.statusByte = unsignedField<std::uint8_t>(j, "status_byte", 0);
    if (j.contains("type_byte")) r.typeByte = unsignedField<std::uint8_t>(j, "type_byte", 0);

    switch (r.type) {
    case RecordType::DailyReport:
        if (j.contains("gross")) r.amounts = parseLetterAmounts(j.at("gross"), "gross");
        r.receipts = unsignedField<std::uint16_t>(j, "receipts", 0);
        r.goodsChanges = unsignedField<std::uint32_t>(j, "goods_changes", 0);
        if (r.goodsChanges > 0xFFFFFF) fail("goods_changes does not fit three bytes");
        r.cancelledReceipts = unsignedField<std::uint16_t>(j, "cancelled_receipts", 0);
        if (j.contains("cancelled_amount")) r.cancelledAmount = parseAmount(j.at("cancelled_amount"), "cancelled_amount");
        break;
    case RecordType::TaxRates:
        if (!j.contains("rates") || !j.at("rates").is_object()) fail("tax_rates needs \"rates\"");
        for (const auto& [key, value] : j.at("rates").items()) {
            const std::size_t q = letters.find(key);
            if (key.size() != 1 || q == std::string_view::npos) fail("rates: unknown tax letter \"" + key + "\"");
            r.rates[q] = parseRate(value);
        }
        break;
    case RecordType::CurrencyChange:
        r.time = parseTime(stringField(j, "time", "00:00"));
        r.currency = stringField(j, "currency", "PLN");
        if (r.currency.size() != 3) fail("currency must be three characters");
        break;
    case RecordType::RamClear:
        r.time = parseTime(stringField(j, "time", "00:00"));
        r.marked = boolField(j, "marked", false);
        break;
    case RecordType::CumulativeTotals:
        if (j.contains("tax")) r.amounts = parseLetterAmounts(j.at("tax"), "tax");
        if (j.contains("total_due")) r.totalDue = parseAmount(j.at("total_due"), "total_due");
        break;
    case RecordType::DaySignature:
    case RecordType::CardClosing: {
        const auto bytes = fromHex(stringField(j, "signature", ""));
        if (!bytes || bytes->size() != 20) fail("signature must be 20 bytes in hexadecimal");
        r.signature = *bytes;
        if (r.type == RecordType::DaySignature) break;
        [[fallthrough]];
    }
    case RecordType::DayLabel:
        r.label = stringField(j, "label", "");
        if (r.label.size() > 30) fail("label longer than 30 characters");
        break;
    }
    return r;
}

json letterAmounts(const std::array<std::uint64_t, taxLetters>& amounts)
{
    json object = json::object();
    for (std::size_t q = 0; q < taxLetters; ++q)
        if (amounts[q] != 0) object[std::string(1, letters[q])] = formatHundredths(amounts[q]);
    return object;
}

json recordToJson(const Record& r)
{
    json j;
    if (r.raw) {
        j["raw"] = toHex(*r.raw);
        return j;
    }
    j["type"] = recordTypeName(r.type);
    j["date"] = formatDate(r.date);
    j["number"] = r.number;
    switch (r.type) {
    case RecordType::DailyReport:
        j["gross"] = letterAmounts(r.amounts);
        j["receipts"] = r.receipts;
        j["goods_changes"] = r.goodsChanges;
        j["cancelled_receipts"] = r.cancelledReceipts;
        j["cancelled_amount"] = formatHundredths(r.cancelledAmount);
        break;
    case RecordType::TaxRates: {
        json rates = json::object();
        for (std::size_t q = 0; q < taxLetters; ++q) {
            const TaxRate& rate = r.rates[q];
            rates[std::string(1, letters[q])] = rate.kind == RateKind::Exempt   ? json("exempt")
                                                : rate.kind == RateKind::Unused ? json("unused")
                                                                                : json(formatHundredths(rate.hundredths));
        }
        j["rates"] = rates;
        break;
    }
    case RecordType::CurrencyChange:
        j["time"] = formatTime(r.time);
        j["currency"] = r.currency;
        break;
    case RecordType::RamClear:
        j["time"] = formatTime(r.time);
        j["marked"] = r.marked;
        break;
    case RecordType::CumulativeTotals:
        j["tax"] = letterAmounts(r.amounts);
        j["total_due"] = formatHundredths(r.totalDue);
        break;
    case RecordType::DaySignature:
        j["signature"] = toHex(r.signature);
        break;
    case RecordType::DayLabel:
        j["label"] = r.label;
        break;
    case RecordType::CardClosing:
        j["signature"] = toHex(r.signature);
        j["label"] = r.label;
        break;
    }
    if (r.damaged) j["damaged"] = true;
    if (r.statusByte) j["status_byte"] = *r.statusByte;
    if (r.typeByte) j["type_byte"] = *r.typeByte;
    return j;
}

PrintedLine parsePrintedLine(const json& line)
{
    PrintedLine printed;
    if (line.is_string()) {
        printed.text = line.get<std::string>();
    } else if (line.is_object() && line.contains("raw")) {
        printed.raw = fromHex(stringField(line, "raw", ""));
        if (!printed.raw) fail("a raw printed line is bytes in hexadecimal, as \"1B 62 01\"");
    } else if (line.is_object()) {
        printed.text = stringField(line, "text", "");
        printed.doubleWidth = boolField(line, "double_width", false);
    } else {
        fail("a printed line is a text, {\"text\": ..., \"double_width\": ...} or {\"raw\": ...}");
    }
    return printed;
}

json printedLineToJson(const PrintedLine& line)
{
    if (line.raw) return {{"raw", toHex(*line.raw)}};
    if (line.doubleWidth) return {{"text", line.text}, {"double_width", true}};
    return line.text;
}

std::string faultText(const Fault& f)
{
    std::string text(faultKindName(f.kind));
    const auto times = [&] { return f.times == always ? std::string() : ":" + std::to_string(f.times); };
    switch (f.kind) {
    case FaultKind::Nak:
    case FaultKind::Silent:
        return text + ":" + std::to_string(f.target) + times();
    case FaultKind::Status:
    case FaultKind::Garbage:
    case FaultKind::Drop:
    case FaultKind::HangUp:
        return text + ":" + std::to_string(f.target) + ":" + std::to_string(f.value) + times();
    case FaultKind::BadChecksum:
        return text + ":" + std::to_string(f.target) + ":" + (f.varying ? std::string("vary") : std::to_string(f.times));
    case FaultKind::ChangedRecord:
        return text + ":" + std::to_string(f.target);
    case FaultKind::ConverterCrc:
        return text + ":" + std::to_string(f.times);
    case FaultKind::ConverterParts:
        return text + ":" + std::to_string(f.value);
    case FaultKind::ReportCrc:
    case FaultKind::ReportOversized:
        return text + times();
    }
    return text;
}

Scenario fromJson(const json& j)
{
    if (!j.is_object()) fail("a scenario is a JSON object");
    Scenario s;
    s.deviceCode = unsignedField<std::uint8_t>(j, "model", s.deviceCode);
    if (j.contains("version")) s.version = unsignedField<std::uint8_t>(j, "version", 0);
    if (j.contains("version_letter")) {
        const std::string letter = stringField(j, "version_letter", "");
        if (letter.size() != 1) fail("\"version_letter\" must be one character");
        s.versionLetter = letter[0];
    }
    s.uniqueNumber = stringField(j, "unique_number", "");
    if (s.uniqueNumber.size() > 12) fail("\"unique_number\" longer than 12 characters");
    s.registerNumber = stringField(j, "register_number", s.registerNumber);
    if (s.registerNumber.size() != 2) fail("\"register_number\" must be two characters");
    if (j.contains("clock")) s.clock = parseDateTime(stringField(j, "clock", ""));
    s.fiscal = boolField(j, "fiscal", s.fiscal);
    s.readOnly = boolField(j, "read_only", s.readOnly);
    if (j.contains("plu_capacity")) s.pluCapacity = unsignedField<std::uint16_t>(j, "plu_capacity", 0);
    if (j.contains("header")) {
        if (!j.at("header").is_array()) fail("\"header\" must be a list of lines");
        for (const json& line : j.at("header")) {
            if (line.is_string())
                s.header.push_back({line.get<std::string>(), false});
            else if (line.is_object())
                s.header.push_back({stringField(line, "text", ""), boolField(line, "double_width", false)});
            else
                fail("a header line is a text or {\"text\": ..., \"double_width\": ...}");
        }
    }
    s.headerRequest = boolField(j, "header_request", s.headerRequest);
    if (j.contains("header_copy")) {
        const json& h = j.at("header_copy");
        if (!h.is_object()) fail("\"header_copy\" must be an object");
        s.headerCopy.lastLine = stringField(h, "last_line", s.headerCopy.lastLine);
        s.headerCopy.attribute = unsignedField<std::uint8_t>(h, "attribute", s.headerCopy.attribute);
        if (h.contains("read_only_since")) s.headerCopy.readOnlySince = parseDateTime(stringField(h, "read_only_since", ""));
        s.headerCopy.currency = stringField(h, "currency", s.headerCopy.currency);
        if (s.headerCopy.currency.size() > 3) fail("header copy currency longer than three characters");
    }
    if (j.contains("geometry")) {
        const json& g = j.at("geometry");
        if (!g.is_object()) fail("\"geometry\" must be an object");
        Geometry geometry;
        geometry.memorySize = unsignedField<std::uint32_t>(g, "memory_size", geometry.memorySize);
        geometry.recordCount = unsignedField<std::uint16_t>(g, "records", geometry.recordCount);
        geometry.recordLength = unsignedField<std::uint8_t>(g, "record_length", geometry.recordLength);
        geometry.headerOffset = unsignedField<std::uint16_t>(g, "header_offset", geometry.headerOffset);
        if (geometry.memorySize % 65536 != 0 || geometry.memorySize == 0 || geometry.memorySize > 256 * 65536)
            fail("\"memory_size\" must be a multiple of 65536, at most 16 MiB");
        if (geometry.recordCount == 0) fail("\"records\" must be at least 1");
        s.geometry = geometry;
    }
    if (j.contains("status_bytes")) {
        const json& st = j.at("status_bytes");
        if (!st.is_object()) fail("\"status_bytes\" must map request codes to bytes");
        for (const auto& [key, value] : st.items()) {
            if (key != "83" && key != "84" && key != "85" && key != "86" && key != "87")
                fail("\"status_bytes\" holds requests 83 to 87 only, not \"" + key + "\"");
            if (!value.is_number_unsigned() || value.get<unsigned>() > 255) fail("a status byte is 0 to 255");
            s.statusBytes[static_cast<std::uint8_t>(std::stoi(key))] = value.get<std::uint8_t>();
        }
    }
    if (j.contains("records")) {
        if (!j.at("records").is_array()) fail("\"records\" must be a list");
        for (const json& r : j.at("records")) s.records.push_back(parseRecord(r));
    }
    if (j.contains("faults")) {
        if (!j.at("faults").is_array()) fail("\"faults\" must be a list of texts");
        for (const json& f : j.at("faults")) {
            if (!f.is_string()) fail("a fault is a text such as \"nak:154:1\"");
            try {
                s.faults.push_back(parseFault(f.get<std::string>()));
            } catch (const std::invalid_argument& e) {
                fail(e.what());
            }
        }
    }
    s.registerError = unsignedField<std::uint16_t>(j, "register_error", s.registerError);
    if (j.contains("printed_reports")) {
        if (!j.at("printed_reports").is_array()) fail("\"printed_reports\" must be a list");
        for (const json& r : j.at("printed_reports")) {
            if (!r.is_object() || !r.contains("lines") || !r.at("lines").is_array())
                fail("a printed report is {\"request\": ..., \"lines\": [...]}");
            PrintedReport report;
            if (r.contains("request")) report.request = stringField(r, "request", "");
            for (const json& line : r.at("lines")) report.lines.push_back(parsePrintedLine(line));
            s.printedReports.push_back(std::move(report));
        }
    }
    if (j.contains("settlement_pairs")) {
        const json& p = j.at("settlement_pairs");
        if (!p.is_array() || p.size() != 4) fail("\"settlement_pairs\" must be four pairs of bytes");
        AccessPairs pairs{};
        for (std::size_t k = 0; k < 4; ++k) {
            if (!p[k].is_array() || p[k].size() != 2 || !p[k][0].is_number_unsigned() || !p[k][1].is_number_unsigned() ||
                p[k][0].get<unsigned>() > 255 || p[k][1].get<unsigned>() > 255)
                fail("a settlement pair is two bytes, as [17, 25]");
            pairs[k] = {p[k][0].get<std::uint8_t>(), p[k][1].get<std::uint8_t>()};
        }
        s.settlementPairs = pairs;
    }
    return s;
}

}

Scenario parseScenario(std::string_view text)
{
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception& e) {
        fail(std::string("not valid JSON: ") + e.what());
    }
    try {
        return fromJson(j);
    } catch (const json::exception& e) {
        fail(std::string("unexpected value: ") + e.what());
    }
}

Scenario loadScenario(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot open the scenario " + path);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parseScenario(text.str());
    } catch (const ScenarioError& e) {
        fail(path + ": " + e.what());
    }
}

std::string scenarioToJson(const Scenario& s)
{
    json j;
    j["model"] = s.deviceCode;
    if (s.version) j["version"] = *s.version;
    if (s.versionLetter) j["version_letter"] = std::string(1, *s.versionLetter);
    if (!s.uniqueNumber.empty()) j["unique_number"] = s.uniqueNumber;
    j["register_number"] = s.registerNumber;
    if (s.clock) j["clock"] = formatDateTime(*s.clock);
    j["fiscal"] = s.fiscal;
    j["read_only"] = s.readOnly;
    if (s.pluCapacity) j["plu_capacity"] = *s.pluCapacity;
    json header = json::array();
    for (const HeaderLine& line : s.header) {
        if (line.doubleWidth)
            header.push_back({{"text", line.text}, {"double_width", true}});
        else
            header.push_back(line.text);
    }
    j["header"] = header;
    if (!s.headerRequest) j["header_request"] = false;
    json copy;
    copy["last_line"] = s.headerCopy.lastLine;
    copy["attribute"] = s.headerCopy.attribute;
    if (s.headerCopy.readOnlySince) copy["read_only_since"] = formatDateTime(*s.headerCopy.readOnlySince);
    copy["currency"] = s.headerCopy.currency;
    j["header_copy"] = copy;
    if (s.geometry) {
        j["geometry"] = {{"memory_size", s.geometry->memorySize},
                         {"records", s.geometry->recordCount},
                         {"record_length", s.geometry->recordLength},
                         {"header_offset", s.geometry->headerOffset}};
    }
    if (!s.statusBytes.empty()) {
        json st = json::object();
        for (const auto& [code, value] : s.statusBytes) st[std::to_string(code)] = value;
        j["status_bytes"] = st;
    }
    json records = json::array();
    for (const Record& r : s.records) records.push_back(recordToJson(r));
    j["records"] = records;
    if (!s.faults.empty()) {
        json faults = json::array();
        for (const Fault& f : s.faults) faults.push_back(faultText(f));
        j["faults"] = faults;
    }
    if (s.registerError != 0x0001) j["register_error"] = s.registerError;
    if (!s.printedReports.empty()) {
        json reports = json::array();
        for (const PrintedReport& r : s.printedReports) {
            json lines = json::array();
            for (const PrintedLine& line : r.lines) lines.push_back(printedLineToJson(line));
            json report = {{"lines", lines}};
            if (r.request) report["request"] = *r.request;
            reports.push_back(report);
        }
        j["printed_reports"] = reports;
    }
    if (s.settlementPairs) {
        json pairs = json::array();
        for (const auto& pair : *s.settlementPairs) pairs.push_back({pair[0], pair[1]});
        j["settlement_pairs"] = pairs;
    }
    return j.dump(1) + "\n";
}

}
