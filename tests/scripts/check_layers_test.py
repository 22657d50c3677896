#!/usr/bin/env python3
"""The layer check fails on each kind of planted violation and passes a clean tree."""
import os
import shutil
import subprocess
import sys
import tempfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(REPO, "scripts", "check_layers.py")

CLEAN_TREE = {
    "engine/platform/stream.h": "#pragma once\n",
    "engine/format/record.h": '#pragma once\n#include "platform/stream.h"\n',
    "engine/codecs/inflate.cpp": '#include "format/record.h"\n#include "platform/stream.h"\n',
    "engine/reader/reader.h": '#pragma once\n#include "codecs/inflate.h"\n',
    "engine/writer/writer.cpp": '#include "reader/reader.h"\n',
    "cli/options.h": "#pragma once\n",
    "cli/main.cpp": '#include "options.h"\n#include "writer/writer.h"\n',
    "sfx/stub.cpp": '#include "options.h"\n#include "reader/reader.h"\n',
    "app/window.cpp": '#include "writer/writer.h"\n',
}

# Each planted file, and the words its report must contain.
VIOLATIONS = [
    ("engine/platform/helper.h", '#include "writer/writer.h"\n', "a layer above platform"),
    ("engine/codecs/decoder.cpp", '#include "reader/reader.h"\n', "a layer above codecs"),
    ("engine/format/record.cpp", '#include "app/window.h"\n', "outside the engine"),
    ("app/page.cpp", '#include "options.h"\n', "of another program"),
    ("cli/list.cpp", "int  Badly( ){return 0;}\n", "not as clang-format writes it"),
]


def plant(root, files):
    for relative, text in files.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)
    shutil.copy(os.path.join(REPO, ".clang-format"), root)


def run_check(root):
    return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as clean:
        plant(clean, CLEAN_TREE)
        result = run_check(clean)
        if result.returncode != 0:
            print("FAIL clean tree reported:\n" + result.stdout)
            failures += 1
    for relative, text, expected in VIOLATIONS:
        with tempfile.TemporaryDirectory() as root:
            plant(root, dict(CLEAN_TREE, **{relative: text}))
            result = run_check(root)
            if result.returncode == 0 or f"{relative}:" not in result.stdout or \
                    expected not in result.stdout:
                print(f"FAIL {relative} ({expected}) not caught:\n{result.stdout}")
                failures += 1
    checked = 1 + len(VIOLATIONS)
    print(f"{checked - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
