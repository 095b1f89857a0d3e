// Parts of a file name: drive and folder end at the last ':', '\' or '/';
// the extension starts at the last '.' after them.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::drv {

// Drive and folder, with their final separator ("" when there is none).
std::string folderPart(std::string_view name);

// Base name and extension ("KONFIG.TXT" of "C:\KASA\KONFIG.TXT").
std::string fileNamePart(std::string_view name);

// Base name without its extension ("IN" of "dir\IN.TXT").
std::string baseNamePart(std::string_view name);

// True when the two names have the same base name and extension, compared
// without regard to case; drive and folder do not count.
bool sameFileName(std::string_view a, std::string_view b);

}
