// Shared by the fuzz harnesses: a private scratch folder made current once
// per process, whole-file writes, and the split of one input into parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::fuzz {

// Makes a fresh folder under the system's temporary folder current, and
// points the driver's ports and bus there, so that nothing outside is touched.
void enterScratchFolder();

// Removes everything a run left in the scratch folder.
void clearScratchFolder();

void writeWholeFile(const std::string& name, std::string_view bytes);

// The input cut at every occurrence of the separator line "\n--\n"; parts
// missing at the end are empty.
std::vector<std::string> splitInput(const std::uint8_t* data, std::size_t size, std::size_t parts);

// A caller's text buffer of the driver's size, on the heap so that the
// address sanitizer sees a write past its end.
std::unique_ptr<char[]> textBuffer(std::string_view text);

}
