#!/usr/bin/env python3
"""Puts single-line faults into the engine and reports the ones no engine test
notices. For measuring the tests; CI does not run it.

  tools/mutate.py --seed N [--count 110] [--jobs 4] [--timeout 120]
  tools/mutate.py --seed N --list            the faults only, nothing built
  tools/mutate.py --seed N --only 3,17       again, just these faults
  tools/mutate.py --seed N --every-test      name every test that catches each fault
  tools/mutate.py --fault engine/x.cpp:12:'new text'   a fault of your own

Every engine source (engine/*.cpp, *.h) gets at least one fault; the rest fall
on random lines. A fault is one of: a comparison flipped or moved by one, + and
- (or * and /, ++ and --) swapped, a whole-number constant one off, a condition
negated, && and || swapped, true and false swapped, a statement deleted, an
early return. The work happens on a copy of the sources in build-mutate/, so an
interrupted pass leaves the worktree as it was. Each fault is built there
(RelWithDebInfo, engine tests only) and the engine tests run with a timeout:
a failing or hanging test catches it (the window tests are not run). Survivors
are listed with file:line and the changed text, to be judged equivalent or a
gap by hand; every outcome is also kept in build-mutate/results-SEED.json.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COPIED = ["CMakeLists.txt", "engine", "tests", "bench", "data"]

# ---- Reading the sources -----------------------------------------------------


def mask(line, in_block):
    """The line with comments blanked and string and character literals
    filled, so that faults touch code only; and whether a block comment
    is still open at its end."""
    out = []
    i, n = 0, len(line)
    while i < n:
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i))
                return "".join(out), True
            out.append(" " * (end + 2 - i))
            i = end + 2
            in_block = False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i))
            break
        if line.startswith("/*", i):
            in_block = True
            continue
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + "_" * max(0, j - i - 2) + (c if j - i >= 2 else ""))
            i = j
            continue
        out.append(c)
        i += 1
    return "".join(out), in_block


class Line:
    def __init__(self, number, text, code, in_code, void_function):
        self.number = number  # from 1
        self.text = text  # without its line end
        self.code = code  # masked
        self.in_code = in_code  # inside a function body
        self.void_function = void_function


def read_lines(path):
    """The lines of a source with their masked code and, from a scan of the
    braces, whether each lies in a function body and whether that function
    returns nothing."""
    lines = []
    in_block = False
    stack = []  # per open brace: (kind, void function?)
    statement = ""  # code since the last ; { or }
    with open(path, encoding="utf-8") as f:
        raw = f.read().split("\n")
    for k, text in enumerate(raw, 1):
        code, in_block = mask(text, in_block)
        in_code = any(kind == "function" for kind, _ in stack)
        void = next((v for kind, v in reversed(stack) if kind == "function"), False)
        lines.append(Line(k, text, code, in_code, void))
        if code.lstrip().startswith("#"):
            continue
        for c in code:
            if c == "{":
                head = statement.strip()
                if any(kind == "function" for kind, _ in stack):
                    stack.append(("block", False))
                elif re.search(r"\b(namespace|struct|class|enum|union)\b", head) and "(" not in head:
                    stack.append(("type", False))
                elif "(" in head and not head.endswith(("=", ",")):
                    void = re.match(r"^((inline|static|constexpr)\s+)*void\b", head) is not None
                    stack.append(("function", void))
                else:
                    stack.append(("init", False))
                statement = ""
            elif c == "}":
                if stack:
                    stack.pop()
                statement = ""
            elif c == ";":
                statement = ""
            else:
                statement += c
    return lines


# ---- The faults ------------------------------------------------------------------

CMP_FLIP = {"<": ">=", ">": "<=", "<=": ">", ">=": "<", "==": "!=", "!=": "=="}
CMP_EDGE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}


DECLARATION = re.compile(r"^((static|const|constexpr)\s+)*(?!return\b|delete\b|throw\b|else\b)[A-Za-z_][\w:]*"
                         r"(<[^;]*>)?[&*]?\s+[&*]?[A-Za-z_]\w*\s*(=|;|\{|\(|\[)")


def in_template_arguments(code, pos):
    """Whether pos lies between a template's < and its >."""
    lt = code.rfind("<", 0, pos)
    return lt > 0 and code[lt + 1] != " " and code[lt + 1] != "=" and ">" not in code[lt:pos]


def balanced_end(code, start):
    """Index just past the parenthesis that closes the one at start, or -1."""
    depth = 0
    for i in range(start, len(code)):
        if code[i] == "(":
            depth += 1
        elif code[i] == ")":
            depth -= 1
            if depth == 0:
                return i + 1
    return -1


def previous_code(lines, index):
    for j in range(index - 1, -1, -1):
        s = lines[j].code.strip()
        if s:
            return s
    return ""


def is_statement_start(lines, index):
    """A whole statement on one line, inside a function, that starts there."""
    line = lines[index]
    s = line.code.strip()
    if not line.in_code or not s.endswith(";") or s.startswith(("}", "case ", "default")):
        return False
    if s.count("(") != s.count(")"):
        return False
    prev = previous_code(lines, index)
    return prev.endswith(("{", ";", "}", ")", ":")) and not prev.endswith("::")


def faults_of_line(lines, index):
    """Every fault that the line allows, as (operator, new text)."""
    line = lines[index]
    code, text = line.code, line.text
    s = code.strip()
    if not s or s.startswith(("#", "static_assert", "extern ")) or re.fullmatch(r"[{}();\s]*", s):
        return []
    found = []

    def at(start, end, new, op):
        found.append((op, text[:start] + new + text[end:]))

    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", code):
        at(m.start(), m.end(), CMP_FLIP[m.group(1)], "comparison flipped")
        if m.group(1) in CMP_EDGE:
            at(m.start(), m.end(), CMP_EDGE[m.group(1)], "comparison moved by one")
    for m in re.finditer(r"(?<=\s)([-+*/])(?=\s)|(\+=|-=)|(\+\+|--)", code):
        tok = m.group(0)
        swap = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "++": "--", "--": "++"}[tok]
        at(m.start(), m.end(), swap, "arithmetic swapped")
    for m in re.finditer(r"(?<![\w.])(?<![eE][-+])(\d+)(?![\w.])", code):
        if in_template_arguments(code, m.start()):
            continue  # a table's bounds: the declarations would no longer match
        value = int(m.group(1))
        at(m.start(), m.end(), str(value + 1), "constant one off")
        if value > 0:
            at(m.start(), m.end(), str(value - 1), "constant one off")
    for m in re.finditer(r"\b(if|while)\s*\(", code):
        open_at = m.end() - 1
        close = balanced_end(code, open_at)
        if close > 0:
            cond = text[open_at + 1 : close - 1]
            at(open_at + 1, close - 1, "!(" + cond + ")", "condition negated")
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        at(m.start(), m.end(), "||" if m.group(1) == "&&" else "&&", "logic swapped")
    for m in re.finditer(r"\b(true|false)\b", code):
        at(m.start(), m.end(), "false" if m.group(1) == "true" else "true", "true/false swapped")
    if is_statement_start(lines, index):
        indent = text[: len(text) - len(text.lstrip())]
        # A declaration deleted only fails to compile.
        if not DECLARATION.match(s):
            found.append(("statement deleted", indent + ";"))
        # Not as the body of an if, for or else: that would return always.
        if previous_code(lines, index).endswith(("{", ";", "}")) and not s.startswith("return"):
            ret = "return;" if line.void_function else "return {};"
            found.append(("early return", indent + ret + " " + text.lstrip()))
    return found


def engine_sources(root):
    d = os.path.join(root, "engine")
    return sorted(f for f in os.listdir(d) if f.endswith((".cpp", ".h")))


def choose_faults(root, seed, count):
    """count faults: one in every source first (in random order), the rest on
    random lines, a line at most once."""
    rng = random.Random(seed)
    per_file = {}
    for name in engine_sources(root):
        lines = read_lines(os.path.join(root, "engine", name))
        cands = {}
        for i in range(len(lines)):
            fl = faults_of_line(lines, i)
            if fl:
                cands[lines[i].number] = (lines[i].text, fl)
        if cands:
            per_file[name] = cands
    names = sorted(per_file)
    order = names[:]
    rng.shuffle(order)
    used = set()
    faults = []
    weights = [len(per_file[n]) for n in names]
    while len(faults) < count:
        name = order[len(faults)] if len(faults) < len(order) else rng.choices(names, weights)[0]
        free = [k for k in sorted(per_file[name]) if (name, k) not in used]
        if not free:
            if all((n, k) in used for n in names for k in per_file[n]):
                break
            continue
        k = rng.choice(free)
        used.add((name, k))
        old, fl = per_file[name][k]
        op, new = rng.choice(fl)
        faults.append({"id": len(faults) + 1, "file": "engine/" + name, "line": k, "op": op, "old": old, "new": new})
    return faults


# ---- Building and testing ------------------------------------------------------------


def run(cmd, cwd, timeout, log=None):
    """(return code, timed out) of a command in its own process group."""
    with open(log or os.devnull, "w") as out:
        p = subprocess.Popen(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return p.wait(timeout=timeout), False
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
            return None, True


def sync(repo, dest):
    """Makes dest a copy of the sources, writing only the files that differ,
    so that the build rebuilds exactly what changed (a copy that kept the
    old time stamps could leave a fault's objects in place)."""
    wanted = set()
    for item in COPIED:
        a = os.path.join(repo, item)
        files = [a] if os.path.isfile(a) else [os.path.join(r, f) for r, ds, fs in os.walk(a) for f in fs]
        for path in files:
            rel = os.path.relpath(path, repo)
            if rel.startswith("build") or rel.endswith(".qel-new"):
                continue
            wanted.add(rel)
            target = os.path.join(dest, rel)
            with open(path, "rb") as fh:
                data = fh.read()
            if os.path.exists(target):
                with open(target, "rb") as fh:
                    if fh.read() == data:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as fh:
                fh.write(data)
    for r, ds, fs in os.walk(dest):
        for f in fs:
            if os.path.relpath(os.path.join(r, f), dest) not in wanted:
                os.remove(os.path.join(r, f))


class Workspace:
    def __init__(self, work, jobs, timeout):
        self.src = os.path.join(work, "src")
        self.build = os.path.join(work, "build")
        self.log = os.path.join(work, "last.log")
        self.jobs, self.timeout = jobs, timeout
        os.makedirs(work, exist_ok=True)
        sync(REPO, self.src)
        self.tests = sorted(f[:-4] for f in os.listdir(os.path.join(self.src, "tests", "engine")) if f.startswith("test_"))
        # The golden traces catch most faults: they run first.
        self.tests.sort(key=lambda t: t != "test_golden")
        cfg = ["cmake", "-S", self.src, "-B", self.build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
               "-DQEL_WORKBENCH=OFF", "-DQEL_BENCH=OFF"]
        if run(cfg, work, 600, self.log)[0] != 0:
            sys.exit("configuring failed; see " + self.log)

    def compile(self):
        cmd = ["cmake", "--build", self.build, "-j", str(self.jobs), "--target"] + self.tests
        return run(cmd, self.build, 1800, self.log)[0] == 0

    def failing_tests(self, every):
        """The engine tests that fail or hang: the first one, or with every
        each failing test case by name (for finding tests that nothing but
        they would miss)."""
        failed = []
        for t in self.tests:
            out = self.log + "." + t
            rc, hung = run([os.path.join(self.build, "tests", t)], os.path.join(self.build, "tests"), self.timeout, out)
            if hung:
                failed.append(t + " (timeout)")
            elif rc != 0:
                with open(out, errors="replace") as fh:
                    cases = sorted(set(re.findall(r"^\[  FAILED  \] (\S+\.\S+)", fh.read(), re.M)))
                failed += cases if every and cases else [t if rc > 0 else t + " (crash)"]
            if failed and not every:
                break
        return failed


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--count", type=int, default=110)
    ap.add_argument("--jobs", type=int, default=4)
    ap.add_argument("--timeout", type=int, default=120, help="seconds per test program")
    ap.add_argument("--work", default=os.path.join(REPO, "build-mutate"))
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--every-test", action="store_true", help="run every test program and name each failing test")
    ap.add_argument("--only", default="", help="comma-separated fault numbers")
    ap.add_argument("--fault", action="append", default=[], metavar="FILE:LINE:TEXT",
                    help="a fault of your own instead: line LINE of FILE becomes TEXT (repeatable)")
    a = ap.parse_args()

    if a.seed is None and not a.fault:
        ap.error("--seed or --fault is needed")
    if a.fault:
        faults = []
        for k, entry in enumerate(a.fault, 1):
            name, number, new = entry.split(":", 2)
            with open(os.path.join(REPO, name), encoding="utf-8") as fh:
                old = fh.read().split("\n")[int(number) - 1]
            faults.append({"id": k, "file": name, "line": int(number), "op": "own", "old": old, "new": new})
    else:
        faults = choose_faults(REPO, a.seed, a.count)
    if a.only:
        keep = {int(x) for x in a.only.split(",")}
        faults = [f for f in faults if f["id"] in keep]
    if a.list:
        for f in faults:
            print(f"#{f['id']} {f['file']}:{f['line']} [{f['op']}]\n  - {f['old'].strip()}\n  + {f['new'].strip()}")
        return

    ws = Workspace(a.work, a.jobs, a.timeout)
    if not ws.compile() or ws.failing_tests(False):
        sys.exit("the unchanged sources do not build or pass; see " + ws.log)
    results = {"caught": [], "survived": [], "not compiled": []}
    started = time.time()
    for f in faults:
        path = os.path.join(ws.src, f["file"])
        with open(path, encoding="utf-8") as fh:
            original = fh.read()
        lines = original.split("\n")
        assert lines[f["line"] - 1] == f["old"], "the copy differs from the sources"
        lines[f["line"] - 1] = f["new"]
        try:
            with open(path, "w", encoding="utf-8") as fh:
                fh.write("\n".join(lines))
            if not ws.compile():
                outcome, by = "not compiled", ""
            else:
                by = " ".join(ws.failing_tests(a.every_test))
                outcome = "caught" if by else "survived"
        finally:
            with open(path, "w", encoding="utf-8") as fh:
                fh.write(original)
        f["by"], f["outcome"] = by, outcome
        results[outcome].append(f)
        golden = by.count("Golden.")
        shown = " ".join(w for w in by.split() if "Golden." not in w) + (f" +{golden} golden" if golden else "")
        print(f"#{f['id']:3} {outcome:12} {f['file']}:{f['line']} [{f['op']}] {shown}", flush=True)
        with open(os.path.join(a.work, f"results-{a.seed if not a.fault else 'own'}.json"), "w") as fh:
            json.dump(faults, fh, indent=1)

    compiled = len(results["caught"]) + len(results["survived"])
    print(f"\nseed {a.seed if not a.fault else '-'}: {len(faults)} faults, {compiled} compiled, {len(results['caught'])} caught, "
          f"{len(results['survived'])} survived ({time.time() - started:.0f} s)")
    for f in results["survived"]:
        print(f"survivor #{f['id']} {f['file']}:{f['line']} [{f['op']}]\n  - {f['old'].strip()}\n  + {f['new'].strip()}")


if __name__ == "__main__":
    main()
