#!/usr/bin/env python3
"""Checks the Debian package that `cpack -G DEB` made: its control fields, that it holds what
an installed Mobrel needs where the programs look for it, and that the packaged mobrel-cli
finds the packaged stub and the program it makes extracts again.

Usage: check_deb.py PACKAGE.deb [SOURCE_ROOT]     exits 1 and names each problem.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# The programs look for the stub beside themselves and for the tutorial pages at
# ../share/mobrel/helpFiles from there.
PROGRAMS = ["usr/bin/mobrel", "usr/bin/mobrel-cli", "usr/bin/ZipSFX32.bin"]
DESKTOP_FILE = "usr/share/applications/mobrel.desktop"
ICON = "usr/share/icons/hicolor/scalable/apps/mobrel.svg"
HELP_FOLDER = "usr/share/mobrel/helpFiles"
# What the programs link: Qt 6 for the window, the codec libraries, the C and C++ run-times.
REQUIRED_DEPENDS = ["libqt6widgets6", "libqt6gui6", "libqt6core6", "libssl3", "libbz2-1.0",
                    "liblzma5", "libzstd1", "libstdc++6", "libc6"]
ZIP_TYPE = "application/zip"


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, text=True).stdout


def project_version(root):
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as cmake_lists:
        return re.search(r"project\(Mobrel\s+VERSION\s+(\S+)", cmake_lists.read()).group(1)


def control_fields(package):
    fields = {}
    for line in run("dpkg-deb", "-I", package, "control").splitlines():
        if line and not line[0].isspace() and ":" in line:
            name, value = line.split(":", 1)
            fields[name] = value.strip()
    return fields


def depended_packages(depends):
    """Every package named in a Depends value, alternatives included, without versions."""
    return {alternative.split()[0] for group in depends.split(",") for alternative in
            group.split("|") if alternative.strip()}


def control_problems(fields, version):
    problems = []
    expected = {"Package": "mobrel", "Version": version, "Section": "utils"}
    for name, value in expected.items():
        if fields.get(name) != value:
            problems.append(f"control: {name} is {fields.get(name)!r}, expected {value!r}")
    for name in ["Architecture", "Maintainer", "Description", "Homepage"]:
        if not fields.get(name):
            problems.append(f"control: no {name}")
    missing = set(REQUIRED_DEPENDS) - depended_packages(fields.get("Depends", ""))
    problems += [f"control: Depends lacks {name}" for name in sorted(missing)]
    return problems


def contents(package):
    """Path (without the leading ./) to mode string, for every entry of the data archive."""
    listing = {}
    for line in run("dpkg-deb", "-c", package).splitlines():
        mode, _, _, _, _, path = line.split(None, 5)
        listing[path.split(" -> ")[0].removeprefix("./").rstrip("/")] = mode
    return listing


def content_problems(listing, root):
    problems = []
    pages = os.listdir(os.path.join(root, "app", "helpFiles"))
    for path in PROGRAMS + [DESKTOP_FILE, ICON] + [f"{HELP_FOLDER}/{page}" for page in pages]:
        if path not in listing:
            problems.append(f"contents: no {path}")
    for path in PROGRAMS:
        if path in listing and listing[path] != "-rwxr-xr-x":
            problems.append(f"contents: {path} has mode {listing[path]}, expected -rwxr-xr-x")
    for path, mode in listing.items():
        if path not in ("", "usr") and not re.match(r"usr/(bin|share)(/|$)", path):
            problems.append(f"contents: {path} lies outside /usr/bin and /usr/share")
        if mode[5] == "w" or mode[8] == "w":
            problems.append(f"contents: {path} is writable by group or others ({mode})")
    return problems


def desktop_problems(tree):
    path = os.path.join(tree, DESKTOP_FILE)
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as entry:
        keys = dict(line.split("=", 1) for line in entry.read().splitlines() if "=" in line)
    problems = []
    if ZIP_TYPE not in keys.get("MimeType", "").split(";"):
        problems.append(f"desktop: MimeType lacks {ZIP_TYPE}")
    if keys.get("Exec", "").split()[:1] != ["mobrel"]:
        problems.append(f"desktop: Exec is {keys.get('Exec')!r}, not the installed mobrel")
    if keys.get("Icon") != os.path.splitext(os.path.basename(ICON))[0]:
        problems.append(f"desktop: Icon is {keys.get('Icon')!r}, not the installed icon")
    if shutil.which("desktop-file-validate"):
        result = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
        if result.returncode != 0 or result.stdout.strip():
            problems.append(f"desktop: desktop-file-validate: {result.stdout.strip()}")
    return problems


def self_extractor_problems(tree, work):
    """Makes a self-extracting program with the packaged mobrel-cli and stub and runs it."""
    cli = os.path.join(tree, "usr/bin/mobrel-cli")
    if not os.path.exists(cli):
        return []
    text = "packaged stub\n" * 100
    with open(os.path.join(work, "note.txt"), "w", encoding="utf-8") as note:
        note.write(text)
    made = os.path.join(work, "note.run")
    try:
        run(cli, "sfx", made, "note.txt", cwd=work)
        run(made, "-y", "-d", os.path.join(work, "out"))
    except subprocess.CalledProcessError as failure:
        return [f"sfx: {' '.join(failure.cmd)} failed: {failure.stderr.strip()}"]
    with open(os.path.join(work, "out", "note.txt"), encoding="utf-8") as extracted:
        if extracted.read() != text:
            return ["sfx: the made program extracted other content"]
    return []


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    package = sys.argv[1]
    root = sys.argv[2] if len(sys.argv) == 3 else os.path.join(os.path.dirname(__file__), "..")
    problems = control_problems(control_fields(package), project_version(root))
    problems += content_problems(contents(package), root)
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        run("dpkg-deb", "-x", package, tree)
        problems += desktop_problems(tree)
        problems += self_extractor_problems(tree, work)
    for problem in problems:
        print(f"{package}: {problem}", file=sys.stderr)
    print(f"{package}: {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
