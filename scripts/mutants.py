#!/usr/bin/env python3
"""Mutation harness: plants one fault at a time in a copy of the source tree,
rebuilds, runs the tests that can see the changed file and records whether
the suite caught the fault.

The faults are listed in scripts/mutants.txt. Each block is

    @ ID  src/FILE  one-line description
    - text to find (must occur exactly once in FILE)
    + its replacement

where several "-" lines (or "+" lines) join with line feeds into one block of
text, taken verbatim after the two-character prefix; a lone "-" or "+" is an
empty line, and no "+" line at all deletes the found text. Lines starting
with "#" between blocks are comments.

Commands (all take --list, --tree and --work; see --help):

    mutants.py check                 every fault applies to the tree exactly once
    mutants.py list [--module M]     ids, files and descriptions
    mutants.py show ID               the planted change as a diff
    mutants.py run [--only ID,ID | --module M]
                                     runs the faults not yet in the results
    mutants.py summary               caught / total per module
    mutants.py compare --against DIR faults caught in DIR's results but not
                                     in --work's, and the other way round

`run` copies the tree once into the work directory (git archive of --rev, or
the files as they are with --rev worktree; a later run in the same work
directory goes on with that copy, and refuses a --rev whose src/, tests/ or
CMakeLists.txt differ from it), configures one build there
(g++, RelWithDebInfo, sanitizers on, no benchmarks), builds and runs the
suite unchanged as a baseline, and learns from CMake's file API, CTest and
Ninja's dependency log which tests reach which source files. Then, per
fault: apply it, rebuild incrementally, run the unit tests that reach the
file (two at a time, stopping at the first failure), then the window tests
(e2e.*, one at a time) when the file is in a module they cover, and restore
the file. A first failure is run twice more; only a failure that repeats
both times counts as caught, one that passes again is recorded as flaky
(the window tests are timing-sensitive on a loaded machine). Results go to results.tsv (one
row per fault, appended as each ends, so an interrupted run resumes where it
stopped) and summary.txt, logs to logs/ID.log.
"""
import argparse
import collections
import difflib
import fcntl
import glob
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LIST = os.path.join(HERE, "mutants.txt")
DEFAULT_TREE = os.path.dirname(HERE)
DEFAULT_WORK = "/tmp/tessa-mutants"

# Modules whose faults can reach the real program's window: only these run
# the window tests. Fuzzers never run.
E2E_MODULES = {"app", "workset", "display", "budget", "inspector", "ndiview", "pixconv", "mtxcoe", "describe", "checks",
               "dpx"}
E2E_PREFIX = "e2e."
FUZZ_PREFIX = "fuzz"

CONFIGURE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DTESSA_SANITIZE=ON", "-DTESSA_BENCHMARKS=OFF",
             "-DCMAKE_C_COMPILER=gcc", "-DCMAKE_CXX_COMPILER=g++"]
UNIT_TIMEOUT = 120  # seconds for one unit test (window tests carry their own)
UNIT_JOBS = 2
CONFIRM_RUNS = 2  # a first failure must repeat this many more times to count
# The window tests preload Mesa's driver, which puts it ahead of g++'s
# shared AddressSanitizer runtime; without this the program refuses to start.
TEST_ENV = {"ASAN_OPTIONS": "verify_asan_link_order=0"}

RESULT_COLUMNS = ["id", "module", "status", "first_failing_test", "build_s", "test_s", "tests_run", "note"]


class HarnessError(Exception):
    pass


class Mutant:
    def __init__(self, ident, path, description, find, replace, line):
        self.id, self.path, self.description = ident, path, description
        self.find, self.replace, self.line = find, replace, line

    @property
    def module(self):
        parts = self.path.split("/")
        return parts[1] if len(parts) > 2 and parts[0] == "src" else parts[0]


def die(message):
    sys.exit("mutants: " + message)


def parse_list(path):
    mutants, current, finds, replaces = [], None, [], []

    def close():
        if current:
            if not finds:
                die("%s:%d: %s has no '-' line" % (path, current[3], current[0]))
            mutants.append(Mutant(current[0], current[1], current[2], "\n".join(finds), "\n".join(replaces),
                                  current[3]))

    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("@ "):
                close()
                fields = line[2:].split(None, 2)
                if len(fields) < 3:
                    die("%s:%d: want '@ ID FILE DESCRIPTION'" % (path, number))
                current, finds, replaces = (fields[0], fields[1], fields[2], number), [], []
            elif line.startswith("-") and current and (line == "-" or line.startswith("- ")):
                if replaces:
                    die("%s:%d: '-' after '+' in %s" % (path, number, current[0]))
                finds.append(line[2:])
            elif line.startswith("+") and current and (line == "+" or line.startswith("+ ")):
                replaces.append(line[2:])
            elif line.strip() == "" or line.startswith("#"):
                continue
            else:
                die("%s:%d: cannot read %r" % (path, number, line))
    close()
    seen = collections.Counter(m.id for m in mutants)
    twice = [i for i, n in seen.items() if n > 1]
    if twice:
        die("ids used twice: " + ", ".join(twice))
    return mutants


def check_mutants(mutants, tree):
    """Problems of the list against `tree`, one line each."""
    problems = []
    for m in mutants:
        path = os.path.join(tree, m.path)
        if not m.path.startswith("src/"):
            problems.append("%s: %s is not under src/" % (m.id, m.path))
            continue
        if not os.path.isfile(path):
            problems.append("%s: no file %s" % (m.id, m.path))
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        count = text.count(m.find)
        if count != 1:
            problems.append("%s: the text to find occurs %d times in %s" % (m.id, count, m.path))
        if m.find == m.replace:
            problems.append("%s: the replacement is the text itself" % m.id)
    return problems


def select(mutants, only=None, module=None):
    chosen = mutants
    if only:
        ids = [i for i in only.split(",") if i]
        known = {m.id for m in mutants}
        unknown = [i for i in ids if i not in known]
        if unknown:
            die("unknown ids: " + ", ".join(unknown))
        chosen = [m for m in chosen if m.id in ids]
    if module:
        modules = set(module.split(","))
        chosen = [m for m in chosen if m.module in modules]
    return chosen


def diff(m, tree):
    with open(os.path.join(tree, m.path), encoding="utf-8") as f:
        before = f.read()
    after = before.replace(m.find, m.replace, 1)
    return "".join(difflib.unified_diff(before.splitlines(True), after.splitlines(True), "a/" + m.path,
                                        "b/" + m.path, n=2))


# ---------------------------------------------------------------- work directory

def log(message):
    print(time.strftime("%H:%M:%S ") + message, flush=True)


def run(cmd, **kw):
    return subprocess.run(cmd, **kw)


def git(tree, *args):
    return run(["git", "-C", tree, *args], capture_output=True, text=True, check=True).stdout.strip()


# What a run measures: commits that leave these alone give the same results.
MEASURED_PATHS = ("src", "tests", "CMakeLists.txt")


def source_identity(tree, rev):
    """(kind, revision, content) of what `rev` names in `tree`: a commit of a
    git repository (content: the hashes of MEASURED_PATHS in it), or the
    files as they are."""
    if rev != "worktree" and run(["git", "-C", tree, "rev-parse"], capture_output=True).returncode == 0:
        commit = git(tree, "rev-parse", rev + "^{commit}")
        content = " ".join(git(tree, "rev-parse", "%s:%s" % (commit, p)) for p in MEASURED_PATHS)
        return "git", commit, content
    return "copy", "worktree", "worktree"


def copy_tree(tree, kind, rev, dest):
    os.makedirs(dest)
    if kind == "git":
        archive = subprocess.Popen(["git", "-C", tree, "archive", rev], stdout=subprocess.PIPE)
        run(["tar", "-x", "-C", dest], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            die("git archive failed")
        return
    # The files as they are, without build directories or version control.
    if run(["git", "-C", tree, "rev-parse"], capture_output=True).returncode == 0:
        files = git(tree, "ls-files", "-co", "--exclude-standard", "-z").split("\0")
        for name in filter(None, files):
            source = os.path.join(tree, name)
            if os.path.isfile(source):
                os.makedirs(os.path.dirname(os.path.join(dest, name)), exist_ok=True)
                shutil.copy2(source, os.path.join(dest, name))
    else:
        shutil.rmtree(dest)
        shutil.copytree(tree, dest, symlinks=True,
                        ignore=shutil.ignore_patterns("build", "build-*", ".git"))


class Work:
    """The work directory: tree/, pristine/ (untouched src/), build/, results."""

    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.tree = os.path.join(self.path, "tree")
        self.pristine = os.path.join(self.path, "pristine")
        self.build = os.path.join(self.path, "build")
        self.results = os.path.join(self.path, "results.tsv")
        self.summary = os.path.join(self.path, "summary.txt")
        self.logs = os.path.join(self.path, "logs")
        self.source_file = os.path.join(self.path, "source.json")
        self.map_file = os.path.join(self.path, "tests.json")

    def lock(self):
        os.makedirs(self.path, exist_ok=True)
        self.lock_handle = open(os.path.join(self.path, ".lock"), "w")
        try:
            fcntl.flock(self.lock_handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            die("another run is using " + self.path)

    def source(self):
        if not os.path.exists(self.source_file):
            return None
        with open(self.source_file) as f:
            return json.load(f)

    def prepare(self, tree, rev):
        kind, revision, content = source_identity(tree, rev)
        wanted = {"tree": os.path.abspath(tree), "kind": kind, "content": content}
        have = self.source()
        if have and {k: have.get(k) for k in wanted} != wanted:
            die("%s holds %s of %s; give another --work (or remove it) to run %s of %s" % (
                self.path, have.get("revision"), have.get("tree"), revision, wanted["tree"]))
        if have and have.get("revision") != revision:
            log("%s has the same %s as %s, copied earlier: going on with that copy" % (
                revision[:12], ", ".join(MEASURED_PATHS), have.get("revision", "")[:12]))
        wanted["revision"] = revision
        if not have:
            for d in (self.tree, self.pristine):
                if os.path.exists(d):
                    shutil.rmtree(d)
            log("copying %s (%s) into %s" % (tree, revision, self.tree))
            copy_tree(tree, kind, rev, self.tree)
            shutil.copytree(os.path.join(self.tree, "src"), self.pristine)
            wanted["copied"] = time.strftime("%Y-%m-%d %H:%M:%S")
            with open(self.source_file, "w") as f:
                json.dump(wanted, f, indent=1)
        os.makedirs(self.logs, exist_ok=True)
        self.restore_all()

    def restore_all(self):
        """Puts back any src/ file that differs from the pristine copy (a run
        killed between applying and restoring)."""
        for root, _, files in os.walk(self.pristine):
            for name in files:
                clean = os.path.join(root, name)
                live = os.path.join(self.tree, "src", os.path.relpath(clean, self.pristine))
                with open(clean, "rb") as f:
                    want = f.read()
                have = open(live, "rb").read() if os.path.exists(live) else None
                if have != want:
                    log("restoring " + os.path.relpath(live, self.tree))
                    with open(live, "wb") as f:
                        f.write(want)

    def results_rows(self):
        rows = collections.OrderedDict()
        if os.path.exists(self.results):
            with open(self.results, encoding="utf-8") as f:
                for line in f:
                    if line.startswith("#") or line.startswith("id\t") or not line.strip():
                        continue
                    cells = line.rstrip("\n").split("\t")
                    rows[cells[0]] = dict(zip(RESULT_COLUMNS, cells + [""] * len(RESULT_COLUMNS)))
        return rows

    def append_result(self, row):
        new = not os.path.exists(self.results)
        with open(self.results, "a", encoding="utf-8") as f:
            if new:
                source = self.source() or {}
                f.write("# tree %s, revision %s\n" % (source.get("tree"), source.get("revision")))
                f.write("\t".join(RESULT_COLUMNS) + "\n")
            f.write("\t".join(str(row.get(c, "")).replace("\t", " ") for c in RESULT_COLUMNS) + "\n")


# ---------------------------------------------------------------- build and test map

def cmake_configure(work):
    if os.path.exists(os.path.join(work.build, "build.ninja")):
        return
    query = os.path.join(work.build, ".cmake", "api", "v1", "query")
    os.makedirs(query, exist_ok=True)
    open(os.path.join(query, "codemodel-v2"), "w").close()
    log("configuring " + work.build)
    result = run(["cmake", "-S", work.tree, "-B", work.build, *CONFIGURE], capture_output=True, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stdout + result.stderr)
        die("configure failed")


def build(work, targets, log_file, jobs):
    cmd = ["cmake", "--build", work.build, "-j", str(jobs)]
    if targets:
        cmd += ["--target", *sorted(targets)]
    with open(log_file, "a") as out:
        out.write("$ %s\n" % " ".join(cmd))
        out.flush()
        return run(cmd, stdout=out, stderr=subprocess.STDOUT).returncode == 0


def codemodel(work):
    reply = os.path.join(work.build, ".cmake", "api", "v1", "reply")
    index = sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1]
    with open(index) as f:
        objects = json.load(f)["objects"]
    model_file = next(o["jsonFile"] for o in objects if o["kind"] == "codemodel")
    with open(os.path.join(reply, model_file)) as f:
        model = json.load(f)
    targets = {}
    for config in model["configurations"][:1]:
        for t in config["targets"]:
            with open(os.path.join(reply, t["jsonFile"])) as f:
                targets[t["id"]] = json.load(f)
    return targets


def ctest_tests(work):
    out = run(["ctest", "--test-dir", work.build, "--show-only=json-v1"], capture_output=True, text=True,
              check=True).stdout
    tests = []
    for number, t in enumerate(json.loads(out)["tests"], 1):
        env = []
        for p in t.get("properties", []):
            if p["name"] == "ENVIRONMENT":
                env = p["value"]
        tests.append({"number": number, "name": t["name"], "command": t.get("command", []), "env": env})
    return tests


def ninja_deps(work):
    """Object file -> source and header files it was compiled from (absolute)."""
    out = run(["ninja", "-C", work.build, "-t", "deps"], capture_output=True, text=True, check=True).stdout
    deps, current = {}, None
    for line in out.splitlines():
        if line and not line.startswith(" "):
            current = line.split(":")[0]
            deps[current] = []
        elif line.strip() and current:
            path = line.strip()
            if not os.path.isabs(path):
                path = os.path.normpath(os.path.join(work.build, path))
            deps[current].append(path)
    return deps


def learn_test_map(work):
    """{src file (relative to the tree): [test names that reach it]}, in CTest order."""
    targets = codemodel(work)
    by_name = {t["name"]: t for t in targets.values()}
    ids = {tid: t["name"] for tid, t in targets.items()}
    artifacts = {}
    for t in targets.values():
        for a in t.get("artifacts", []):
            path = a["path"] if os.path.isabs(a["path"]) else os.path.join(work.build, a["path"])
            artifacts[os.path.normpath(path)] = t["name"]

    closure_cache = {}

    def closure(name):
        if name not in closure_cache:
            closure_cache[name] = {name}
            for d in by_name[name].get("dependencies", []):
                closure_cache[name] |= closure(ids[d["id"]])
        return closure_cache[name]

    def reached(test):
        words = list(test["command"])
        for item in test["env"]:
            words += item.split("=", 1)[1:]
        names = set()
        for w in words:
            w = os.path.normpath(w) if w.startswith("/") else None
            if not w:
                continue
            if w in artifacts:
                names |= closure(artifacts[w])
            else:  # a directory that holds built libraries
                for path, name in artifacts.items():
                    if path.startswith(w + "/"):
                        names |= closure(name)
        return names

    file_targets = collections.defaultdict(set)
    for obj, files in ninja_deps(work).items():
        m = re.search(r"CMakeFiles/([^/]+)\.dir/", obj)
        if not m:
            continue
        for f in files:
            if f.startswith(work.tree + "/src/"):
                file_targets[os.path.relpath(f, work.tree)].add(m.group(1))
    tests = ctest_tests(work)
    reach = {t["name"]: reached(t) for t in tests}
    mapping = {}
    for f, owners in sorted(file_targets.items()):
        mapping[f] = [t["name"] for t in tests if reach[t["name"]] & owners]
    return {"tests": [{"number": t["number"], "name": t["name"]} for t in tests], "files": mapping,
            "targets": {t["name"]: sorted(n for n in reach[t["name"]] if by_name[n]["type"] == "EXECUTABLE"
                                          or by_name[n]["type"] == "SHARED_LIBRARY" or by_name[n]["type"]
                                          == "MODULE_LIBRARY") for t in tests}}


def tests_for(test_map, m):
    names = test_map["files"].get(m.path, [])
    names = [n for n in names if not n.startswith(FUZZ_PREFIX)]
    unit = [n for n in names if not n.startswith(E2E_PREFIX)]
    e2e = [n for n in names if n.startswith(E2E_PREFIX)] if m.module in E2E_MODULES else []
    return unit, e2e


# ---------------------------------------------------------------- running tests

TEST_LINE = re.compile(r"^\s*\d+/\d+ Test\s+#(\d+): (\S+) \.*\s*(.*?)\s+[\d.]+ sec$")


def ctest(work, names, numbers, jobs, log_file, stop=True):
    """Runs the tests `names` (CTest numbers from `numbers`); returns (names
    that passed, names that failed), each in the order they ended."""
    # No range (0,0,0), then the tests by number.
    listing = "0,0,0," + ",".join(str(numbers[n]) for n in names)
    cmd = ["ctest", "--test-dir", work.build, "-I", listing, "-j", str(jobs), "--timeout", str(UNIT_TIMEOUT),
           "--output-on-failure"]
    if stop:
        cmd.append("--stop-on-failure")
    passed, failed = [], []
    with open(log_file, "a") as out:
        out.write("$ %s\n" % " ".join(cmd))
        out.flush()
        env = dict(os.environ)
        for key, value in TEST_ENV.items():
            env[key] = value + (":" + env[key] if env.get(key) else "")
        proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                errors="replace", start_new_session=True, env=env)
        try:
            for line in proc.stdout:
                out.write(line)
                m = TEST_LINE.match(line.rstrip("\n"))
                if m:
                    (passed if m.group(3).startswith("Passed") else failed).append(m.group(2))
            proc.wait()
        except BaseException:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            raise
    if proc.returncode != 0 and not failed:
        failed.append("(ctest status %d)" % proc.returncode)
    # Only the tests asked for may have run.
    unexpected = set(passed + failed) - set(names)
    if unexpected:
        raise HarnessError("ctest ran tests not asked for: " + ", ".join(sorted(unexpected)))
    return passed, failed


def confirmed(work, name, numbers, log_file):
    """Whether a failed test fails again each of CONFIRM_RUNS times."""
    for attempt in range(CONFIRM_RUNS):
        with open(log_file, "a") as out:
            out.write("# %s failed: run %d of %d to confirm\n" % (name, attempt + 1, CONFIRM_RUNS))
        _, failed = ctest(work, [name], numbers, 1, log_file)
        if not failed:
            return False
    return True


def run_group(work, names, numbers, jobs, log_file):
    """Runs `names` until a failure repeats. Returns (caught_by or None, flaky names, count run)."""
    remaining, flaky, count = list(names), [], 0
    while remaining:
        passed, failed = ctest(work, remaining, numbers, jobs, log_file)
        count += len(passed) + len(failed)
        if not failed:
            return None, flaky, count
        first = failed[0]
        if first not in numbers:  # ctest itself failed: no verdict
            raise HarnessError(first)
        if confirmed(work, first, numbers, log_file):
            return first, flaky, count
        flaky.append(first)
        done = set(passed) | set(failed)
        remaining = [n for n in remaining if n not in done]
    return None, flaky, count


def run_one(work, m, test_map, numbers, jobs):
    log_file = os.path.join(work.logs, m.id + ".log")
    with open(log_file, "w") as out:
        out.write("%s: %s\n%s\n" % (m.id, m.description, diff(m, work.tree)))
    unit, e2e = tests_for(test_map, m)
    row = {"id": m.id, "module": m.module, "first_failing_test": "-", "tests_run": 0, "note": ""}
    if not unit and not e2e:
        row.update(status="missed", build_s=0, test_s=0, note="no test reaches " + m.path)
        return row
    path = os.path.join(work.tree, m.path)
    with open(path, encoding="utf-8") as f:
        original = f.read()
    if original.count(m.find) != 1:
        row.update(status="not-applied", build_s=0, test_s=0, note="text to find occurs %d times"
                   % original.count(m.find))
        return row
    targets = set()
    for name in unit + e2e:
        targets |= set(test_map["targets"].get(name, []))
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(m.find, m.replace, 1))
        start = time.monotonic()
        built = build(work, targets, log_file, jobs)
        row["build_s"] = round(time.monotonic() - start)
        start = time.monotonic()
        if not built:
            row.update(status="build-broken", test_s=0)
            return row
        try:
            caught, flaky, count = run_group(work, unit, numbers, jobs, log_file)
            if not caught and e2e:
                caught, flaky_e2e, count_e2e = run_group(work, e2e, numbers, 1, log_file)
                flaky += flaky_e2e
                count += count_e2e
        except HarnessError as e:
            row.update(status="error", test_s=round(time.monotonic() - start), note=str(e))
            return row
        row["test_s"] = round(time.monotonic() - start)
        row["tests_run"] = count
        if flaky:
            row["note"] = "failed once, passed again: " + ",".join(flaky)
        if caught:
            row.update(status="caught", first_failing_test=caught)
        else:
            row.update(status="flaky" if flaky else "missed")
        return row
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)


def write_summary(work, mutants):
    rows = work.results_rows()
    order = list(collections.OrderedDict.fromkeys(m.module for m in mutants))
    per = collections.OrderedDict((mod, collections.Counter()) for mod in order)
    for m in mutants:
        r = rows.get(m.id)
        per[m.module]["total"] += 1
        if r:
            per[m.module][r["status"]] += 1
            per[m.module]["done"] += 1
    source = work.source() or {}
    lines = ["tree %s, revision %s" % (source.get("tree"), source.get("revision")), "",
             "%-10s %7s %7s %7s %7s %7s %7s" % ("module", "caught", "total", "missed", "broken", "flaky", "to run")]
    total = collections.Counter()
    for mod, c in per.items():
        lines.append("%-10s %7d %7d %7d %7d %7d %7d" % (mod, c["caught"], c["total"], c["missed"], c["build-broken"],
                                                       c["flaky"], c["total"] - c["done"]))
        total.update(c)
    lines.append("%-10s %7d %7d %7d %7d %7d %7d" % ("all", total["caught"], total["total"], total["missed"],
                                                   total["build-broken"], total["flaky"],
                                                   total["total"] - total["done"]))
    done = [rows[m.id] for m in mutants if m.id in rows]
    seconds = [int(r["build_s"] or 0) + int(r["test_s"] or 0) for r in done]
    if seconds:
        lines.append("")
        lines.append("%d run, %.0f s each on average (%.1f h so far)" % (len(seconds), sum(seconds) / len(seconds),
                                                                        sum(seconds) / 3600))
    for status in ("missed", "flaky", "build-broken", "not-applied", "error"):
        ids = [m for m in mutants if rows.get(m.id, {}).get("status") == status]
        if ids:
            lines += ["", status + ":"] + ["  %-34s %s" % (m.id, m.description) for m in ids]
    text = "\n".join(lines) + "\n"
    with open(work.summary, "w") as f:
        f.write(text)
    return text


def compare(before, after, mutants):
    """Prints what `after` no longer catches; 1 when there is any, or when
    `after` has not run a fault that `before` caught."""
    old, new = before.results_rows(), after.results_rows()
    caught = lambda rows, m: rows.get(m.id, {}).get("status") == "caught"  # noqa: E731
    lost = [m for m in mutants if caught(old, m) and not caught(new, m)]
    gained = [m for m in mutants if caught(new, m) and not caught(old, m)]
    print("caught before: %d, after: %d, of %d" % (sum(caught(old, m) for m in mutants),
                                                   sum(caught(new, m) for m in mutants), len(mutants)))
    for title, ids, rows in (("caught before, not after", lost, new), ("caught after, not before", gained, old)):
        if ids:
            print("\n%s:" % title)
            for m in ids:
                print("  %-34s %-12s %s" % (m.id, rows.get(m.id, {}).get("status", "not run"), m.description))
    return 1 if lost else 0


def baseline(work, test_map, numbers, jobs):
    """The unchanged suite must pass, or every fault would look caught."""
    marker = os.path.join(work.path, "baseline.txt")
    if os.path.exists(marker):
        return
    log_file = os.path.join(work.logs, "_baseline.log")
    open(log_file, "w").close()
    names = [t["name"] for t in test_map["tests"] if not t["name"].startswith(FUZZ_PREFIX)]
    unit = [n for n in names if not n.startswith(E2E_PREFIX)]
    e2e = [n for n in names if n.startswith(E2E_PREFIX)]
    start = time.monotonic()
    passed, failed = ctest(work, unit, numbers, jobs, log_file, stop=False)
    unit_s = time.monotonic() - start
    start = time.monotonic()
    passed_e2e, failed_e2e = ctest(work, e2e, numbers, 1, log_file, stop=False)
    e2e_s = time.monotonic() - start
    # A test that fails and then passes is flaky, not broken.
    broken = [n for n in failed + failed_e2e if n not in numbers or confirmed(work, n, numbers, log_file)]
    flaky = [n for n in failed + failed_e2e if n not in broken]
    if broken:
        die("the unchanged suite fails (%s); see %s" % (", ".join(broken), log_file))
    with open(marker, "w") as f:
        f.write("unit tests: %d in %.0f s\nwindow tests: %d in %.0f s\nfailed once, then passed: %s\n" % (
            len(passed) + len(failed), unit_s, len(passed_e2e) + len(failed_e2e), e2e_s, ", ".join(flaky) or "none"))
    log("baseline passes: %d unit tests in %.0f s, %d window tests in %.0f s; flaky: %s" % (
        len(passed) + len(failed), unit_s, len(passed_e2e) + len(failed_e2e), e2e_s, ", ".join(flaky) or "none"))


def command_run(args, mutants):
    work = Work(args.work)
    work.lock()
    work.prepare(args.tree, args.rev)
    problems = check_mutants(mutants, work.tree)
    if problems:
        die("the list does not fit the copied tree:\n  " + "\n  ".join(problems))
    chosen = select(mutants, args.only, args.module)
    cmake_configure(work)
    log_file = os.path.join(work.logs, "_build.log")
    log("building everything (first time: long)")
    if not build(work, None, log_file, args.jobs):
        die("the unchanged tree does not build; see " + log_file)
    if not os.path.exists(work.map_file):
        with open(work.map_file, "w") as f:
            json.dump(learn_test_map(work), f, indent=1)
    with open(work.map_file) as f:
        test_map = json.load(f)
    numbers = {t["name"]: t["number"] for t in test_map["tests"]}
    if not args.no_baseline:
        baseline(work, test_map, numbers, args.jobs)
    rows = work.results_rows()
    todo = [m for m in chosen if m.id not in rows or args.again]
    # Faults of one file one after another: each rebuild compiles it once.
    todo.sort(key=lambda m: (m.path, chosen.index(m)))
    log("%d of %d chosen faults to run (%d done before)" % (len(todo), len(chosen), len(chosen) - len(todo)))

    def stop(signum, frame):
        raise SystemExit("stopped by signal %d" % signum)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    for n, m in enumerate(todo, 1):
        log("[%d/%d] %s (%s)" % (n, len(todo), m.id, m.path))
        row = run_one(work, m, test_map, numbers, args.jobs)
        work.append_result(row)
        log("    %s %s  build %ss, tests %ss, %s tests%s" % (row["status"], row["first_failing_test"],
                                                           row.get("build_s"), row.get("test_s"), row["tests_run"],
                                                           ("  (" + row["note"] + ")") if row["note"] else ""))
        write_summary(work, mutants)
    # Leave the build matching the unchanged tree.
    build(work, None, os.path.join(work.logs, "_build.log"), args.jobs)
    print(write_summary(work, mutants), end="")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("check", "list", "show", "run", "summary", "map", "compare"))
    parser.add_argument("ids", nargs="*", help="for show: the ids")
    parser.add_argument("--list", default=DEFAULT_LIST, help="the faults (default: %(default)s)")
    parser.add_argument("--tree", default=DEFAULT_TREE, help="the source tree (default: %(default)s)")
    parser.add_argument("--rev", default="HEAD", help="revision to copy, or 'worktree' for the files as they are")
    parser.add_argument("--work", default=DEFAULT_WORK, help="work directory (default: %(default)s)")
    parser.add_argument("--only", help="comma-separated ids")
    parser.add_argument("--module", help="comma-separated modules (dpx, pixconv, ...)")
    parser.add_argument("--jobs", type=int, default=UNIT_JOBS, help="build jobs and parallel unit tests")
    parser.add_argument("--again", action="store_true", help="run chosen faults even if they have a result")
    parser.add_argument("--no-baseline", action="store_true", help="skip the run of the unchanged suite")
    parser.add_argument("--against", help="for compare: the work directory of the earlier run")
    args = parser.parse_args()
    mutants = parse_list(args.list)

    if args.command == "check":
        tree = args.tree
        problems = check_mutants(mutants, tree)
        counts = collections.Counter(m.module for m in mutants)
        print("%d faults: %s" % (len(mutants), ", ".join("%s %d" % kv for kv in counts.items())))
        if problems:
            print("\n".join(problems))
            sys.exit(1)
    elif args.command == "list":
        for m in select(mutants, args.only, args.module):
            print("%-34s %-32s %s" % (m.id, m.path, m.description))
    elif args.command == "show":
        for m in select(mutants, ",".join(args.ids) or args.only, args.module):
            print("%s: %s" % (m.id, m.description))
            print(diff(m, args.tree))
    elif args.command == "run":
        command_run(args, mutants)
    elif args.command == "summary":
        work = Work(args.work)
        print(write_summary(work, select(mutants, args.only, args.module)), end="")
    elif args.command == "compare":
        if not args.against:
            die("compare needs --against DIR")
        sys.exit(compare(Work(args.against), Work(args.work), select(mutants, args.only, args.module)))
    elif args.command == "map":
        work = Work(args.work)
        with open(work.map_file) as f:
            test_map = json.load(f)
        for m in select(mutants, args.only, args.module):
            unit, e2e = tests_for(test_map, m)
            print("%s: %d unit tests, window tests: %s" % (m.id, len(unit), " ".join(e2e) or "none"))


if __name__ == "__main__":
    main()
