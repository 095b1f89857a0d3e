// The working folder is left as it was found, but for KONFIG.TXT: the files
// this program writes there are deleted when it ends.
#pragma once

#include <string>

namespace kelvo::frontend {

// Deletes the command outputs, the driver's run report, identification cache
// and debug log, and the report text files of this and earlier runs. A text
// file counts as a report text file when its name has the report's variant
// tag and its text the report's title line; other programs' files stay.
void sweepWorkingFolder();

// "&Zakończ": the sweep, and the input file of the last command.
void cleanUpOnQuit();

// The sweep, then the remaining parameter and output files; KONFIG.TXT stays.
void cleanUpAtEnd();

// Runs cleanUpAtEnd when it goes out of scope, whichever way a run ends.
class CleanUpAtScopeEnd {
public:
    CleanUpAtScopeEnd() = default;
    ~CleanUpAtScopeEnd() { cleanUpAtEnd(); }
    CleanUpAtScopeEnd(const CleanUpAtScopeEnd&) = delete;
    CleanUpAtScopeEnd& operator=(const CleanUpAtScopeEnd&) = delete;
};

// True for a report text file name of this program.
bool isReportFileName(const std::string& name);

}
