#include "tests/support/process_figures.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace kelvo::test {

std::size_t openDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

std::size_t residentKib()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            std::size_t kib = 0;
            status >> kib;
            return kib;
        }
    return 0;
}

}
