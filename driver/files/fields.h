// Fields of a line (split at TAB) and sub-fields (split at ':' or ';').
#pragma once

#include <string>
#include <string_view>

namespace kelvo::drv {

// Field k (from 1) of a text split at the separator; false for k 0, a
// missing field or an empty one.
bool subField(std::string_view text, unsigned k, char separator, std::string& field);

// Field k of a line split at TAB. Also records k as the field last taken from
// the last line read, when the text is that line, for the run report.
bool lineField(std::string_view line, unsigned k, std::string& field);

// As lineField, but an existing empty field is found too.
bool lineFieldOrEmpty(std::string_view line, unsigned k, std::string& field);

unsigned tabCount(std::string_view text);

}
