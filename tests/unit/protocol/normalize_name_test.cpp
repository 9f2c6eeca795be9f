// NormalizeName: blanks out, A-Z lowered, every other byte kept.
#include <gtest/gtest.h>

#include <string>

#include "normalize_name.h"

namespace {

TEST(NormalizeName, Cases)
{
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"blank and capitals", "Some Body", "somebody"},
        {"every blank goes", "  A B  C ", "abc"},
        {"tab stays", "a\tb", "a\tb"},
        {"other white space stays", "a\nb\rc", "a\nb\rc"},
        {"whole alphabet", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"},
        {"neighbours of A-Z unchanged", "@[`{", "@[`{"},
        {"digits and lower case unchanged", "bob42", "bob42"},
        {"high bytes unchanged", "\xc4\xd6\xdc\xff X", "\xc4\xd6\xdc\xffx"},
        {"empty", "", ""},
        {"only blanks", "   ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NormalizeName(c.in), c.out);
    }
}

}  // namespace
