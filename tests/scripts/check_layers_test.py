#!/usr/bin/env python3
"""scripts/check_layers.py on small trees: a clean one passes; an upward include, a
cycle, an undeclared folder and a class defined in two files each fail."""
import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check_layers.py")


def run(files, *args):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        p = subprocess.run([sys.executable, CHECK, "--root", root, *args], capture_output=True, text=True)
        return p.returncode, p.stderr


clean = {
    "base/sjis.h": "#pragma once\n",
    "text/text_window.h": '#include "base/sjis.h"\nclass TextWindow {\n};\n',
    "text/text_window.cpp": '#include "text/text_window.h"\nvoid TextWindow::show(int x) {\n}\n'
                            "TextWindow::TextWindow() {}\n",
    "text/other.cpp": "namespace text {}\nvoid text::free(int) {\n}\nint f() { return TextWindow::count(1); }\n",
    "tests/any_test.cpp": '#include "app/tfmain.h"\n',
}
failures = []


def expect(name, files, code, words, *args):
    got, err = run(files, *args)
    if got != code or any(w not in err for w in words):
        failures.append(f"{name}: exit {got}, stderr {err!r}")


expect("clean", clean, 0, [])
expect("upward", {**clean, "base/sjis.cpp": '#include "text/text_window.h"\n'}, 1,
       ["base/sjis.cpp:1: base/ includes the higher text/", "folder cycle"])
expect("undeclared", {**clean, "extra/x.cpp": "\n"}, 1, ["extra/: a folder with code"])
spread = {**clean, "text/more.cpp": "std::string TextWindow::more(const Rect& r) const {\n}\n"}
expect("spread", spread, 1, ["class TextWindow: member functions defined in 2 files"])
expect("includes only", spread, 0, [], "--only", "includes")
expect("report", spread, 0, ["class TextWindow"], "--report")
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
