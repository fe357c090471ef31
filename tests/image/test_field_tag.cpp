#include "field_tag.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace qrt58;

TEST(FieldTag, BitBindingWithAndWithoutGeometry) {
    for (const std::string tag : {"&H3BE,2,1,chk", "&H3BE,2,1,chk,#4590#3916#1035#225#9#"}) {
        const auto t = parse_field_tag(tag);
        ASSERT_TRUE(t) << tag;
        EXPECT_EQ(t->address, 0x3BE);
        EXPECT_EQ(t->bit, 2);
        EXPECT_EQ(t->width, 1);
        EXPECT_EQ(t->kind, TagKind::Chk);
    }
    EXPECT_EQ(parse_field_tag("&H358,0,8,chkN")->kind, TagKind::ChkN);
    EXPECT_EQ(parse_field_tag("&H554,0,8,chkSource")->kind, TagKind::ChkSource);
    EXPECT_EQ(parse_field_tag("&H39,0,2,cbo")->kind, TagKind::Cbo);
    EXPECT_EQ(parse_field_tag("&H3F,0,4,Lng")->kind, TagKind::Lng);
    // Kinds are case-sensitive.
    EXPECT_EQ(parse_field_tag("&H39,0,2,CBO")->kind, TagKind::Other);
}

TEST(FieldTag, NotABitBinding) {
    EXPECT_FALSE(parse_field_tag(""));
    EXPECT_FALSE(parse_field_tag("&H400,0"));
    EXPECT_FALSE(parse_field_tag("&H400,0,#10#20#30#40#9#"));
    EXPECT_FALSE(parse_field_tag("400,0,1,chk"));
    EXPECT_FALSE(parse_field_tag("&H40,7,2,chk")); // would run past bit 7
    EXPECT_FALSE(parse_field_tag("&HZZ,0,1,chk"));
}

TEST(FieldTag, PromptForm) {
    EXPECT_EQ(parse_prompt_tag("&H400,0"), 0x400);
    EXPECT_EQ(parse_prompt_tag("&H5EA,0,#1#2#3#4#8#"), 0x5EA);
    EXPECT_FALSE(parse_prompt_tag("&H400"));
    EXPECT_FALSE(parse_prompt_tag("&H400,1"));
}

TEST(FieldTag, GeometryAppendAndRead) {
    const std::string tag = append_tag_geometry("&H3BE,2,1,chk", std::array<double, 4>{4590, 3916, 1035, 225}, 9);
    EXPECT_EQ(tag, "&H3BE,2,1,chk,#4590#3916#1035#225#9#");
    const auto g = parse_tag_geometry(tag);
    EXPECT_EQ(g.complete, 5);
    EXPECT_DOUBLE_EQ(g.values[0], 4590);
    EXPECT_DOUBLE_EQ(g.values[3], 225);
    EXPECT_DOUBLE_EQ(g.values[4], 9);

    // A control without a font size, and a menu item with no geometry at all.
    const std::string noFont = append_tag_geometry("", std::array<double, 4>{1.5, 2, 3, 4}, std::nullopt);
    EXPECT_EQ(noFont, ",#1.5#2#3#4#");
    const auto g2 = parse_tag_geometry(noFont);
    EXPECT_EQ(g2.complete, 4);
    EXPECT_DOUBLE_EQ(g2.values[0], 1.5);
    EXPECT_DOUBLE_EQ(g2.values[4], 0);
    EXPECT_EQ(append_tag_geometry("", std::nullopt, std::nullopt), ",#");
    EXPECT_EQ(parse_tag_geometry(",#").complete, 0);
}

// The numbers of the geometry read as a stream writes them, whatever the
// program's locale: whole and fractional twips, font sizes, large and tiny
// values, over random draws.
TEST(FieldTag, GeometryNumbersAsAStreamWritesThem) {
    std::mt19937 rng(58);
    std::uniform_int_distribution<int> twips(-20000, 20000);
    std::uniform_real_distribution<double> any(-1e9, 1e9);
    std::vector<double> values = {0, -0.0, 8.25, 9.75, 1e6, 123456.5, 1e-5, 0.1, 2.0 / 3.0, -14.4};
    for (int i = 0; i < 2000; ++i) {
        values.push_back(twips(rng));
        values.push_back(twips(rng) / 4.0);
        values.push_back(any(rng));
    }
    for (std::size_t i = 0; i + 4 < values.size(); i += 5) {
        std::ostringstream expected;
        expected << "t,#";
        for (std::size_t k = 0; k < 5; ++k) expected << values[i + k] << '#';
        EXPECT_EQ(append_tag_geometry("t",
                                      std::array<double, 4>{values[i], values[i + 1], values[i + 2], values[i + 3]},
                                      values[i + 4]),
                  expected.str());
    }
}
