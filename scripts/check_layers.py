#!/usr/bin/env python3
"""Keeps the engine in layers: a file may include headers of its own layer and of the layers
below it, never of one above; the programs on top (app, cli, sfx) may use the whole engine
but not each other. Also checks that every C++ file is as clang-format would write it.

Usage: check_layers.py [ROOT] [--no-format]     exits 1 and names each violation.
"""
import os
import re
import subprocess
import sys

# Lowest first: each layer may include itself and everything before it.
ENGINE_LAYERS = ["platform", "format", "codecs", "reader", "writer"]
PROGRAMS = ["cli", "app", "sfx"]
# The self-extractor stub takes its options with the command line's parser.
PROGRAM_USES = {"sfx": ["cli"]}
SOURCE_ENDINGS = (".h", ".cpp", ".inc")
FORMATTED_FOLDERS = ["engine", "cli", "app", "sfx", "tests", "bench", "fuzz"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.MULTILINE)
# The libraries beyond the C++ standard library and POSIX, by the prefix of their headers,
# and the only folders (as paths from the root) whose code may include them.
LIBRARY_HOMES = {
    "openssl/": ["engine/codecs"],
    "bzlib.h": ["engine/codecs"],
    "lzma.h": ["engine/codecs"],
    "zstd.h": ["engine/codecs"],
    "zlib.h": ["tests", "bench", "fuzz"],
    "Q": ["app", "tests/app"],
}


def source_files(root, folder):
    for base, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(base, name)


def allowed_engine_layers(relative):
    """The engine layers the file at relative (to root) may include, or None for any."""
    parts = relative.split(os.sep)
    if parts[0] == "engine" and len(parts) > 2 and parts[1] in ENGINE_LAYERS:
        return ENGINE_LAYERS[: ENGINE_LAYERS.index(parts[1]) + 1]
    return None


def library_violations(root):
    found = []
    for folder in ["engine"] + PROGRAMS:
        for path in source_files(root, folder):
            relative = os.path.relpath(path, root)
            with open(path, encoding="utf-8", errors="replace") as source:
                text = source.read()
            for included in SYSTEM_INCLUDE.findall(text):
                for prefix, homes in LIBRARY_HOMES.items():
                    at_home = any(relative.startswith(home + os.sep) for home in homes)
                    if included.startswith(prefix) and not at_home:
                        found.append(f"{relative}: includes <{included}>, a library kept to "
                                     f"{', '.join(homes)}")
    return found


def layer_violations(root):
    found = []
    for folder in ["engine"] + PROGRAMS:
        for path in source_files(root, folder):
            relative = os.path.relpath(path, root)
            allowed = allowed_engine_layers(relative)
            own_program = relative.split(os.sep)[0]
            with open(path, encoding="utf-8", errors="replace") as source:
                text = source.read()
            for included in INCLUDE.findall(text):
                target = included.split("/")[0]
                if target in ENGINE_LAYERS and allowed is not None and target not in allowed:
                    found.append(f"{relative}: includes {included}, a layer above "
                                 f"{relative.split(os.sep)[1]}")
                elif target not in ENGINE_LAYERS and folder == "engine" and "/" in included:
                    found.append(f"{relative}: includes {included}, which is outside the engine")
                elif folder in PROGRAMS and os.path.isfile(os.path.join(root, folder, included)):
                    continue  # its own header
                elif folder in PROGRAMS and any(
                        os.path.isfile(os.path.join(root, other, included))
                        for other in PROGRAMS
                        if other != own_program and other not in PROGRAM_USES.get(own_program, [])):
                    found.append(f"{relative}: includes {included} of another program")
    return found


def format_violations(root):
    files = [path for folder in FORMATTED_FOLDERS for path in source_files(root, folder)]
    if not files:
        return []
    result = subprocess.run(["clang-format", "--dry-run", "-Werror"] + files,
                            capture_output=True, text=True, cwd=root)
    if result.returncode == 0:
        return []
    named = sorted({line.split(":")[0] for line in result.stderr.splitlines()
                    if "warning:" in line or "error:" in line})
    return [f"{os.path.relpath(name, root)}: not as clang-format writes it" for name in named]


def main(argv):
    args = [arg for arg in argv[1:] if not arg.startswith("--")]
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), ".."))
    problems = layer_violations(root) + library_violations(root)
    if "--no-format" not in argv:
        problems += format_violations(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem(s)")
        return 1
    print("layers and formatting: 0 problems")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
