// --version on every built program: one line with the tool's fixed name and
// the project version, status 0, and its place among the other options.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tool_run.h"

namespace {

struct Tool {
    const char* name;
    bool takes_data_path;  // a word that is no option is a DATA-PATH, not a stray word
};

const Tool kTools[] = {
    {"vornpc_map", true},     {"vornpc98map", false},   {"vornx68kmap", false},
    {"vornpc98towne", false}, {"vornx68ktowne", false}, {"vorna2map", false},
};

void PrintTo(const Tool& tool, std::ostream* os) { *os << tool.name; }

enum class Expect { kExactly, kUsageText, kNoVersionLine };

struct Case {
    std::vector<std::string> args;
    Expect expect;
    std::string out;  // with kExactly; "@" stands for the version line
    int status;
};

std::vector<Case> cases(const Tool& tool)
{
    const std::string stray = tool.takes_data_path ? "" : "error: illegal parameter 'stray'\n";
    return {
        {{"--version"}, Expect::kExactly, "@", 0},
        {{"--version", "--help"}, Expect::kExactly, "@", 0},
        {{"--version", "-x"}, Expect::kExactly, "@", 0},
        {{"--version", "--overwrite", "--version"}, Expect::kExactly, "@", 0},
        {{"stray", "--version"}, Expect::kExactly, stray + "@", 0},
        {{"-?", "--version"}, Expect::kUsageText, "", 1},
        {{"--help", "--version"}, Expect::kUsageText, "", 1},
        {{"-x", "--version"}, Expect::kExactly, "error: unknown option '-x'\n", 1},
        {{"-v"}, Expect::kExactly, "error: unknown option '-v'\n", 1},
        {{"-V"}, Expect::kExactly, "error: unknown option '-V'\n", 1},
        {{"--Version"}, Expect::kExactly, "error: unknown option '--Version'\n", 1},
        {{"--version=1"}, Expect::kExactly, "error: unknown option '--version=1'\n", 1},
        {{"-version"}, Expect::kExactly, "error: unknown option '-version'\n", 1},
        // The word after an option that takes one is its argument: here the
        // name of a shape sheet that does not exist.
        {{"-s", "--version"}, Expect::kNoVersionLine, "", 1},
    };
}

class VersionOption : public testing::TestWithParam<Tool> {};

TEST_P(VersionOption, PrintsOneLineAndEndsTheRun)
{
    const Tool& tool = GetParam();
    const std::string version_line = std::string(tool.name) + " " + VORN_PROJECT_VERSION + "\n";
    for (const Case& c : cases(tool)) {
        vorn_test::TempDir dir;
        const vorn_test::RunResult r = vorn_test::run_tool(tool.name, c.args, dir.path());
        const std::string label = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(r.status, c.status) << label;
        switch (c.expect) {
        case Expect::kExactly: {
            std::string want = c.out;
            if (const size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, version_line);
            EXPECT_EQ(r.out, want) << label;
            break;
        }
        case Expect::kUsageText:
            EXPECT_EQ(r.out.rfind(std::string("usage: ") + tool.name + " [options]", 0), 0u) << label;
            break;
        case Expect::kNoVersionLine:
            EXPECT_EQ(r.out.find(version_line), std::string::npos) << label;
            break;
        }
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, VersionOption, testing::ValuesIn(kTools),
                         [](const testing::TestParamInfo<Tool>& info) { return std::string(info.param.name); });

}  // namespace
