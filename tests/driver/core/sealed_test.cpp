// The sealed C edge: what an exported function runs through never lets an
// exception out, whatever is thrown.
#include "driver/core/sealed.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using kelvo::drv::sealed;

TEST(SealedEdge, AnExceptionBecomesTheFailureValue)
{
    EXPECT_EQ(sealed(static_cast<unsigned char>(0), []() -> unsigned char { throw std::runtime_error("fault"); }), 0);
    EXPECT_EQ(sealed(-1, []() -> int { throw std::bad_alloc(); }), -1);
    EXPECT_EQ(sealed(-1, []() -> int { throw 42; }), -1) << "not only standard exceptions";
    EXPECT_EQ(sealed(-1, [] { return 7; }), 7) << "a body that does not throw gives its own value";

    bool ran = false;
    EXPECT_NO_THROW(sealed([&] {
        ran = true;
        throw std::logic_error("fault");
    }));
    EXPECT_TRUE(ran);
}

TEST(SealedEdge, ExportedFunctionsAreNoexceptToTheirCallers)
{
    static_assert(noexcept(sealed(0, [] { return 1; })));
    static_assert(noexcept(sealed([] {})));
}
