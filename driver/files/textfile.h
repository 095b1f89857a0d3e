// Driver text files: header ('#'), data ('$') and comment (';') lines ended
// by the context's line terminator. These primitives keep the context's
// counters and reading state, and post LINES and OUTLINES to a server.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::drv {

inline constexpr char kDataSign = '$';
inline constexpr char kHeaderSign = '#';
inline constexpr char kCommentSign = ';';
inline constexpr char kFieldSeparator = '\t';
inline constexpr char kSubFieldSeparator = ':';

// Opens a file with mode 0 to 3; the sharing follows from the name (the
// identification cache is shared, the output file uses the output sharing
// mode, everything else is exclusive). The handle is -1 on failure.
bool openFile(int& handle, std::string_view name, std::uint8_t mode);
void closeFile(int& handle);
bool deleteFile(std::string_view name);

bool atEndOfFile(int handle);

// The current position in the file, -1 when it has none.
std::int64_t filePosition(int handle);

// Cuts a regular file back to the position and writes on from there; a
// file without positions (a device) is left as it is. False when a regular
// file could not be cut.
bool cutFileAt(int handle, std::int64_t position);

// Reads up to the line terminator (or the end); true when the line is not
// empty. A line over 1023 characters ends reading as the end of file would.
bool readRawLine(int handle, std::string& line);

// Reads the next line of the wanted sign, skipping comment and empty lines;
// wrongKind tells a line of another kind from the end of the file.
bool readLineOfKind(int handle, char sign, std::string& line, bool& wrongKind);
bool readDataLine(int handle, std::string& line, bool& wrongKind);
bool readHeaderLine(int handle, std::string& line, bool& wrongKind);

bool writeText(int handle, std::string_view text);
bool writeLine(int handle, std::string_view text);
bool writeHeaderLines(int handle);
bool writeDataLine(int handle, std::string_view text);

}
