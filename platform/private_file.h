// Whole files that only their owner may read: read at once, and replaced
// atomically so that a reader never sees half of a new content.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvo::platform {

// The whole content of a file; nothing when it cannot be read.
std::optional<std::vector<unsigned char>> readWholeFile(const std::string& path);

// Writes the content to a temporary file beside the path (mode 0600) and
// renames it over the path; missing folders are made with mode 0700.
// False, with nothing changed at the path, when any step fails.
bool replacePrivateFile(const std::string& path, const std::vector<unsigned char>& content);

}
