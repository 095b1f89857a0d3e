// The record store's file format: what it writes it reads back, and any
// cut or changed byte makes the whole file unreadable rather than wrong.
#include <gtest/gtest.h>

#include "driver/files/record_store.h"

using kelvo::drv::RecordStore;

namespace {

RecordStore sample()
{
    RecordStore store;
    store.key = {"ABC 123/4", 121, 3, 4, 300};
    store.records[0] = {0x00, 0x3A, 0x12, 0x34};
    store.records[299] = {0x40, 0x3C, 0xAB, 0xCD};
    return store;
}

}

TEST(RecordStoreTest, ReadsBackWhatItWroteAndRefusesEveryCutOrChangedFile)
{
    const auto bytes = kelvo::drv::encodeRecordStore(sample());
    const auto back = kelvo::drv::decodeRecordStore(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->key, sample().key);
    EXPECT_EQ(back->records, sample().records);
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(kelvo::drv::decodeRecordStore({bytes.begin(), bytes.begin() + static_cast<long>(size)})) << size;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        auto changed = bytes;
        changed[at] ^= 0x10;
        EXPECT_FALSE(kelvo::drv::decodeRecordStore(changed)) << at;
    }
}

TEST(RecordStoreTest, TheFileNameTellsRegistersApartAndIsASingleName)
{
    RecordStore other = sample();
    other.key.deviceCode = 122;
    const std::string a = kelvo::drv::recordStorePath(sample().key);
    const std::string b = kelvo::drv::recordStorePath(other.key);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.substr(a.rfind('/') + 1), "121-ABC%20123%2F4.records");
}
