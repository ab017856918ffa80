#include <gtest/gtest.h>

#include <vector>

#include "cli/settings.h"

namespace kolvi {
namespace {

struct Args {
    std::vector<const char*> v;
    Args(std::initializer_list<const char*> a) : v{"kolvi"} { v.insert(v.end(), a); }
    int argc() const { return static_cast<int>(v.size()); }
    const char* const* argv() const { return v.data(); }
};

TEST(Options, FindOptionTakesTheLastExactMatchAndNeverTheProgramName) {
    Args a{"-v", "-cat", "-v", "-V", "--v"};
    EXPECT_EQ(find_option(a.argc(), a.argv(), "-v"), 3);
    EXPECT_EQ(find_option(a.argc(), a.argv(), "kolvi"), OPTION_NOT_FOUND);
    EXPECT_EQ(find_option(a.argc(), a.argv(), "-x"), OPTION_NOT_FOUND);
    Args none{};
    EXPECT_EQ(find_option(none.argc(), none.argv(), "-v"), OPTION_NOT_FOUND);
}

TEST(Options, ValuesAreTheNextArgumentAndAbsentAtTheEnd) {
    Args a{"-cat", "-v", "-lc", "x", "-lc", "y", "-o"};
    EXPECT_STREQ(option_string(a.argc(), a.argv(), "-cat", ""), "-v");
    EXPECT_STREQ(option_string(a.argc(), a.argv(), "-lc", "nil"), "y");
    // A value-taking option as the last argument has no value.
    EXPECT_EQ(option_path(a.argc(), a.argv(), "-o", "trace.tp"), "trace.tp");
    EXPECT_EQ(option_flag(a.argc(), a.argv(), "-v", 0), 1);
    Args last{"-f"};
    EXPECT_EQ(option_list_start(last.argc(), last.argv(), "-f", -1), 2);
    EXPECT_EQ(option_list_start(last.argc(), last.argv(), "-g", -1), -1);
}

TEST(Options, IntegerValuesReadLikeAtoi) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"12", 12}, {"  -7x", -7}, {"+3", 3}, {"abc", 0}, {"", 0}, {"99999999999", INT_MAX},
                 {"-99999999999", INT_MIN}};
    for (const auto& c : cases) {
        Args a{"-leg", c.text};
        EXPECT_EQ(option_int(a.argc(), a.argv(), "-leg", 5), c.value) << c.text;
    }
    Args absent{};
    EXPECT_EQ(option_int(absent.argc(), absent.argv(), "-leg", 5), 5);
}

TEST(Options, RangeReadsAsFarAsItFits) {
    struct Case {
        const char* text;
        int min, max;
    } cases[] = {{"3..4", 3, 4}, {"7", 7, 999}, {"..7", 0, 999}, {"-5..5", -5, 5}, {"5..2", 5, 2},
                 {" 1.. 2", 1, 2}, {"1 ..2", 1, 999}, {"1.2", 1, 999}, {"1..x", 1, 999}};
    for (const auto& c : cases) {
        Args a{"-lvl", "1..2", "-lvl", c.text};
        int lo = -1, hi = -1;
        option_range(a.argc(), a.argv(), "-lvl", &lo, &hi, 0, 999);
        EXPECT_EQ(lo, c.min) << c.text;
        EXPECT_EQ(hi, c.max) << c.text;
    }
}

TEST(Options, AlternativesGiveThePositionOfTheFirstPresent) {
    Args a{"-u", "-f"};
    EXPECT_EQ(option_alternatives(a.argc(), a.argv(), "-h|-u", -1), 1);
    EXPECT_EQ(option_alternatives(a.argc(), a.argv(), "||-u", -1), 0);
    EXPECT_EQ(option_alternatives(a.argc(), a.argv(), "-h", -1), -1);
    Args both{"-u", "-h"};
    EXPECT_EQ(option_alternatives(both.argc(), both.argv(), "-h|-u", -1), 0);
}

}  // namespace
}  // namespace kolvi
