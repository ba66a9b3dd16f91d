#!/usr/bin/env python3
"""scripts/package: the version it packages under, and the archive.

  package_test.py versions --script S --source DIR --expect VERSION
      The version records agree and give VERSION; a copy of the tree in
      which any one record states another version is refused, naming it.
  package_test.py archive --script S --source DIR --build DIR --work DIR
                          --wine-run W --prefix P --expect VERSION
      The archive of a built tree holds the two programs, README.md and
      LICENSE in one folder named after the version, every relative link of
      its README leads to something in it, and its analyzer runs on its own
      under Wine (it needs no DLL beside it).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

# One edit per place that states the version, each making it 1.0.0.9.
ALTERATIONS = {
    "FILEVERSION": ("resources/tensikon.rc", r"^FILEVERSION .*$", "FILEVERSION 1, 0, 0, 9"),
    "PRODUCTVERSION": ("resources/tensikon.rc", r"^PRODUCTVERSION .*$",
                       "PRODUCTVERSION 1, 0, 0, 9"),
    "FileVersion": ("resources/tensikon.rc", r'"FileVersion", "[^"]*"', '"FileVersion", "1.0.0.9"'),
    "ProductVersion": ("resources/tensikon.rc", r'"ProductVersion", "[^"]*"',
                       '"ProductVersion", "1.0.0.9"'),
    "About": ("resources/tensikon.rc", r'"Version [0-9.]+"', '"Version 1.0.0.9"'),
    "project": ("CMakeLists.txt", r"project\(Tensikon VERSION [0-9.]+",
                "project(Tensikon VERSION 1.0.0.9"),
}
REQUIRED = ("LICENSE", "README.md", "tensikon-analyze.exe", "tensikon.exe")
LINK = re.compile(r"\]\(([^)#\s]+)")  # a Markdown link's target, without its anchor


def run(*args, **kw):
    return subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=300, **kw)


def copy_records(source, folder):
    os.makedirs(os.path.join(folder, "resources"))
    for name in ("CMakeLists.txt", "resources/tensikon.rc"):
        shutil.copy(os.path.join(source, name), os.path.join(folder, name))


def versions(args):
    problems = []
    printed = run(args.script, "--print-version", "--source", args.source)
    if printed.returncode != 0 or printed.stdout.strip() != args.expect:
        problems.append("--print-version gave %r (%s), not %s" % (
            printed.stdout.strip(), printed.stderr.strip(), args.expect))
    for name, (path, pattern, replacement) in ALTERATIONS.items():
        with tempfile.TemporaryDirectory() as folder:
            copy_records(args.source, folder)
            target = os.path.join(folder, path)
            with open(target) as f:
                text, count = re.subn(pattern, replacement, f.read(), count=1, flags=re.M)
            if count != 1:
                problems.append("no %s to alter in %s" % (name, path))
                continue
            with open(target, "w") as f:
                f.write(text)
            refused = run(args.script, "--print-version", "--source", folder)
            if refused.returncode == 0 or name not in refused.stderr:
                problems.append("a different %s was not refused: exit %d, %r" % (
                    name, refused.returncode, refused.stderr.strip()))
    return problems


def broken_links(readme, names, folder):
    """The README's relative links that lead to nothing in the archive; a
    link to a folder needs something in that folder."""
    def found(target):
        path = os.path.normpath(os.path.join(folder, target))
        return any(n == path or n.startswith(path + "/") for n in names)
    return [t for t in LINK.findall(readme) if ":" not in t and not found(t)]


def archive(args):
    out = os.path.join(args.work, "package")
    shutil.rmtree(args.work, ignore_errors=True)
    made = run(args.script, "--no-build", "--build-dir", args.build, "--out", out)
    if made.returncode != 0:
        return ["scripts/package failed: " + made.stderr.strip()]
    folder = "tensikon-%s-win64" % args.expect
    path = os.path.join(out, folder + ".zip")
    if not os.path.isfile(path):
        return ["no archive at " + path]
    problems = []
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        outside = [n for n in names if not n.startswith(folder + "/")]
        missing = [n for n in REQUIRED if folder + "/" + n not in names]
        if outside or missing:
            problems.append("outside %s: %s; missing: %s" % (folder, outside, missing))
        for name in ("LICENSE", "README.md"):
            with open(os.path.join(args.source, name), "rb") as f:
                if folder + "/" + name in names and z.read(folder + "/" + name) != f.read():
                    problems.append("%s in the archive differs from the tree's" % name)
        readme = z.read(folder + "/README.md").decode() if not missing else ""
        problems += ["README.md links to %s, which the archive lacks" % t
                     for t in broken_links(readme, names, folder)]
        unpacked = os.path.join(args.work, "unpacked")
        z.extractall(unpacked)
    analyzer = os.path.join(unpacked, folder, "tensikon-analyze.exe")
    sample = os.path.join(args.source, "docs", "samples", "pluck-140hz.wav")
    ran = run(args.wine_run, args.prefix, analyzer, "Z:" + sample)
    if not ran.stdout.startswith("pluck in block 4 at 1.00 s: 140 Hz"):
        problems.append("the packaged analyzer did not read the sample: exit %d, %r %r" % (
            ran.returncode, ran.stdout.strip(), ran.stderr.strip()[-500:]))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=("versions", "archive"))
    for option in ("--script", "--source", "--expect"):
        parser.add_argument(option, required=True)
    for option in ("--build", "--work", "--wine-run", "--prefix"):
        parser.add_argument(option)
    args = parser.parse_args()
    problems = versions(args) if args.mode == "versions" else archive(args)
    for p in problems:
        print("FAILED: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
