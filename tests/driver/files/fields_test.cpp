#include "driver/files/fields.h"

#include <cstring>
#include <kelvo/kelvodrv.h>

#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;

using FieldsTest = kelvo::test::DriverTest;

TEST_F(FieldsTest, FieldsExistAreEmptyOrAreMissing)
{
    struct Case {
        const char* line;
        unsigned char k;
        unsigned char found;
        const char* field;
        unsigned char foundOrEmpty;
    };
    const Case cases[] = {
        {"a\t\tc", 1, 1, "a", 1},
        {"a\t\tc", 2, 0, "", 1},
        {"a\t\tc", 3, 1, "c", 1},
        {"a\t\tc", 4, 0, "", 0},
        {"1\t\tx", 2, 0, "", 1},
        {"1\t\tx", 4, 0, "", 0},
        {"a\t", 2, 0, "", 1},
        {"", 1, 0, "", 1},
        {"abc", 0, 0, "", 1},
        {"\tb", 1, 0, "", 1},
    };
    for (const Case& c : cases) {
        char field[1024];
        std::memset(field, 'z', sizeof(field));
        EXPECT_EQ(NapisZawieraDana(c.line, c.k, field), c.found) << c.line << " field " << int(c.k);
        EXPECT_STREQ(field, c.field);
        std::memset(field, 'z', sizeof(field));
        EXPECT_EQ(NapisZawieraDanaLubPustyString(c.line, c.k, field), c.foundOrEmpty) << c.line << " " << int(c.k);
        EXPECT_STREQ(field, c.field);
    }
}

TEST_F(FieldsTest, SubFieldsAndTabCounts)
{
    std::string field;
    EXPECT_TRUE(subField("COM1:9600:MUX0:1", 3, ':', field));
    EXPECT_EQ(field, "MUX0");
    EXPECT_FALSE(subField("in;;par", 2, ';', field));
    EXPECT_TRUE(subField("in;;par", 3, ';', field));
    EXPECT_EQ(field, "par");
    EXPECT_FALSE(subField("in;out", 3, ';', field));

    EXPECT_EQ(IleZnakowOddzielajacychDaneZawieraNapis("a\tb\t\tc"), 3);
    EXPECT_EQ(IleZnakowOddzielajacychDaneZawieraNapis(""), 0);
    EXPECT_EQ(IleZnakowOddzielajacychDaneZawieraNapis(std::string(1023, '\t').c_str()), 255) << "a byte holds at most 255";
}

TEST_F(FieldsTest, UnterminatedBuffersAreNotReadPastTheirEnd)
{
    char line[1024];
    std::memset(line, 'x', sizeof(line));
    line[10] = '\t';
    char field[1024];
    EXPECT_EQ(NapisZawieraDana(line, 2, field), 1);
    EXPECT_EQ(std::strlen(field), 1023u - 11u) << "only the buffer's 1023 characters count";
    EXPECT_EQ(NapisZawieraDana(nullptr, 1, field), 0);
    EXPECT_STREQ(field, "");
}
