// Burning the report text file to CD: the report alone is staged in the
// burning folder, offered to the recorder and removed again, with one result
// for every way this can fail.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "frontend/logic/burn_results.h"
#include "platform/cd_burner.h"

namespace kelvo::frontend {

// The platform pieces a burn uses, in the order it uses them.
class BurnSystem {
public:
    virtual ~BurnSystem() = default;
    virtual std::optional<std::string> stagingFolder() = 0;
    virtual bool startLibraries() = 0;
    virtual void stopLibraries() = 0;
    virtual std::unique_ptr<platform::CdBurner> createBurner() = 0;
};

// The real burner of this machine.
class PlatformBurnSystem final : public BurnSystem {
public:
    std::optional<std::string> stagingFolder() override;
    bool startLibraries() override;
    void stopLibraries() override;
    std::unique_ptr<platform::CdBurner> createBurner() override;

private:
    std::optional<platform::BurnLibraries> libraries_;
};

// Stages REPORT_NAME of WORKING_FOLDER alone and burns it. The staging folder
// is emptied of files (its subfolders stay) before and, once the copy was
// made, afterwards. The recorder's problem, if it had one, goes to problem.
BurnResult burnReportToCd(const std::string& workingFolder, const std::string& reportName, BurnSystem& system,
                          const platform::BurnProgress& progress, platform::BurnProblem* problem = nullptr);

// The status line while a burn runs.
std::string burnProgressText(int written, int total);

}
