// The atlas folder: layer records, the checks of atlas_open (run through
// atlas_probe, which answers the question from its standard input) and the
// layers that atlas_page_write lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "atlas.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using vorn_test::TempDir;

namespace {

const std::string kQuestion = "overwrite ? (Y or N): ";
const fs::path kPageSource = VORN_ATLAS_PAGE_DIR;

// The records of the layer contract, as the page's makers agreed them.
const std::string kPc98Record =
    R"({"name":"world-pc98","title":"PC-98","kind":"world","port":"pc98","order":200,"tileWidth":32,)"
    R"("tileHeight":32,"mapWidth":256,"mapHeight":256,"topZoom":5,"imageWidth":256,"imageHeight":256})"
    "\n";
const AtlasLayerInfo kPc98 = {"world-pc98", "PC-98", "world", "pc98", 200, 32, 32, 256, 256, 5};
const AtlasLayerInfo kA2 = {"world-a2", "Apple II", "world", "a2", 400, 28, 32, 256, 256, 5};
const AtlasLayerInfo kTown = {"town-pc98-Castle_Morvane_2F", "Castle Morvane 2F (PC-98)", "town", "pc98", 1200, 32,
                              32, 32, 32, 2};

std::string text_of(const fs::path& path)
{
    const std::vector<uint8_t> bytes = vorn_test::read_file(path);
    return {bytes.begin(), bytes.end()};
}

// Every file under dir by its name relative to dir, with its bytes; folders
// as names ending in '/'.
std::map<std::string, std::string> tree(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    if (!fs::is_directory(dir)) return {{"", text_of(dir)}};
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).generic_string();
        files[entry.is_directory() ? name + "/" : name] = entry.is_directory() ? "" : text_of(entry.path());
    }
    return files;
}

void write_layer(const fs::path& atlas, const std::string& folder, const AtlasLayerInfo& info)
{
    fs::create_directories(atlas / folder);
    ASSERT_EQ(atlas_layer_info_write((atlas / folder).string().c_str(), info), 0);
}

// The names in layers.js, in its order.
std::vector<std::string> listed_layers(const fs::path& atlas)
{
    const std::string script = text_of(atlas / "layers.js");
    const std::regex name(R"re("name":"((?:[^"\\]|\\.)*)")re");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), name); it != std::sregex_iterator(); ++it)
        names.push_back((*it)[1]);
    return names;
}

// The page as a finished run leaves it: every page file, index.html as in
// the source, the leaflet folder marked as ours by its licence.
void expect_page(const fs::path& atlas)
{
    for (const char* name : {"index.html", "atlas.js", "atlas.css"})
        EXPECT_EQ(text_of(atlas / name), text_of(kPageSource / name)) << name;
    EXPECT_EQ(text_of(atlas / "layers.js").rfind("/* vorn-atlas:", 0), 0u);
    EXPECT_EQ(text_of(atlas / "leaflet" / "LICENSE").rfind("vorn-atlas:", 0), 0u);
    for (const char* name : {"leaflet/leaflet.js", "leaflet/leaflet.css", "leaflet/images/layers.png",
                             "leaflet/images/layers-2x.png"})
        EXPECT_GT(fs::file_size(atlas / name), 0u) << name;
}

TEST(AtlasLayerRecord, IsOneLineWithTheKeysInOrder)
{
    TempDir dir;
    write_layer(dir.path(), "pc98", kPc98);
    EXPECT_EQ(text_of(dir / "pc98" / "layer.json"), kPc98Record);
    // Non-square tiles: the image is 8 x 8 tiles of 28 x 32 pixels.
    write_layer(dir.path(), "a2", kA2);
    EXPECT_NE(text_of(dir / "a2" / "layer.json").find(R"("tileWidth":28,"tileHeight":32,)"), std::string::npos);
    EXPECT_NE(text_of(dir / "a2" / "layer.json").find(R"("imageWidth":224,"imageHeight":256})"), std::string::npos);
}

TEST(AtlasLayerRecord, IllegalLayersAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(AtlasLayerInfo&)> change;
    };
    const Case cases[] = {
        {"a slash in the name", [](AtlasLayerInfo& i) { i.name = "world/pc98"; }},
        {"a name of a hidden folder", [](AtlasLayerInfo& i) { i.name = ".world-pc98"; }},
        {"the leaflet folder", [](AtlasLayerInfo& i) { i.name = "leaflet"; }},
        {"a page file", [](AtlasLayerInfo& i) { i.name = "index.html"; }},
        {"a tab in the title", [](AtlasLayerInfo& i) { i.title = "PC\t98"; }},
        {"an unknown kind", [](AtlasLayerInfo& i) { i.kind = "dungeon"; }},
        {"an unknown port", [](AtlasLayerInfo& i) { i.port = "fm7"; }},
        {"a map wider than the top zoom holds", [](AtlasLayerInfo& i) { i.map_width = 257; }},
        {"no tile width", [](AtlasLayerInfo& i) { i.tile_width = 0; }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        AtlasLayerInfo info = kPc98;
        c.change(info);
        testing::internal::CaptureStdout();
        EXPECT_EQ(atlas_layer_info_write(dir.path().string().c_str(), info), -1) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "error: illegal layer '" + info.name + "'\n") << c.what;
        EXPECT_TRUE(fs::is_empty(dir.path())) << c.what;
    }
}

TEST(AtlasOpen, FailuresQuestionAndOwnPage)
{
    using Setup = std::function<void(const fs::path&)>;
    struct Case {
        const char* what;
        Setup setup;
        std::string dir;
        int overwrite;
        std::string answer;
        std::string out;
        int status;
    };
    const auto put = [](const std::string& name, const std::string& text) {
        return [=](const fs::path& root) {
            fs::create_directories((root / name).parent_path());
            vorn_test::write_file(root / name, text);
        };
    };
    const std::string asked_index = "'index.html' already exists\n" + kQuestion;
    const Case cases[] = {
        {"a file at DIR", put("atlas", "x"), "atlas", 0, "", "error: not a directory 'atlas'\n", 1},
        {"DIR below a file", put("plain", "x"), "plain/atlas", 0, "", "error: make directory 'plain/atlas'\n", 1},
        {"a site's index.html, N", put("atlas/index.html", "<p>mine</p>"), "atlas", 0, "n\n", asked_index, 1},
        {"a site's index.html, Y", put("atlas/index.html", "<p>mine</p>"), "atlas", 0, "x\ny\n", asked_index, 0},
        {"a site's atlas.css, --overwrite", put("atlas/atlas.css", "p {}"), "atlas", 1, "", "", 0},
        {"a leaflet folder of another's, N", put("atlas/leaflet/leaflet.js", "x"), "atlas", 0, "",
         "'leaflet' already exists\n" + kQuestion, 1},
        {"a file at leaflet, N", put("atlas/leaflet", "x"), "atlas", 0, "N",
         "'leaflet' already exists\n" + kQuestion, 1},
        {"our own page, rewritten without a question",
         [](const fs::path& root) {
             fs::create_directory(root / "atlas");
             ASSERT_EQ(atlas_page_write((root / "atlas").string().c_str()), 0);
             vorn_test::write_file(root / "atlas" / "leaflet" / "leaflet.js", "an older Leaflet");
         },
         "atlas", 0, "", "", 0},
        {"missing parents", [](const fs::path&) {}, "made/for/atlas", 0, "", "", 0},
        {"a folder at layers.js, --overwrite",
         [](const fs::path& root) { fs::create_directories(root / "atlas" / "layers.js"); }, "atlas", 1, "",
         "error: write 'layers.js'\nerror: write atlas page 'atlas'\n", 1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        c.setup(dir.path());
        const auto before = tree(dir.path());
        const auto run = vorn_test::run_tool("atlas_probe", {c.dir, std::to_string(c.overwrite)}, dir.path(), c.answer);
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_EQ(run.status, c.status) << c.what;
        if (c.status == 0) {
            expect_page(dir / c.dir);
        } else if (c.out.find("write atlas page") == std::string::npos) {
            EXPECT_EQ(tree(dir.path()), before) << c.what << ": nothing written or changed";
        }
        // A failed write leaves no temporary file behind.
        for (const auto& [name, bytes] : tree(dir.path()))
            EXPECT_EQ(name.find("/."), std::string::npos) << c.what << ": " << name;
    }
}

TEST(AtlasPage, ListsExactlyTheLayersThatReadBack)
{
    TempDir dir;
    const fs::path atlas = dir / "atlas";
    AtlasLayerInfo quoted = kTown;
    quoted.title = R"(Castle "Morvane" 2F \ (PC-98))";
    AtlasLayerInfo keep = kTown;
    keep.name = "town-pc98-Wyrm's_Keep";
    AtlasLayerInfo blur = kA2;
    blur.name = "world-a2-blur";
    blur.order = 410;
    write_layer(atlas, kPc98.name, kPc98);
    write_layer(atlas, keep.name, keep);
    write_layer(atlas, quoted.name, quoted);
    write_layer(atlas, blur.name, blur);
    // Folders that hold no layer of this atlas.
    const auto spoil = [](std::string record, const std::string& from, const std::string& to) {
        return record.replace(record.find(from), from.size(), to);
    };
    const std::pair<std::string, std::string> others[] = {
        {".world-pc98", kPc98Record},  // half built
        {"world-pc-ega", kPc98Record},  // the record of another folder
        {"world-pc98-sheet", spoil(kPc98Record, "}\n", "}")},
        {"world-x68k", spoil(kPc98Record, "\"order\":200", "\"order\":0200")},
        {"world-a2-retouch", spoil(kPc98Record, "\"imageWidth\":256", "\"imageWidth\":255")},
        {"world-pc-cga", spoil(kPc98Record, "\"name\":", "\"name\": ")},
        {"world-a2-sheet", spoil(kPc98Record, "\"title\":\"PC-98\",\"kind\":\"world\"",
                                 "\"kind\":\"world\",\"title\":\"PC-98\"")},
        {"photos", ""},
    };
    for (const auto& [folder, record] : others) {
        fs::create_directories(atlas / folder);
        if (record.empty()) continue;
        const std::string named = spoil(record, "world-pc98", folder == "world-pc-ega" ? "world-pc98" : folder);
        vorn_test::write_file(atlas / folder / "layer.json", named);
    }
    vorn_test::write_file(atlas / "notes.txt", "not a layer");
    ASSERT_EQ(atlas_page_write(atlas.string().c_str()), 0);
    const std::vector<std::string> expected = {"world-pc98", "world-a2-blur", "town-pc98-Castle_Morvane_2F",
                                               "town-pc98-Wyrm's_Keep"};
    EXPECT_EQ(listed_layers(atlas), expected);
    const std::string script = text_of(atlas / "layers.js");
    EXPECT_NE(script.find(kPc98Record.substr(0, kPc98Record.size() - 1) + ",\n"), std::string::npos);
    EXPECT_NE(script.find(R"x("title":"Castle \"Morvane\" 2F \\ (PC-98)")x"), std::string::npos);
    EXPECT_NE(script.find(R"({"phase":3,"x":38,"y":224})"), std::string::npos);
    EXPECT_NE(script.find(R"("balloon": {"x":233,"y":242})"), std::string::npos);

    // The same bytes on every run: nothing depends on the time or the order
    // of the listing.
    const auto first = tree(atlas);
    ASSERT_EQ(atlas_page_write(atlas.string().c_str()), 0);
    EXPECT_EQ(tree(atlas), first);
    expect_page(atlas);
}

}  // namespace
