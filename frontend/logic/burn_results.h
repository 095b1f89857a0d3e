// The results of burning a report to CD and the messages shown for them.
#pragma once

#include <string>

#include "platform/cd_burner.h"

namespace kelvo::frontend {

enum class BurnResult : int {
    Done = 0,
    NoStagingFolder = -1,
    StagingCopyFailed = -2,
    ComponentsFailed = -3,
    RecorderQueryFailed = -4,
    DriveLetterFailed = -5,
    BurnFailed = -6,
    NoRecorder = -7,
    NoBurner = -8,
};

struct BurnMessage {
    std::string caption;
    std::string text;
};

BurnMessage burnMessage(BurnResult result);

// The recorder's problem in Polish, for the line under the message ("" when
// there is none): "Nie można użyć napędu „/dev/sr1”: nie ma takiego pliku
// ani folderu."
std::string burnProblemText(const platform::BurnProblem& problem);

}
