// The link a run of kelvor-cli uses: the window's three kinds through the
// connection choice, a line converter or TCP as a configuration line of its
// own, and the last line kept as written when no option names the link.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontend/cli/command_line.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend::cli {

inline constexpr int kDefaultLinkTimeout = 5;
inline constexpr int kDefaultConverterRepeats = 3;

// A configuration line of a KONFIG.TXT, split where the front end needs it.
struct WrittenLine {
    std::string text;  // the whole line without its line end
    std::string port;  // field 2
    std::string tail;  // field 4 on, TABs kept; empty without a field 4
    bool complete = false;  // false for a line with fewer than three fields
};

// The configuration lines in the order they stand.
std::vector<WrittenLine> configurationLines(const std::string& path);

// One data line ('$' first, no line end) split into its fields.
WrittenLine writtenLine(const std::string& line);

// The first one, when it is complete.
std::optional<WrittenLine> firstConfigurationLine(const std::string& path);

// Sets the choice and the record's link from the options over what the last
// run left (already prefilled into both).
void applyLinkOptions(const CommandLine& c, const std::optional<WrittenLine>& last, ConnectionChoice& choice,
    ParameterRecord& record);

}
