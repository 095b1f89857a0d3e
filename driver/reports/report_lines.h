// The line primitives of the periodic report: fixed-width text lines in
// Windows-1250, written to the command's output file, some of them counted
// for the "Ilość pozycji" line of the daily report blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::drv {
struct DecodedRecord;
}

namespace kelvo::drv::report {

// The report texts are written here in UTF-8; the register's letters and
// the output file are Windows-1250. Only the Polish letters are converted,
// any other character outside ASCII becomes '?'.
std::string windows1250(std::string_view utf8);

// left, blanks, right, so that the line is width long; with no room the two
// texts are joined directly.
std::string justify(std::string_view left, std::string_view right, std::size_t width);

// Blanks added alternately on the right and on the left, the first on the right.
std::string centre(std::string_view text, std::size_t width);

// One blank after every character, the last included.
std::string spaced(std::string_view text);

std::string rule(std::size_t width);

// A record date as the report writes it, YYrMM.DD, and a time, HH:MM.
std::string recordDate(unsigned year, unsigned month, unsigned day);
std::string clockTime(unsigned hour, unsigned minute);

enum class Counted : bool { No = false, Yes = true };

// Where the report lines go: the output file, at the line width of the
// report. Counted lines advance the printed-line counter of the section's
// decoded record, which the daily report blocks show and reset.
class ReportLines {
public:
    ReportLines(std::size_t width, DecodedRecord& counter) : width_(width), counter_(counter) {}

    std::size_t width() const { return width_; }
    void setWidth(std::size_t width) { width_ = width; }

    // Pads the text to the width and writes it as one line; a failed write
    // stores error 17.
    bool emit(std::string_view text, Counted counted = Counted::No);
    bool emitJustified(std::string_view left, std::string_view right, Counted counted = Counted::No);
    bool emitCentred(std::string_view text, Counted counted = Counted::No);
    bool emitRule();

private:
    std::size_t width_;
    DecodedRecord& counter_;
};

}
