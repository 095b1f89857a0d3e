// Replacing a file for the user so that a failure never destroys what was
// there: the new content goes to a temporary file beside the target, is
// written whole and flushed to the disk, and only then renamed over the
// target. A reader sees the old content or the new, never a part.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kelvo::platform {

// Who may read the file once replaced.
enum class FileAccess {
    OwnerOnly,  // mode 0600, whatever the umask: the program's private files
    AsBefore,   // the target's own permissions, or those a new file gets (0666 less the umask)
};

// Writes some of the bytes to the descriptor, as write(2) does; tests put in
// one that stops short or fails.
using Writer = std::function<ssize_t(int descriptor, const void* bytes, std::size_t size)>;
ssize_t writeToDescriptor(int descriptor, const void* bytes, std::size_t size);

// Replaces the file at path with the content; 0 when done, else the reason as
// an errno value, with the target untouched and the temporary file gone.
// A link at the path is followed to the file it names unless, in a sticky
// world-writable folder, it belongs to neither this user nor the folder's
// owner (ELOOP). A target that is a folder gives EISDIR, any other kind of
// file but a regular one EINVAL. The folder must exist.
int replaceFile(const std::string& path, std::span<const unsigned char> content, FileAccess access,
                const Writer& write = writeToDescriptor);

// The same for a text.
int replaceFile(const std::string& path, std::string_view text, FileAccess access);

// Replaces the target with a copy of the source, a regular file; 0 or the
// reason, as replaceFile.
int copyFile(const std::string& source, const std::string& target);

}
