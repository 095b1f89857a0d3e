// A test that starts from a freshly loaded driver's state, in a temporary
// folder that is the current folder for the test's duration.
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "driver/core/context.h"
#include "tests/support/temp_dir.h"

namespace kelvo::test {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char* previous = ::getcwd(nullptr, 0);
        previous_ = previous;
        ::free(previous);
        ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
        kelvo::drv::resetProcessState();
    }

    void TearDown() override
    {
        auto& files = kelvo::drv::ctx.files;
        for (int* handle : {&files.input, &files.output, &files.comment, &files.configuration, &files.report,
                 &files.identificationCache, &files.parameterList})
            if (*handle >= 0)
                ::close(*handle);
        kelvo::drv::resetProcessState();
        EXPECT_EQ(::chdir(previous_.c_str()), 0);
    }

    TempDir dir_;

private:
    std::string previous_;
};

}
