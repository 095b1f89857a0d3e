// Whole files that only their owner may read: read at once, and replaced
// atomically so that a reader never sees half of a new content.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::platform {

// True when the folder is missing (it will be made for this user alone) or
// is a real folder of this user that nobody else may write into.
bool isPrivateFolder(const std::string& folder);

// What stood at a name that was removed.
enum class RemovedEntry : std::uint8_t {
    Nothing,       // nothing stood there
    RegularFile,
    SymbolicLink,  // the link itself; what it leads to is untouched
    Fifo,
    Socket,
    Device,
    Folder,        // a folder is never removed: it is only reported
    Failed,        // it could not be removed
};

// Removes whatever stands at the name but a folder, without following a link.
RemovedEntry removeEntry(const std::string& path);

// Makes the folder and those missing above it, each with mode 0700; true
// when it is a folder afterwards (an existing link to a folder counts, so a
// caller that must not follow links checks with isPrivateFolder).
bool makePrivateFolders(const std::filesystem::path& folder);

// Writes the content to a temporary file beside the path (mode 0600) and
// renames it over the path; missing folders are made with mode 0700.
// False, with nothing changed at the path, when any step fails.
bool replacePrivateFile(const std::string& path, const std::vector<unsigned char>& content);

}
