// Column descriptions and the ordering of cell texts.
#include "core/list_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace brisken {
// Found by argument lookup from the comparisons of the tests below.
bool operator==(const ColumnLayout& a, const ColumnLayout& b) {
    return a.title == b.title && a.width == b.width && a.alignment == b.alignment;
}

void PrintTo(const ColumnLayout& c, std::ostream* os) {
    *os << "{" << c.title.toStdString() << "," << c.width << "," << static_cast<int>(c.alignment)
        << "}";
}

} // namespace brisken

using namespace brisken;

namespace {

struct DescriptionCase {
    const char* description;
    std::vector<ColumnLayout> expected;
};

class ColumnDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(ColumnDescriptionTest, Parses) {
    EXPECT_EQ(ParseColumnDescription(QString::fromUtf8(GetParam().description)),
              GetParam().expected);
}

using A = ColumnAlignment;
INSTANTIATE_TEST_SUITE_P(
    Descriptions, ColumnDescriptionTest,
    ::testing::Values(
        // The SMS list: pieces keep their blanks; the last entry's 4 is left-aligned.
        DescriptionCase{"No, 45; SMS Status, 110; Phone No, 110; Time, 50;Message,160, 4",
                        {{"No", 45, A::Left},
                         {" SMS Status", 110, A::Left},
                         {" Phone No", 110, A::Left},
                         {" Time", 50, A::Left},
                         {"Message", 160, A::Left}}},
        DescriptionCase{"No,50;Name,100;Phone No,183",
                        {{"No", 50, A::Left}, {"Name", 100, A::Left}, {"Phone No", 183, A::Left}}},
        DescriptionCase{"A;B,20", {{"A", 100, A::Left}, {"B", 20, A::Left}}},
        DescriptionCase{
            "A,10,1;B,10,2;C,10,0;D,10,x",
            {{"A", 10, A::Center}, {"B", 10, A::Right}, {"C", 10, A::Left}, {"D", 10, A::Left}}},
        DescriptionCase{";;,;A,,30", {{"A", 30, A::Left}}}, // empty entries and pieces skipped
        DescriptionCase{"", {}},
        DescriptionCase{"A,abc;B,-5;C,99999999",
                        {{"A", 100, A::Left}, {"B", 100, A::Left}, {"C", 4096, A::Left}}}));

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

class CompareTest : public ::testing::TestWithParam<CompareCase> {};

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

TEST_P(CompareTest, OrdersByFirstRuleThatFitsBoth) {
    const DateFormats dates{{QStringLiteral("dd.MM.yyyy HH:mm"), QStringLiteral("dd.MM.yyyy")}};
    const CompareCase c = GetParam();
    EXPECT_EQ(Sign(CompareCellTexts(QString::fromUtf8(c.a), QString::fromUtf8(c.b), dates)),
              c.sign);
    EXPECT_EQ(Sign(CompareCellTexts(QString::fromUtf8(c.b), QString::fromUtf8(c.a), dates)),
              -c.sign);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CompareTest,
    ::testing::Values(CompareCase{"9", "10", -1},                             // numbers, not text
                      CompareCase{"007", "7", 0},                             // leading zeros
                      CompareCase{"0A", "9", 1},                              // hexadecimal
                      CompareCase{"ff", "FE", 1},                             // hex ignores case
                      CompareCase{"123456789012345678901234567890", "99", 1}, // no overflow
                      CompareCase{"1.5", "1.25", 1},                          // real numbers
                      CompareCase{"-1", "2", -1},
                      CompareCase{"50%", "7%", 1},                 // with a percent sign
                      CompareCase{"9%%", "10%", 1},                // two signs: text
                      CompareCase{"02.01.2024", "01.02.2024", -1}, // dates, not text
                      CompareCase{"31.12.2023 23:59", "01.01.2024 00:00", -1},
                      CompareCase{"32.01.2024", "01.02.2024", 1}, // not a date: text
                      CompareCase{"Zeta", "alpha", -1},           // code units, case-sensitive
                      CompareCase{"", "5", -1}, CompareCase{"", "", 0},
                      CompareCase{"inf", "5", 1}, // words are not numbers
                      CompareCase{"+4930", "+4931", -1}));

TEST(SortOrder, NumericNoColumnAndDirections) {
    const QStringList no = {"10", "9", "1", "100", "2"};
    const DateFormats dates;
    const std::vector<int> up = SortedRowOrder(no, true, dates);
    EXPECT_EQ(up, (std::vector<int>{2, 4, 1, 0, 3}));
    const std::vector<int> down = SortedRowOrder(no, false, dates);
    EXPECT_EQ(down, (std::vector<int>{3, 0, 1, 4, 2}));
}

TEST(SortOrder, EqualKeysKeepTheirOrder) {
    const QStringList texts = {"b", "a", "b", "a", "b"};
    EXPECT_EQ(SortedRowOrder(texts, true, {}), (std::vector<int>{1, 3, 0, 2, 4}));
    EXPECT_EQ(SortedRowOrder(texts, false, {}), (std::vector<int>{0, 2, 4, 1, 3}));
    EXPECT_TRUE(SortedRowOrder({}, true, {}).empty());
}

TEST(SortOrder, MixedRulesStillGiveAPermutation) {
    // Mixing number, hex and text rules is not a strict order; the sort must
    // still neither lose nor duplicate rows.
    const char* pool[] = {"9", "10", "a", "A", "1.5", "ff", "x", "", "50%", "Zed", "0x1", "-3"};
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        QStringList texts;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            texts << QString::fromLatin1(pool[random() % std::size(pool)]);
        }
        std::vector<int> order = SortedRowOrder(texts, round % 2 == 0, {});
        std::sort(order.begin(), order.end());
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
        }
    }
}

TEST(SortOrder, HeaderClickDirection) {
    EXPECT_TRUE(NextSortAscending(0, -1, false));
    EXPECT_FALSE(NextSortAscending(0, 0, true));
    EXPECT_TRUE(NextSortAscending(0, 0, false));
    EXPECT_TRUE(NextSortAscending(1, 0, true));
}

} // namespace
