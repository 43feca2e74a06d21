// The command line of both world tools, parsed in-process: settings, the
// messages of every refusal and the exit status.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "map98.h"

namespace {

struct Parsed {
    int status = -1;
    std::string out;
    std::string settings;
};

std::string describe(const Map98Settings& s)
{
    auto text = [](const char* p) { return p ? std::string(p) : std::string("-"); };
    return "d1=" + text(s.arvelon_disk) + " d2=" + text(s.morvane_disk) +
           " rows=" + std::to_string(s.shape_rows) + " s=" + text(s.shape_sheet) +
           " m=" + text(s.mask_sheet) + " sheets=" + std::to_string(s.use_sheets) +
           " nomask=" + std::to_string(s.no_mask) + " noshores=" + std::to_string(s.no_shores) +
           " o=" + text(s.output) + " gates=" + std::to_string(s.gates) +
           " b=" + std::to_string(s.balloon) + " ow=" + std::to_string(s.overwrite);
}

Parsed parse(const Map98Port& port, std::vector<std::string> args)
{
    args.insert(args.begin(), "some-other-name");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Map98Settings settings;
    map98_settings_init(settings, port);
    Parsed parsed;
    testing::internal::CaptureStdout();
    parsed.status = map98_parse_arguments(settings, static_cast<int>(args.size()), argv.data());
    parsed.out = testing::internal::GetCapturedStdout();
    parsed.settings = describe(settings);
    return parsed;
}

const char* const kPcDefaults =
    "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 "
    "o=vorn.Morvane.bmp gates=0 b=0 ow=0";
const char* const kX68Defaults =
    "d1=vorn-arvelon.xdf d2=vorn-morvane.xdf rows=22 s=- m=- sheets=0 nomask=0 noshores=0 "
    "o=vorn.Morvane.bmp gates=0 b=0 ow=0";

TEST(Map98Cli, DefaultsOfEachPort)
{
    const Parsed pc = parse(kPc98MapPort, {});
    EXPECT_EQ(pc.status, 0);
    EXPECT_EQ(pc.out, "");
    EXPECT_EQ(pc.settings, kPcDefaults);
    const Parsed x68 = parse(kX68kMapPort, {});
    EXPECT_EQ(x68.status, 0);
    EXPECT_EQ(x68.settings, kX68Defaults);
    EXPECT_EQ(kPc98MapPort.data_offset, 4096u);
    EXPECT_EQ(kX68kMapPort.data_offset, 0u);
}

struct AcceptCase {
    bool x68k;
    std::vector<std::string> args;
    const char* settings;
    const char* out;
};

const AcceptCase kAccepted[] = {
    {false, {"-d1", "a.fdi", "-d2", "b.fdi"},
     "d1=a.fdi d2=b.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"--disk1", "a", "--disk2", "b", "--arvelon-disk", "c", "--morvane-disk", "d"},
     "d1=c d2=d rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    // An option's argument is the next word, whatever it looks like.
    {false, {"-d1", "-x", "-o", "--help"},
     "d1=-x d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=--help gates=0 b=0 ow=0", ""},
    {false, {"-r", "23"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {true, {"-r", "16"},
     "d1=vorn-arvelon.xdf d2=vorn-morvane.xdf rows=16 s=- m=- sheets=0 nomask=0 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-r", "17"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=17 s=- m=- sheets=0 nomask=0 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"--shape-rows", "18"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=18 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {true, {"-r", "0x12"},
     "d1=vorn-arvelon.xdf d2=vorn-morvane.xdf rows=18 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {true, {"-r", "022"},
     "d1=vorn-arvelon.xdf d2=vorn-morvane.xdf rows=18 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-r", "17", "-r", "20"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=20 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-M"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=1 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-n"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-s", "sheet.bmp"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=sheet.bmp m=- sheets=1 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    // -M clears the mask name but leaves the sheets on.
    {false, {"-m", "mask.bmp", "-M"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=1 nomask=1 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"--shape", "s.bmp", "--no-mask", "--mask", "m.bmp"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=s.bmp m=m.bmp sheets=1 nomask=1 noshores=1 o=vorn.Morvane.bmp gates=0 b=0 ow=0", ""},
    {false, {"-p", "3", "-p", "5"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=20 b=0 ow=0", ""},
    {false, {"-g", "-p", "2"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=255 b=0 ow=0", ""},
    {false, {"-p", "2", "--gates"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=255 b=0 ow=0", ""},
    {false, {"--phase", "8", "-p", "0x1", "-p", "010"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=129 b=0 ow=0", ""},
    {false, {"-b", "--baloon", "--overwrite", "-o", "a.bmp", "--output", "b.bmp"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=b.bmp gates=0 b=1 ow=1", ""},
    // A stray word is reported and parsing goes on.
    {false, {"stray", "-b", "more"},
     "d1=VORN_Arvelon.fdi d2=VORN_Morvane.fdi rows=23 s=- m=- sheets=0 nomask=0 noshores=0 o=vorn.Morvane.bmp gates=0 b=1 ow=0",
     "error: illegal parameter 'stray'\nerror: illegal parameter 'more'\n"},
};

TEST(Map98Cli, AcceptedCommandLines)
{
    for (const AcceptCase& c : kAccepted) {
        const Parsed p = parse(c.x68k ? kX68kMapPort : kPc98MapPort, c.args);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(p.status, 0) << label;
        EXPECT_EQ(p.out, c.out) << label;
        EXPECT_EQ(p.settings, c.settings) << label;
    }
}

struct RefuseCase {
    bool x68k;
    std::vector<std::string> args;
    const char* out;
};

const RefuseCase kRefused[] = {
    {false, {"-d1"}, "error: no disk image name\n"},
    {false, {"--disk2"}, "error: no disk image name\n"},
    {true, {"--arvelon-disk"}, "error: no disk image name\n"},
    {true, {"--morvane-disk"}, "error: no disk image name\n"},
    {false, {"-s"}, "error: no bitmap name\n"},
    {false, {"--mask"}, "error: no bitmap name\n"},
    {false, {"-r"}, "error: no shape rows\n"},
    {false, {"-o"}, "error: no output name\n"},
    {false, {"-p"}, "error: no phase value\n"},
    {false, {"-g", "--phase"}, "error: no phase value\n"},
    {true, {"-r", "23"}, "error: illegal shape rows '23'\n"},
    {false, {"-r", "15"}, "error: illegal shape rows '15'\n"},
    {true, {"-r", "15"}, "error: illegal shape rows '15'\n"},
    {false, {"-r", "24"}, "error: illegal shape rows '24'\n"},
    {true, {"-r", "24"}, "error: illegal shape rows '24'\n"},
    {false, {"-r", "18x"}, "error: illegal shape rows '18x'\n"},
    {false, {"-r", ""}, "error: illegal shape rows ''\n"},
    {false, {"-r", "-18"}, "error: illegal shape rows '-18'\n"},
    {false, {"-r", "4294967314"}, "error: illegal shape rows '4294967314'\n"},
    {false, {"-p", "0"}, "error: illegal phase value: 0\n"},
    {false, {"-p", "9"}, "error: illegal phase value: 9\n"},
    {false, {"-p", "3x"}, "error: illegal phase value: 3x\n"},
    {false, {"-p", "-1"}, "error: illegal phase value: -1\n"},
    {false, {"-p", "4294967297"}, "error: illegal phase value: 4294967297\n"},
    {false, {"-"}, "error: unknown option '-'\n"},
    {false, {"-gb"}, "error: unknown option '-gb'\n"},
    {false, {"--output=a.bmp"}, "error: unknown option '--output=a.bmp'\n"},
    {false, {"-d"}, "error: unknown option '-d'\n"},
    {false, {"--gates", "--shore"}, "error: unknown option '--shore'\n"},
    // The first refusal ends parsing: nothing after it is looked at.
    {false, {"word", "-x", "-?"}, "error: illegal parameter 'word'\nerror: unknown option '-x'\n"},
    {false, {"-p", "9", "-r", "1"}, "error: illegal phase value: 9\n"},
};

TEST(Map98Cli, RefusedCommandLinesEndWithStatusOne)
{
    for (const RefuseCase& c : kRefused) {
        const Parsed p = parse(c.x68k ? kX68kMapPort : kPc98MapPort, c.args);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(p.status, 1) << label;
        EXPECT_EQ(p.out, c.out) << label;
    }
}

std::string usage(const char* tool, const char* disk1, const char* disk2, int rows)
{
    return std::string("usage: ") + tool + " [options]\n" +
           "option:\n"
           "        -d1|--disk1|--arvelon-disk    DISK-IMG\n"
           "                                specify arvelon disk\n"
           "                                read '" + disk1 + "' if not specified\n" +
           "        -d2|--disk2|--morvane-disk DISK-IMG\n"
           "                                specify morvane disk\n"
           "                                read '" + disk2 + "' if not specified\n" +
           "        -s|--shape SHAPE-BMP    read shape data from specified file\n"
           "        -r|--shape-rows NUM     specify number of shape rows (16-" +
           std::to_string(rows) + ")\n" +
           "        -m|--mask  MASK-BMP     read mask data from specified file\n"
           "        -M|--no-mask            not use mask data\n"
           "        -n|--no-shores          draw not shores\n"
           "        -o|--output OUTPUT-BMP  write bitmap to specified file\n"
           "        -g|--gates              draw all moon gates\n"
           "        -p|--phase NUM          draw moon gate of specified phase (1-8)\n"
           "        -b|--baloon             draw baloon\n"
           "           --overwrite          overwrite output file\n"
           "        -?|--help               print usage\n"
           "           --png                write PNG instead of BMP\n"
           "           --export-shapes SHAPE-BMP  write shapes to specified file\n"
           "           --export-mask MASK-BMP     write mask to specified file\n"
           "           --version            print version\n"
           "           --atlas DIR          write a layer of a web atlas into DIR\n"
           "           --tiled DIR          write Tiled map files into DIR\n"
           "           --area X,Y,W,H       draw only W x H tiles from column X, row Y\n"
           "           --shrink N           shrink the picture N times (2, 4, 8, 16, 32)\n";
}

TEST(Map98Cli, UsageShowsTheToolsOwnNameAndDefaults)
{
    const std::string pc = usage("vornpc98map", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", 23);
    const std::string x68 = usage("vornx68kmap", "vorn-arvelon.xdf", "vorn-morvane.xdf", 22);
    for (const char* option : {"-?", "--help"}) {
        const Parsed p = parse(kPc98MapPort, {"-b", option, "-x"});
        EXPECT_EQ(p.status, 1);
        EXPECT_EQ(p.out, pc);
        const Parsed x = parse(kX68kMapPort, {option});
        EXPECT_EQ(x.status, 1);
        EXPECT_EQ(x.out, x68);
    }
    // The usage text shows the defaults, not what the command line set.
    EXPECT_EQ(parse(kPc98MapPort, {"-d1", "mine.fdi", "-?"}).out, pc);
}

// Random command lines from option names, numbers and junk: parsing ends
// with 0 or 1, and settings it accepts are within their ranges.
TEST(Map98Cli, RandomCommandLinesKeepSettingsInRange)
{
    const std::vector<std::string> words = {
        "-d1", "-d2", "--disk1", "-s", "-r", "-m", "-M", "-n", "-o", "-g", "-p", "-b",
        "--overwrite", "--shape-rows", "--phase", "-", "--", "-?x", "x", "", "0", "1", "8",
        "9", "16", "17", "18", "22", "23", "0x12", "022", "-1", "4294967295", "1e3", " 5"};
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> args;
        const int count = static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) args.push_back(words[random() % words.size()]);
        const bool x68k = random() % 2;
        const Map98Port& port = x68k ? kX68kMapPort : kPc98MapPort;
        std::vector<std::string> full = args;
        full.insert(full.begin(), "tool");
        std::vector<char*> argv;
        for (std::string& a : full) argv.push_back(a.data());
        argv.push_back(nullptr);
        Map98Settings settings;
        map98_settings_init(settings, port);
        testing::internal::CaptureStdout();
        const int status = map98_parse_arguments(settings, static_cast<int>(full.size()), argv.data());
        testing::internal::GetCapturedStdout();
        const std::string label = testing::PrintToString(args);
        ASSERT_TRUE(status == 0 || status == 1) << label;
        if (status != 0) continue;
        EXPECT_GE(settings.shape_rows, 16) << label;
        EXPECT_LE(settings.shape_rows, port.max_shape_rows) << label;
        EXPECT_LE(settings.gates, 255u) << label;
        if (settings.no_mask || settings.shape_rows < 18) {
            EXPECT_EQ(settings.no_shores, 1) << label;
        }
        if (settings.mask_sheet) {
            EXPECT_EQ(settings.use_sheets, 1) << label;
        }
        EXPECT_NE(settings.arvelon_disk, nullptr);
        EXPECT_NE(settings.morvane_disk, nullptr);
        EXPECT_NE(settings.output, nullptr);
    }
}

}  // namespace
