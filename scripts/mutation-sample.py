#!/usr/bin/env python3
"""Draws single-token changes to the program's code at random and tells which of them the
test suite notices: a measure of whether the tests can fail where they should.

    python3 scripts/mutation-sample.py list TREE SEED N       the first N changes drawn
    python3 scripts/mutation-sample.py run TREE SEED N OUT    each change applied in turn,
                                                              built and tested; a JSON line each

TREE is a clean checkout (a worktree of its own: its files are changed and put back with
git) with a build configured in TREE/build, as scripts/build.sh makes it. A change is one
token of code (comments, strings and preprocessor lines left alone): a comparison, an
arithmetic or logical operator, ++/--, true/false, a number plus one (a decimal doubled),
a "!" dropped. Changes that do not build are skipped and the next one drawn. The unit
tests run first (two at a time, stopping at the first failure); a change they miss goes
through the end-to-end tests too. MUT_SKIP=K starts at the K-th change drawn, to go on
with a run that was stopped; MUT_FAST=1 leaves out the end-to-end tests (a change the
unit tests miss is then "unit-survived").
"""
import json, os, random, re, subprocess, sys, time

FOLDERS = ["acquisition", "link", "protocol", "errors", "ui"]

def sources(tree):
    out = []
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(tree, folder)):
            for f in sorted(files):
                if f.endswith((".cpp", ".h")):
                    out.append(os.path.relpath(os.path.join(root, f), tree))
    return sorted(out)

def code_mask(text):
    """True for characters that are code (not comment, string, char literal, preprocessor)."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and text[i:].lstrip(" \t").startswith("#"):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j): mask[k] = False
            i = j; continue
        line_start = False
        if c == "\n":
            line_start = True; i += 1; continue
        if text.startswith("//", i):
            j = text.find("\n", i); j = n if j < 0 else j
            for k in range(i, j): mask[k] = False
            i = j; continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2); j = n if j < 0 else j + 2
            for k in range(i, j): mask[k] = False
            i = j; continue
        if c in "\"'":
            # raw/normal literals; u8, L prefixes are harmless
            j = i + 1
            while j < n and text[j] != c:
                if text[j] == "\\": j += 1
                j += 1
            j += 1
            for k in range(i, min(j, n)): mask[k] = False
            i = j; continue
        i += 1
    return mask

SPACED = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ",
          " != ": " == ", " + ": " - ", " - ": " + ", " * ": " / ", " / ": " * ",
          " && ": " || ", " || ": " && ", " += ": " -= ", " -= ": " += ", " % ": " * "}

def candidates(tree, path):
    text = open(os.path.join(tree, path), encoding="utf-8").read()
    mask = code_mask(text)
    out = []
    def add(start, end, repl):
        if all(mask[start:end]):
            line = text.count("\n", 0, start) + 1
            out.append({"file": path, "start": start, "end": end, "old": text[start:end],
                        "new": repl, "line": line})
    for op, repl in SPACED.items():
        for m in re.finditer(re.escape(op), text):
            add(m.start(), m.end(), repl)
    for m in re.finditer(r"\b(true|false)\b", text):
        add(m.start(), m.end(), "false" if m.group(1) == "true" else "true")
    for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.])", text):
        v = int(m.group(1))
        add(m.start(), m.end(), str(v + 1))
    for m in re.finditer(r"(?<![\w.])(\d+\.\d+)(?![\w.])", text):
        v = float(m.group(1))
        add(m.start(), m.end(), repr(v * 2 if v else 1.0))
    for m in re.finditer(r"!(?=[\w(])", text):
        if text[m.start() - 1:m.start()] != "!":
            add(m.start(), m.end(), "")
    for m in re.finditer(r"\+\+|--", text):
        add(m.start(), m.end(), "--" if m.group() == "++" else "++")
    return out

def sample(tree, seed):
    allc = []
    for path in sources(tree):
        allc.extend(candidates(tree, path))
    allc.sort(key=lambda c: (c["file"], c["start"]))
    random.Random(seed).shuffle(allc)
    return allc

def apply(tree, c):
    p = os.path.join(tree, c["file"])
    text = open(p, encoding="utf-8").read()
    assert text[c["start"]:c["end"]] == c["old"]
    open(p, "w", encoding="utf-8").write(text[:c["start"]] + c["new"] + text[c["end"]:])

def restore(tree, c):
    subprocess.run(["git", "-C", tree, "checkout", "--", c["file"]], check=True)

def failed_tests(out):
    return re.findall(r"^\s*\d+ - (\S+) \(", out, re.M)

def run(tree, seed, n, outpath):
    if subprocess.run(["git", "-C", tree, "status", "--porcelain", "--untracked-files=no"],
                      capture_output=True, text=True, check=True).stdout.strip():
        sys.exit(f"{tree} has uncommitted changes: they would be lost. Use a clean worktree.")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = 0
    skip = int(os.environ.get("MUT_SKIP", "0"))
    for i, c in enumerate(sample(tree, seed)):
        if done >= n: break
        if i < skip: continue
        apply(tree, c)
        try:
            b = subprocess.run(["cmake", "--build", "build", "-j2"], cwd=tree,
                               capture_output=True, text=True)
            if b.returncode != 0:
                c["result"] = "no-build"
            else:
                t = subprocess.run(["ctest", "--test-dir", "build", "-LE", "e2e", "-j2", "--stop-on-failure", "--timeout", "60"],
                                   cwd=tree, capture_output=True, text=True, env=env)
                if t.returncode != 0:
                    c["result"] = "killed"; c["by"] = failed_tests(t.stdout)
                elif os.environ.get("MUT_FAST"):
                    c["result"] = "unit-survived"
                else:
                    t = subprocess.run(["ctest", "--test-dir", "build", "-L", "e2e", "--stop-on-failure", "--timeout", "180"],
                                       cwd=tree, capture_output=True, text=True, env=env)
                    c["result"] = "killed" if t.returncode != 0 else "survived"
                    c["by"] = failed_tests(t.stdout)
                done += 1
        finally:
            restore(tree, c)
        c["time"] = time.strftime("%H:%M:%S")
        with open(outpath, "a") as f:
            f.write(json.dumps(c, ensure_ascii=False) + "\n")
    subprocess.run(["cmake", "--build", "build", "-j2"], cwd=tree, capture_output=True)

if __name__ == "__main__":
    cmd, tree, seed, n = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    if cmd == "list":
        for c in sample(tree, seed)[:n]:
            print(f'{c["file"]}:{c["line"]}: {c["old"]!r} -> {c["new"]!r}')
    else:
        run(tree, seed, n, sys.argv[5])
