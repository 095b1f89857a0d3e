// A file as it was before a change that may have to be undone: KONFIG.TXT,
// which the driver must read with the run's own line, and the port map, which
// a chosen or detected device changes. When the connection fails (or the run
// is interrupted before it succeeded) the old text is put back, so that a
// mistaken choice does not break every later run.
#pragma once

#include <optional>
#include <kelvo/kelvodrv_contract.h>
#include <string>

namespace kelvo::frontend {

class FileKeeper {
public:
    // Reads the file now (a bare name in the current folder, whatever its case).
    explicit FileKeeper(std::string name = KELVODRV_CONFIGURATION_FILE);

    // Writes the old text back, or removes the file when there was none.
    void restore() const;

private:
    std::string name_;
    std::optional<std::string> text_;
};

}
