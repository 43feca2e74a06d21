#!/usr/bin/env python3
"""The check of the documents' commands, on small documents written here.

    docs_check_test.py --tools BIN-DIR   (the folder of vorn_sample)
"""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import docs_check  # noqa: E402

TOOLS = None


class DocsCheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="vorn-docs-test-")
        self.root = self.dir.name
        self.marker = os.path.join(self.root, "ran")

    def tearDown(self):
        self.dir.cleanup()

    def faults(self, text, name="guide.md"):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return docs_check.check_files([path], TOOLS, self.root, log=lambda line: None)

    def assertFault(self, faults, words):
        self.assertTrue(any(words in f for f in faults), f"no fault with '{words}' in {faults}")

    def test_a_command_block_needs_a_marking(self):
        faults = self.faults(f"Text.\n\n```sh\ntouch {self.marker}\n```\n")
        self.assertFault(faults, "guide.md:3: a 'sh' block without a doc-test marking")
        self.assertFalse(os.path.exists(self.marker))
        self.assertFault(self.faults("```bat\nrem x\n```\n"), "a 'bat' block without a doc-test marking")
        # A marking a blank line away from its block marks nothing.
        faults = self.faults("<!-- doc-test: run -->\n\n```sh\ntrue\n```\n")
        self.assertFault(faults, "guide.md:1: a doc-test marking that stands before no block")
        self.assertFault(faults, "guide.md:3: a 'sh' block without a doc-test marking")

    def test_a_block_not_run_is_not_run(self):
        faults = self.faults(f"<!-- doc-test: not run: CI runs it -->\n```sh\ntouch {self.marker}\nexit 3\n```\n")
        self.assertEqual(faults, [])
        self.assertFalse(os.path.exists(self.marker))
        self.assertFault(self.faults("<!-- doc-test: not run -->\n```sh\ntrue\n```\n"), "names no reason")
        self.assertFault(self.faults("<!-- doc-test: maybe -->\n```sh\ntrue\n```\n"), "neither")

    def test_a_block_fails_on_the_first_failing_command(self):
        faults = self.faults(f"<!-- doc-test: run -->\n```sh\nfalse\ntouch {self.marker}\n```\n")
        self.assertFault(faults, "guide.md:2: ended with status 1, not 0")
        self.assertFalse(os.path.exists(self.marker))
        self.assertFault(self.faults("<!-- doc-test: run -->\n```sh\nfalse | cat\n```\n"), "status 1, not 0")
        self.assertFault(self.faults("<!-- doc-test: run -->\n```sh\nno-such-program-here\n```\n"), "status 127")

    def test_the_status_named(self):
        self.assertEqual(self.faults("<!-- doc-test: run status=2 -->\n```sh\nexit 2\n```\n"), [])
        self.assertFault(self.faults("<!-- doc-test: run status=1 -->\n```sh\ntrue\n```\n"), "status 0, not 1")

    def test_blocks_run_apart_with_the_tools_and_sample_data(self):
        text = ("<!-- doc-test: run pc98 pc:game x68k:d:dim -->\n```sh\n"
                "test -f VORN_Arvelon.fdi -a -f game/WORLD.MAP -a -f d/vorn-morvane.dim\n"
                "test \"$(command -v vorn_sample)\" = \"" + os.path.join(TOOLS, "vorn_sample") + "\"\n"
                "read line || echo no input\ntouch left-behind\n```\n\n"
                "<!-- doc-test: run -->\n```sh\ntest ! -e left-behind -a ! -e VORN_Arvelon.fdi\n```\n")
        self.assertEqual(self.faults(text), [])
        self.assertFault(self.faults("<!-- doc-test: run dos -->\n```sh\ntrue\n```\n"), "is not PORT[:DIR[:FORM]]")
        self.assertFault(self.faults("<!-- doc-test: run pc98:.:tape -->\n```sh\ntrue\n```\n"),
                         "vorn_sample pc98 . failed")

    def test_output_compared_exactly(self):
        block = "<!-- doc-test: run -->\n```sh\necho one\necho two >&2\necho three\n```\n\n"
        self.assertEqual(self.faults(block + "<!-- doc-test: output -->\n```text\none\nthree\n```\n"), [])
        self.assertFault(self.faults(block + "<!-- doc-test: output -->\n```text\none\nthree \n```\n"),
                         "the block before printed")
        self.assertFault(self.faults(block + "<!-- doc-test: output -->\n```text\none\n```\n"),
                         "the block before printed")
        self.assertFault(self.faults("<!-- doc-test: output -->\n```text\none\n```\n"), "after no block that was run")
        # The output of a block not run is no output to compare.
        self.assertFault(self.faults("<!-- doc-test: not run: x -->\n```sh\necho one\n```\n\n"
                                     "<!-- doc-test: output -->\n```text\none\n```\n"), "after no block that was run")

    def test_a_block_whose_program_is_missing_is_skipped(self):
        text = ("<!-- doc-test: run needs=no-such-program-here -->\n```sh\nexit 1\n```\n\n"
                "<!-- doc-test: output -->\n```text\nanything\n```\n")
        self.assertEqual(self.faults(text), [])

    def test_links(self):
        os.makedirs(os.path.join(self.root, "docs"))
        with open(os.path.join(self.root, "docs", "a.md"), "w") as f:
            f.write("# A guide\n\n## Web atlas\n\n## Maps in `Tiled`, and more\n")
        with open(os.path.join(self.root, "docs", "p.png"), "wb") as f:
            f.write(b"")
        good = ("[a](docs/a.md) [b](docs/a.md#web-atlas) [c](docs/a.md#maps-in-tiled-and-more) ![p](docs/p.png)\n"
                "<img src=\"docs/p.png\"> [d](https://example.org/x) [e](#here) `[f](nowhere.md)`\n\n# Here\n")
        self.assertEqual(self.faults(good, "top.md"), [])
        self.assertFault(self.faults("[a](docs/b.md)\n", "top.md"), "top.md:1: the link 'docs/b.md' leads to no file")
        self.assertFault(self.faults("<img src=\"docs/q.png\">\n", "top.md"), "'docs/q.png' leads to no file")
        self.assertFault(self.faults("x\n\n[a](docs/a.md#atlas)\n", "top.md"),
                         "top.md:3: the link 'docs/a.md#atlas' leads to no heading")
        self.assertFault(self.faults("[a](#nowhere)\n", "top.md"), "leads to no heading")

    def test_the_readme_shape(self):
        short = "# T\n\n## Quick start\n\n" + "line\n" * 30
        self.assertEqual(self.faults(short, "README.md"), [])
        late = "# T\n\n" + "".join(f"## S{i}\n" + "line\n" * 20 for i in range(3)) + "## Quick start\nx\n"
        self.assertFault(self.faults(late, "README.md"), "README.md:66: the quick start begins past line 60")
        long = "# T\n\n## Quick start\n\n## Long\n" + "line\n" * 40 + "\n\n## Next\n"
        self.assertFault(self.faults(long, "README.md"), "README.md:5: a section of 41 lines, more than 40")
        # Lines inside a fenced block count; '#' lines inside one are no headings.
        fenced = "# T\n\n## Quick start\n\n## Long\n<!-- doc-test: not run: x -->\n```sh\n" + "# c\n" * 37 + "```\n"
        self.assertFault(self.faults(fenced, "README.md"), "a section of 41 lines")
        self.assertFault(self.faults("# T\n\nno start\n", "README.md"), "no 'Quick start' heading")
        # Other files may be as long as they need.
        self.assertEqual(self.faults("# T\n" + "line\n" * 100, "docs/long.md"), [])


if __name__ == "__main__":
    if "--tools" in sys.argv:
        at = sys.argv.index("--tools")
        TOOLS = os.path.abspath(sys.argv[at + 1])
        del sys.argv[at:at + 2]
    if TOOLS is None or not os.access(os.path.join(TOOLS, "vorn_sample"), os.X_OK):
        print("usage: docs_check_test.py --tools BIN-DIR (the folder of vorn_sample)")
        sys.exit(2)
    unittest.main()
