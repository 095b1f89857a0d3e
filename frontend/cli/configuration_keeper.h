// KONFIG.TXT as it was before the run: the driver must read the run's own
// line, so the file is written, and the old one is put back when the
// connection fails (or the run is interrupted before it succeeded), so that
// a mistaken option does not break every later run.
#pragma once

#include <optional>
#include <string>

namespace kelvo::frontend::cli {

class ConfigurationKeeper {
public:
    // Reads the file now (in the current folder, whatever its case).
    explicit ConfigurationKeeper(std::string name = "KONFIG.TXT");

    // Writes the old text back, or removes the file when there was none.
    void restore() const;

private:
    std::string name_;
    std::optional<std::string> text_;
};

}
