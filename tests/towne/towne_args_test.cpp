// The town tools' command line, read into settings without running anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "towne_driver.h"

namespace {

struct Parsed {
    int status;
    std::string out;
    TowneSettings settings;
};

Parsed parse(const TowneVariant& variant, std::vector<std::string> words)
{
    words.insert(words.begin(), "towne");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Parsed p;
    towne_default_settings(p.settings, variant);
    testing::internal::CaptureStdout();
    p.status = parse_arguments(p.settings, static_cast<int>(words.size()), argv.data());
    p.out = testing::internal::GetCapturedStdout();
    // The settings point into the words; keep only what the tests compare.
    return p;
}

TEST(TowneArguments, DefaultsOfEachBuild)
{
    const Parsed pc98 = parse(kPc98Towne, {});
    EXPECT_EQ(pc98.status, 0);
    EXPECT_STREQ(pc98.settings.arvelon_disk, "VORN_Arvelon.fdi");
    EXPECT_STREQ(pc98.settings.morvane_disk, "VORN_Morvane.fdi");
    EXPECT_EQ(pc98.settings.shape_rows, 23);
    EXPECT_EQ(pc98.settings.variant->data_offset, 4096u);

    const Parsed x68k = parse(kX68kTowne, {});
    EXPECT_STREQ(x68k.settings.arvelon_disk, "vorn-arvelon.xdf");
    EXPECT_STREQ(x68k.settings.morvane_disk, "vorn-morvane.xdf");
    EXPECT_EQ(x68k.settings.shape_rows, 22);
    EXPECT_EQ(x68k.settings.variant->data_offset, 0u);
    for (const Parsed* p : {&pc98, &x68k}) {
        EXPECT_EQ(p->settings.shape_bitmap, nullptr);
        EXPECT_EQ(p->settings.mask_bitmap, nullptr);
        EXPECT_EQ(p->settings.use_sheets + p->settings.no_mask + p->settings.no_npcs + p->settings.overwrite, 0);
    }
}

TEST(TowneArguments, TheLastOfRepeatedOptionsWins)
{
    std::vector<std::string> words = {"-d1", "a1", "--disk1", "a2", "-d2", "m1", "--morvane-disk", "m2",
                                      "-s", "s1", "--shape", "s2", "-r", "16", "-r", "0x11"};
    words.insert(words.begin(), "towne");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    TowneSettings s;
    towne_default_settings(s, kX68kTowne);
    ASSERT_EQ(parse_arguments(s, static_cast<int>(argv.size()), argv.data()), 0);
    EXPECT_STREQ(s.arvelon_disk, "a2");
    EXPECT_STREQ(s.morvane_disk, "m2");
    EXPECT_STREQ(s.shape_bitmap, "s2");
    EXPECT_EQ(s.shape_rows, 17);
    EXPECT_EQ(s.use_sheets, 1);
}

TEST(TowneArguments, NoMaskClearsTheMaskNameButSheetsStayOn)
{
    std::vector<std::string> words = {"towne", "-m", "mask.bmp", "-M", "-n", "--overwrite"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    TowneSettings s;
    towne_default_settings(s, kPc98Towne);
    ASSERT_EQ(parse_arguments(s, static_cast<int>(argv.size()), argv.data()), 0);
    EXPECT_EQ(s.mask_bitmap, nullptr);
    EXPECT_EQ(s.use_sheets, 1);
    EXPECT_EQ(s.no_mask, 1);
    EXPECT_EQ(s.no_npcs, 1);
    EXPECT_EQ(s.overwrite, 1);

    std::vector<std::string> again = {"towne", "-M", "--mask", "m.bmp"};
    argv.clear();
    for (std::string& w : again) argv.push_back(w.data());
    towne_default_settings(s, kPc98Towne);
    ASSERT_EQ(parse_arguments(s, static_cast<int>(argv.size()), argv.data()), 0);
    EXPECT_STREQ(s.mask_bitmap, "m.bmp");
    EXPECT_EQ(s.no_mask, 1);
}

TEST(TowneArguments, EndingWordsStopParsingWhereTheyStand)
{
    // Nothing after the word that ends the run is looked at.
    Parsed p = parse(kPc98Towne, {"-r", "99", "-?"});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "error: illegal shape rows '99'\n");

    p = parse(kPc98Towne, {"-x", "-r"});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "error: unknown option '-x'\n");

    p = parse(kX68kTowne, {"word", "-n"});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.out, "error: illegal parameter 'word'\n");
    EXPECT_EQ(p.settings.no_npcs, 1);
}

}  // namespace
