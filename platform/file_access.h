// Files as the driver expects them from its original platform: four open
// modes, sharing modes decided at open time, and file names that may use '\'
// and may differ in case from the name on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::platform {

enum class OpenMode : std::uint8_t {
    Read = 0,           // read only
    WriteTruncate = 1,  // write only; create when missing; truncate
    Append = 2,         // write only; create when missing; writes go to the end
    ReadWrite = 3,      // read and write; create when missing
};

// Sharing is emulated with advisory flock locks taken at open:
// Exclusive takes an exclusive lock, so no other locking open of the file
// succeeds; OthersMayRead takes a shared lock, so exclusive opens fail while
// other shared opens succeed; OthersMayReadWrite takes no lock. A lock that
// cannot be had refuses the open at once; it never waits.
enum class Sharing : std::uint8_t {
    Exclusive = 0,
    OthersMayRead = 1,
    OthersMayReadWrite = 2,
};

// The name as this file system should see it: '\' becomes '/', and when the
// name does not exist exactly, an entry of its folder that matches it without
// regard to case is taken instead. A name matching nothing is kept as given.
std::string resolveFileName(std::string_view name);

// Opens a regular file (folders are refused); -1 when it cannot be opened or
// its sharing refuses the open. Created files get mode 0666 before the umask.
int openFile(std::string_view name, OpenMode mode, Sharing sharing);

void closeFile(int descriptor);

// Deletes a regular file; devices, folders and links are never removed.
bool removeFile(std::string_view name);

// Copies a regular file byte for byte, overwriting the target in place when
// it exists; false when the source is not a regular file or the copy fails.
bool copyFile(const std::string& source, const std::string& target);

}
