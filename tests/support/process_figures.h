// Figures of the test process itself, for tests that check nothing leaks.
#pragma once

#include <cstddef>

namespace kelvo::test {

// The descriptors the process has open.
std::size_t openDescriptorCount();

// The resident memory of the process, in KiB.
std::size_t residentKib();

}
