// The kept-records file reader over any file: it never reads more than a
// store of the register's geometry can hold, and what it accepts is exactly
// what the writer would make of it, every record of the key's length and
// index range.
#include <cstdlib>
#include <string>

#include "driver/files/record_store.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

namespace {

// The key of the register the seeds were kept for (kelvosim's orvan-month
// scenario: device code 121, 2060 records of 63 bytes).
const drv::RecordStoreKey kRegister {"ABC 12345678", 121, 3, 63, 2060};

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::writeWholeFile("kept.records", bytes);
    int error = 0;
    const auto store = drv::loadRecordStore("kept.records", kRegister, error);
    if (!store)
        return 0;
    if (error != 0)
        std::abort();
    for (const auto& [index, answer] : store->records)
        if (index >= store->key.recordCount || answer.size() != store->key.recordLength)
            std::abort();
    const std::vector<std::uint8_t> again = drv::encodeRecordStore(*store);
    if (std::string_view(reinterpret_cast<const char*>(again.data()), again.size()) != bytes)
        std::abort();
    return 0;
}
