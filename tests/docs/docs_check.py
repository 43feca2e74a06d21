#!/usr/bin/env python3
"""The commands of the README and the guides, run as they are written.

    docs_check.py --tools BIN-DIR [--root SOURCE-DIR] [FILE.md ...]

Reads README.md and docs/*.md (or the files given). Every fenced block of
commands (```sh, ```bash, ```bat, ```cmd, ```console) must come right after
a marking line, an HTML comment that a Git forge does not show:

    <!-- doc-test: run [SAMPLE ...] [status=N] [needs=PROGRAM,...] -->
    <!-- doc-test: not run: WHAT RUNS IT INSTEAD -->

A block marked "run" runs under bash -e in a scratch folder of its own, with
BIN-DIR (the built tools and vorn_sample) first on PATH, HOME inside the
scratch folder and no standard input. Each SAMPLE word, PORT[:DIR[:FORM]],
first writes the sample data there: vorn_sample PORT DIR [FORM] (DIR
defaults to "."). The block must end with status N (default 0). A block that
needs a program which is not installed is skipped and said so. A ```text
block right after "<!-- doc-test: output -->" is what the run block before
it prints on standard output.

Also checked: every relative link and image leads to a file (and a .md
link's #anchor to one of its headings), the README's "Quick start" heading
lies within its first 60 lines, and no README section (a heading to the
next) is longer than 40 lines. Exits 1 with one line per fault.
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

COMMAND_LANGUAGES = {"sh", "bash", "shell", "console", "bat", "cmd"}
MARKING = re.compile(r"^<!--\s*doc-test:\s*(.*?)\s*-->\s*$")
FENCE = re.compile(r"^(```+|~~~+)\s*([^\s`]*)")
QUICK_START_LINE = 60
SECTION_LINES = 40
BLOCK_SECONDS = 600


class Block:
    def __init__(self, path, line, language, text, marking, marking_line):
        self.path = path
        self.line = line  # the line of the opening fence, from 1
        self.language = language
        self.text = text
        self.marking = marking  # the words of the marking line, or None
        self.marking_line = marking_line

    def where(self):
        return f"{self.path}:{self.line}"


def read_markdown(path, name=None):
    """The fenced blocks and the prose lines (None inside blocks) of a file;
    name is how messages call the file."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    blocks, prose = [], []
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            prose.append(lines[i])
            i += 1
            continue
        fence, language = m.group(1), m.group(2).lower()
        start = i
        body = []
        i += 1
        while i < len(lines) and not lines[i].startswith(fence[0] * len(fence)):
            body.append(lines[i])
            i += 1
        marking = marking_line = None
        if start > 0:
            mm = MARKING.match(lines[start - 1])
            if mm:
                marking, marking_line = mm.group(1), start
        blocks.append(Block(name or path, start + 1, language, "\n".join(body) + "\n", marking, marking_line))
        prose.extend([None] * (i + 1 - start))
        i += 1
    # Markings that stand before no block at all.
    stray = []
    for n, line in enumerate(lines):
        if MARKING.match(line) and not (n + 1 < len(lines) and FENCE.match(lines[n + 1])):
            stray.append(n + 1)
    return blocks, prose[: len(lines)], stray


def parse_marking(words):
    """('run', samples, status, needs) or ('not run', reason, None, None)."""
    if words.startswith("not run"):
        reason = words[len("not run"):].lstrip(":").strip()
        if not reason:
            raise ValueError("'not run' names no reason")
        return "not run", reason, None, None
    tokens = words.split()
    if not tokens or tokens[0] != "run":
        raise ValueError(f"marking '{words}' is neither 'run ...' nor 'not run: ...'")
    samples, status, needs = [], 0, []
    for word in tokens[1:]:
        if word.startswith("status="):
            status = int(word[len("status="):])
        elif word.startswith("needs="):
            needs += [p for p in word[len("needs="):].split(",") if p]
        else:
            fields = word.split(":")
            if fields[0] not in ("pc", "pc98", "x68k", "a2") or len(fields) > 3 or "" in fields:
                raise ValueError(f"sample '{word}' is not PORT[:DIR[:FORM]]")
            samples.append((fields[0], fields[1] if len(fields) > 1 else ".", fields[2] if len(fields) > 2 else None))
    return "run", samples, status, needs


def run_block(block, samples, status, tools):
    """Runs a block; (fault or None, what it printed)."""
    scratch = tempfile.mkdtemp(prefix="vorn-docs-")
    try:
        work = os.path.join(scratch, "work")
        home = os.path.join(scratch, "home")
        os.makedirs(work)
        os.makedirs(home, mode=0o700)
        env = dict(os.environ)
        env.update(PATH=tools + os.pathsep + env.get("PATH", ""), HOME=home, LC_ALL="C", QT_QPA_PLATFORM="offscreen",
                   XDG_RUNTIME_DIR=home)
        for port, directory, form in samples:
            command = [os.path.join(tools, "vorn_sample"), port, os.path.join(work, directory)] + ([form] if form else [])
            made = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True)
            if made.returncode != 0:
                return f"{block.where()}: vorn_sample {port} {directory} failed: {made.stdout}{made.stderr}", ""
        script = os.path.join(scratch, "block.sh")
        with open(script, "w", encoding="utf-8") as f:
            f.write(block.text)
        try:
            done = subprocess.run(["bash", "-e", "-o", "pipefail", script], cwd=work, env=env, stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=BLOCK_SECONDS)
        except subprocess.TimeoutExpired:
            return f"{block.where()}: still running after {BLOCK_SECONDS} s", ""
        printed = done.stdout.decode("utf-8", "replace")
        if done.returncode != status:
            said = (printed + done.stderr.decode("utf-8", "replace")).rstrip("\n").split("\n")
            tail = "\n".join("    " + line for line in said[-15:])
            return f"{block.where()}: ended with status {done.returncode}, not {status}; it printed:\n{tail}", printed
        return None, printed
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def slug(heading, seen):
    """The anchor a Git forge gives a heading: lower case, punctuation gone, blanks as hyphens."""
    text = re.sub(r"`([^`]*)`", r"\1", heading.strip().lower())
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"[^\w\- ]", "", text).replace(" ", "-")
    n = seen.get(text, 0)
    seen[text] = n + 1
    return text if n == 0 else f"{text}-{n}"


def anchors_of(path, cache):
    if path not in cache:
        _, prose, _ = read_markdown(path)
        seen = {}
        cache[path] = {slug(line.lstrip("#"), seen) for line in prose if line and re.match(r"^#{1,6} ", line)}
    return cache[path]


LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
HTML_LINK = re.compile(r"<(?:img|a)\b[^>]*?\b(?:src|href)=\"([^\"]+)\"")


def check_links(path, name, prose, cache):
    faults = []
    here = os.path.dirname(path)
    for n, line in enumerate(prose):
        if line is None:
            continue
        line = re.sub(r"`[^`]*`", "", line)
        for target in LINK.findall(line) + HTML_LINK.findall(line):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                continue  # an address elsewhere
            file_part, _, anchor = target.partition("#")
            linked = os.path.normpath(os.path.join(here, file_part)) if file_part else path
            if not os.path.exists(linked):
                faults.append(f"{name}:{n + 1}: the link '{target}' leads to no file")
            elif anchor and linked.endswith(".md") and anchor not in anchors_of(linked, cache):
                faults.append(f"{name}:{n + 1}: the link '{target}' leads to no heading of {file_part or name}")
    return faults


def check_readme_shape(path, prose):
    faults = []
    headings = [n for n, line in enumerate(prose) if line and re.match(r"^#{1,6} ", line)]
    quick = [n for n in headings if re.match(r"^#+ quick start\b", prose[n], re.I)]
    if not quick:
        faults.append(f"{path}: no 'Quick start' heading")
    elif quick[0] + 1 > QUICK_START_LINE:
        faults.append(f"{path}:{quick[0] + 1}: the quick start begins past line {QUICK_START_LINE}")
    bounds = [0] + headings + [len(prose)]
    for start, end in zip(bounds, bounds[1:]):
        text = prose[start:end]
        while text and text[-1] is not None and not text[-1].strip():
            text.pop()  # blank lines before the next heading
        if len(text) > SECTION_LINES:
            faults.append(f"{path}:{start + 1}: a section of {len(text)} lines, more than {SECTION_LINES}")
    return faults


SKIPPED = object()  # what a skipped block printed


def check_files(paths, tools, root=None, log=print):
    """Every fault found in the files, as lines; runs the marked blocks.
    Messages name the files relative to root, where it is given."""
    faults = []
    cache = {}
    counts = {"run": 0, "not run": 0, "skipped": 0}
    for path in paths:
        name = os.path.relpath(path, root) if root else path
        blocks, prose, stray = read_markdown(path, name)
        faults += [f"{name}:{n}: a doc-test marking that stands before no block" for n in stray]
        faults += check_links(path, name, prose, cache)
        if os.path.basename(path) == "README.md":
            faults += check_readme_shape(name, prose)
        printed = None
        for block in blocks:
            if block.marking is not None and block.marking.strip() == "output":
                if printed is SKIPPED:
                    continue
                if printed is None:
                    faults.append(f"{block.where()}: an output block after no block that was run")
                elif printed.rstrip("\n") != block.text.rstrip("\n"):
                    faults.append(f"{block.where()}: the block before printed\n{printed}not\n{block.text}")
                continue
            if block.language not in COMMAND_LANGUAGES:
                if block.marking is not None:
                    faults.append(f"{block.where()}: a doc-test marking before a '{block.language}' block")
                continue
            printed = None
            if block.marking is None:
                faults.append(f"{block.where()}: a '{block.language}' block without a doc-test marking")
                continue
            try:
                kind, samples, status, needs = parse_marking(block.marking)
            except ValueError as e:
                faults.append(f"{block.where()}: {e}")
                continue
            if kind == "not run":
                counts["not run"] += 1
                continue
            if block.language not in ("sh", "bash", "shell"):
                faults.append(f"{block.where()}: only sh blocks can be run, not '{block.language}'")
                continue
            missing = [p for p in needs if shutil.which(p) is None]
            if missing:
                counts["skipped"] += 1
                printed = SKIPPED
                log(f"{block.where()}: skipped, needs {', '.join(missing)}")
                continue
            fault, printed = run_block(block, samples, status, tools)
            counts["run"] += 1
            if fault:
                faults.append(fault)
            log(f"{block.where()}: {'FAILED' if fault else 'ok'}")
    log(f"{counts['run']} blocks run, {counts['not run']} marked not run, {counts['skipped']} skipped")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tools", required=True, help="the folder of the built tools and vorn_sample")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    paths = args.files or [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
    tools = os.path.abspath(args.tools)
    if not os.access(os.path.join(tools, "vorn_sample"), os.X_OK):
        print(f"no vorn_sample in {tools}")
        return 1
    faults = check_files([os.path.abspath(p) for p in paths], tools, root)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
