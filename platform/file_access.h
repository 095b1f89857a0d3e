// Files as the driver expects them from its original platform: four open
// modes, sharing modes decided at open time, and file names that may use '\'
// and may differ in case from the name on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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
// other shared opens succeed; OthersMayReadWrite takes a shared lock too, since
// a file opened exclusively elsewhere refuses every other open. A lock that
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

// Opens a regular file without waiting (FIFOs, folders and devices are
// refused, except a character device opened only for writing, such as
// /dev/null); -1 when it cannot be opened or its sharing refuses the open.
// An open that may create or truncate does not follow, in a sticky
// world-writable folder, a link owned by neither this user nor the folder's
// owner (ELOOP). Created files get mode 0666 before the umask. On a refusal
// errno says why: EINVAL for a kind of file refused.
int openFile(std::string_view name, OpenMode mode, Sharing sharing);

void closeFile(int descriptor);

// A file opened for appending as openFile opens it (so never through another
// user's link, never a FIFO), as a stdio stream; null when it cannot be.
std::FILE* appendStream(std::string_view name);

// True when both names lead to one file: the same device and inode (hard and
// symbolic links included), or, for a file not yet there, the same place.
bool sameFile(std::string_view a, std::string_view b);

// Deletes a regular file; devices, folders and links are never removed.
bool removeFile(std::string_view name);

// True when path is a symbolic link in a sticky world-writable folder that
// belongs to neither this user nor the folder's owner: such a link is never
// followed to create, truncate or append to a file.
bool isForeignLink(const std::string& path);

// The longest report file read or copied at once. The largest fiscal memory
// laid out in full is a few MiB of text; 64 MiB is far above any real report
// and still small enough to hold in memory, while a file that is not a report
// (a disk image chosen by mistake) is refused instead of read for long.
inline constexpr std::size_t kLargestReportFile = 64 * 1024 * 1024;

struct FileContent {
    std::vector<unsigned char> bytes;
    int error = 0;  // errno: EISDIR, EINVAL for a FIFO or a device, EFBIG above the limit
};

// Whether a read follows a symbolic link at the name: a file the user named
// may be a link, a file the program keeps for itself may not.
enum class AtALink : std::uint8_t { Follow, Refuse };

// The whole content of a regular file of at most limit bytes, opened without
// waiting, so that a FIFO or a device never blocks the caller (a link that is
// refused reads as ELOOP).
FileContent readRegularFile(const std::string& path, std::size_t limit, AtALink link = AtALink::Follow);

}
