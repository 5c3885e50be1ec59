#!/usr/bin/python3
"""Runs every workbook of the shared corpus through xlxrender in a subprocess with a time limit:
information under the default (printed pages), the sheet-page and the paginated options, every
printed page (at most 20) at 72 dpi, the metadata, and with --vector (the sanitizer build) the first
page as PDF and as SVG. Fails on a crash, a hang, a sanitizer report or an exit status outside the
documented set, and prints one summary line. Files run in parallel, one worker per core (set
XLX_CORPUS_JOBS to change it)."""
import concurrent.futures
import csv
import os
import re
import subprocess
import sys
import tempfile
import time

DOCUMENTED = {0: "ok", 1: "not a workbook / unreadable", 3: "password required or wrong", 4: "past a processing limit"}
# Result codes that xlxrender reports with exit status 99 but that are documented refusals: a sheet
# or a page past the limits (a whole long sheet as one sheet-sized page is past any bitmap).
DOCUMENTED_REFUSALS = {-1: "past the limits"}
TIME_LIMIT = 60
# Leaks inside system libraries (fontconfig's configuration, libemf2svg) that a leak-checking build
# would otherwise report.
LEAK_SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")


def manifest_passwords(corpus):
    passwords = {}
    path = os.path.join(corpus, "MANIFEST.tsv")
    if os.path.exists(path):
        with open(path, newline="", encoding="utf-8") as f:
            for row in csv.DictReader(f, delimiter="\t"):
                if row.get("password"):
                    passwords[row["local_path"]] = row["password"]
    return passwords


def run(cmd, env):
    """Runs one job: (exit status, result code or None, problem or None)."""
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIME_LIMIT, env=env)
    except subprocess.TimeoutExpired:
        return None, None, "hang (over %d s)" % TIME_LIMIT
    err = p.stderr.decode("utf-8", "replace")
    if "ERROR: LeakSanitizer" in err and "ERROR: AddressSanitizer" not in err and "runtime error:" not in err:
        # The quick unwinder stops in libraries built without frame pointers, so a leak's stack
        # may end inside the library. The job runs again with whole stacks (several times
        # slower): that report stands, and suppressions that name our own frames can apply.
        full = dict(env, ASAN_OPTIONS=env.get("ASAN_OPTIONS", "") + ":fast_unwind_on_malloc=0:malloc_context_size=40")
        try:
            p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=4 * TIME_LIMIT, env=full)
        except subprocess.TimeoutExpired:
            return None, None, "hang (over %d s with whole leak stacks)" % (4 * TIME_LIMIT)
        err = p.stderr.decode("utf-8", "replace")
    found = re.search(r"failed with code (-?\d+)", err)
    code = int(found.group(1)) if found else (1 if p.returncode == 0 else None)
    if "ERROR: AddressSanitizer" in err or "runtime error:" in err or "ERROR: LeakSanitizer" in err:
        return p.returncode, code, "sanitizer report:\n" + err[-3000:]
    if p.returncode < 0 or p.returncode > 128:
        return p.returncode, code, "crash (status %d):\n%s" % (p.returncode, err[-2000:])
    if p.returncode not in DOCUMENTED and not (p.returncode == 99 and code in DOCUMENTED_REFUSALS):
        return p.returncode, code, "undocumented exit status %d: %s" % (p.returncode, err.strip()[-500:])
    return p.returncode, code, None


def run_file(tool, corpus, rel, passwords, env, vector):
    """Every job of one file; returns the exit statuses, the failures and the pages rendered."""
    path = os.path.join(corpus, rel)
    extra = ["--password", passwords[rel]] if rel in passwords else []
    statuses, codes, failures = [], [], []
    with tempfile.TemporaryDirectory() as out:
        jobs = [
            ("info", [tool, "--info", "--json"] + extra + [path]),
            ("info-sheet-pages", [tool, "--info", "--json", "--sheet-pages"] + extra + [path]),
            ("info-paginated", [tool, "--info", "--json", "--paginate"] + extra + [path]),
            ("render", [tool, "-q", "-r", "72", "-l", "20"] + extra + [path, os.path.join(out, "p")]),
            ("metadata", [tool, "--metadata"] + extra + [path]),
        ]
        if vector:
            # The vector writers, one page each: their surfaces, patterns and fonts must be released.
            jobs += [
                ("pdf", [tool, "-q", "--format", "pdf", "-l", "1"] + extra + [path, "-o", os.path.join(out, "v.pdf")]),
                ("svg", [tool, "-q", "--format", "svg", "-l", "1"] + extra + [path, os.path.join(out, "v")]),
            ]
        for name, cmd in jobs:
            status, code, problem = run(cmd, env)
            statuses.append(status)
            codes.append(code)
            if problem:
                failures.append("%s [%s]: %s" % (rel, name, problem))
        pages = len([n for n in os.listdir(out) if n.endswith(".png")])
    return statuses, codes, failures, pages


def main():
    if len(sys.argv) < 3:
        print("usage: run_corpus.py XLXRENDER CORPUS_DIR [--quick] [--vector]")
        return 2
    tool, corpus = sys.argv[1], sys.argv[2]
    vector = "--vector" in sys.argv[3:]
    if not os.path.isdir(corpus):
        # CTest reports this exit status as a skip (SKIP_RETURN_CODE), so a missing corpus shows.
        print("corpus: SKIPPED, no corpus at %s (put the shared corpus at ../shared/corpus)" % corpus)
        return 77
    passwords = manifest_passwords(corpus)
    env = dict(os.environ, TZ="UTC")
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1:exitcode=86")
    env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1:exitcode=87")
    env.setdefault("LSAN_OPTIONS", "suppressions=%s:print_suppressions=0" % LEAK_SUPPRESSIONS)
    files = []
    for sub in sorted(os.listdir(corpus)):
        d = os.path.join(corpus, sub)
        if os.path.isdir(d):
            files += [os.path.join(sub, n) for n in sorted(os.listdir(d))]
    started = time.time()
    failures, statuses, codes, pages = [], {}, {}, 0
    jobs = int(os.environ.get("XLX_CORPUS_JOBS", "0")) or os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for file_statuses, file_codes, file_failures, file_pages in pool.map(
                lambda rel: run_file(tool, corpus, rel, passwords, env, vector), files):
            for status in file_statuses:
                statuses[status] = statuses.get(status, 0) + 1
            for code in file_codes:
                codes[code] = codes.get(code, 0) + 1
            failures += file_failures
            pages += file_pages
    seconds = time.time() - started
    for f in failures:
        print("FAIL " + f)
    def counts(table):
        return ", ".join("%s:%d" % (k, v) for k, v in sorted(table.items(), key=lambda kv: str(kv[0])))
    print("corpus: %d files, %d pages rendered, result codes {%s}, exit statuses {%s}, %.1f s"
          % (len(files), pages, counts(codes), counts(statuses), seconds))
    print("%d passed, %d failed" % (len(files) - len({f.split(' [')[0] for f in failures}),
                                    len({f.split(' [')[0] for f in failures})))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
