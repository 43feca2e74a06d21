// The atlas folder: the checks of atlas_open (through atlas_probe, which
// answers the question from its standard input) and the layers that
// atlas_page_write lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>

#include "atlas.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

const std::string kAsk = "overwrite ? (Y or N): ";
// The record of a layer as the page's makers agreed it.
const std::string kPc98Record =
    R"({"name":"world-pc98","title":"PC-98","kind":"world","port":"pc98","order":200,"tileWidth":32,)"
    R"("tileHeight":32,"mapWidth":256,"mapHeight":256,"topZoom":5,"imageWidth":256,"imageHeight":256})"
    "\n";

std::string text_of(const fs::path& path)
{
    const std::vector<uint8_t> bytes = vorn_test::read_file(path);
    return {bytes.begin(), bytes.end()};
}

// Every file (with its bytes) and folder (ending in '/') under dir.
std::map<std::string, std::string> tree(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files[fs::relative(e.path(), dir).generic_string() + (e.is_directory() ? "/" : "")] =
            e.is_directory() ? "" : text_of(e.path());
    return files;
}

void put(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    vorn_test::write_file(path, text);
}

TEST(AtlasOpen, FailuresQuestionAndOwnPage)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> setup;
        std::string dir;
        int overwrite;
        std::string answer, out;
        int status;
    };
    const auto file = [](std::string name) { return [=](const fs::path& root) { put(root / name, "x"); }; };
    const std::string index = "'index.html' already exists\n" + kAsk, leaflet = "'leaflet' already exists\n" + kAsk;
    const Case cases[] = {
        {"a file at DIR", file("atlas"), "atlas", 0, "", "error: not a directory 'atlas'\n", 1},
        {"DIR below a file", file("plain"), "plain/atlas", 0, "", "error: make directory 'plain/atlas'\n", 1},
        {"a site's index.html, N", file("atlas/index.html"), "atlas", 0, "n\n", index, 1},
        {"a site's index.html, Y", file("atlas/index.html"), "atlas", 0, "x\ny\n", index, 0},
        {"a site's atlas.css, --overwrite", file("atlas/atlas.css"), "atlas", 1, "", "", 0},
        {"another's leaflet folder, N", file("atlas/leaflet/leaflet.js"), "atlas", 0, "", leaflet, 1},
        {"our own page, rewritten without a question",
         [](const fs::path& root) {
             fs::create_directory(root / "atlas");
             ASSERT_EQ(atlas_page_write((root / "atlas").string().c_str()), 0);
             put(root / "atlas/leaflet/leaflet.js", "an older Leaflet");
         },
         "atlas", 0, "", "", 0},
        {"missing parents", [](const fs::path&) {}, "made/for/atlas", 0, "", "", 0},
        {"a folder at layers.js, --overwrite", [](const fs::path& root) { fs::create_directories(root / "atlas/layers.js"); },
         "atlas", 1, "", "error: write 'layers.js'\nerror: write atlas page 'atlas'\n", 1},
    };
    for (const Case& c : cases) {
        vorn_test::TempDir dir;
        c.setup(dir.path());
        const auto before = tree(dir.path());
        const auto run = vorn_test::run_tool("atlas_probe", {c.dir, std::to_string(c.overwrite)}, dir.path(), c.answer);
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_EQ(run.status, c.status) << c.what;
        if (c.status == 0) {
            EXPECT_EQ(text_of(dir / c.dir / "index.html"), text_of(fs::path(VORN_ATLAS_PAGE_DIR) / "index.html")) << c.what;
            EXPECT_EQ(text_of(dir / c.dir / "leaflet/LICENSE").rfind("vorn-atlas:", 0), 0u) << c.what;
        } else if (c.out.find("write atlas page") == std::string::npos) {
            EXPECT_EQ(tree(dir.path()), before) << c.what << ": nothing written or changed";
        }
        for (const auto& [name, bytes] : tree(dir.path()))
            EXPECT_EQ(name.find("/."), std::string::npos) << c.what << ": a temporary file left, " << name;
    }
}

TEST(AtlasPage, ListsExactlyTheLayersThatReadBack)
{
    vorn_test::TempDir dir;
    const fs::path atlas = dir / "atlas";
    const auto layer = [&](const std::string& name, const char* title, const char* kind, uint32_t order) {
        const uint32_t map = kind[0] == 'w' ? 256 : 32, zoom = kind[0] == 'w' ? 5 : 2;
        fs::create_directories(atlas / name);
        ASSERT_EQ(atlas_layer_info_write((atlas / name).string().c_str(),
                                         {name, title, kind, "pc98", order, 32, 32, map, map, zoom}),
                  0);
    };
    layer("world-pc98", "PC-98", "world", 200);
    layer("town-pc98-Wyrm's_Keep", "Wyrm's Keep (PC-98)", "town", 1200);
    layer("town-pc98-Castle_Morvane_2F", R"(Castle "Morvane" 2F \ (PC-98))", "town", 1200);
    layer("world-pc98-sheet", "PC-98 (sheet)", "world", 210);
    // The record of the folder, as it is or changed by a byte; a record is
    // taken only when it is what the writer writes.
    const auto record = [](const std::string& folder, const std::string& from = "", const std::string& to = "") {
        std::string r = kPc98Record;
        r.replace(r.find("world-pc98"), 10, folder);
        return from.empty() ? r : r.replace(r.find(from), from.size(), to);
    };
    const std::pair<std::string, std::string> others[] = {
        {".world-pc98", kPc98Record},  // half built
        {"world-pc-ega", kPc98Record},  // the record of another folder
        {"world-x68k", record("world-x68k")},
        {"world-a2", record("world-a2", "}\n", "}")},
        {"world-a2-blur", record("world-a2-blur", "\"order\":200", "\"order\":0200")},
        {"world-pc-cga", record("world-pc-cga", "\"imageWidth\":256", "\"imageWidth\":255")},
        {"world-a2-retouch", record("world-a2-retouch", "\"name\":", "\"name\": ")},
        {"world-a2-sheet", record("world-a2-sheet", "\"title\":\"PC-98\",\"kind\":\"world\"",
                                  "\"kind\":\"world\",\"title\":\"PC-98\"")},
    };
    for (const auto& [folder, record] : others) put(atlas / folder / "layer.json", record);
    fs::create_directories(atlas / "photos");
    put(atlas / "notes.txt", "not a layer");

    ASSERT_EQ(atlas_page_write(atlas.string().c_str()), 0);
    const std::string script = text_of(atlas / "layers.js");
    std::vector<std::string> names;
    const std::regex name(R"re("name":"([^"]*)")re");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), name); it != std::sregex_iterator(); ++it)
        names.push_back((*it)[1]);
    EXPECT_EQ(names, (std::vector<std::string>{"world-pc98", "world-x68k", "world-pc98-sheet",
                                               "town-pc98-Castle_Morvane_2F", "town-pc98-Wyrm's_Keep"}));
    EXPECT_EQ(text_of(atlas / "world-pc98/layer.json"), kPc98Record);
    EXPECT_NE(script.find(R"x("title":"Castle \"Morvane\" 2F \\ (PC-98)")x"), std::string::npos);
    // The same bytes on every run.
    const auto first = tree(atlas);
    ASSERT_EQ(atlas_page_write(atlas.string().c_str()), 0);
    EXPECT_EQ(tree(atlas), first);
}

}  // namespace
