#!/usr/bin/env python3
"""Neovim's built-in LSP client, headless, against quorvel --lsp.
    nvim_test.py QUORVEL"""
import json
import os
import shutil
import subprocess
import sys

from protocol import scenario

QUORVEL = os.path.abspath(sys.argv[1])
HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    if not shutil.which("nvim"):
        print("nvim is not installed (scripts/setup.sh installs it)")
        sys.exit(77)
    folder = scenario({
        "autorun.txt": ":top\nテキストです\n_goto :nowhere\n_bgload\n_goto :start,second.txt\n",
        "second.txt": ":start\n二つ目\n_goto :top,autorun.txt\n",
    })
    out = os.path.join(folder, "seen.json")
    try:
        env = dict(os.environ, QVL_QUORVEL=QUORVEL, QVL_FOLDER=folder, QVL_OUT=out, HOME=folder,
                   XDG_CONFIG_HOME=folder, XDG_DATA_HOME=folder, XDG_STATE_HOME=folder)
        subprocess.run(["nvim", "--headless", "--clean", "-n", "-i", "NONE", "-c",
                        "luafile " + os.path.join(HERE, "nvim_client.lua")],
                       env=env, cwd=folder, timeout=60, check=False, stdin=subprocess.DEVNULL)
        with open(out) as f:
            seen = json.load(f)
        assert "error" not in seen, seen["error"] if "error" in seen else ""
        assert sorted((d["line"], d["code"]) for d in seen["diagnostics"]) == [(2, "missing-label"), (3, "arg-count")], seen
        assert seen["definition"] == {"file": "second.txt", "line": 1}, seen
        assert seen["renamed"] == ":begin", seen
        with open(os.path.join(folder, "autorun.txt"), "rb") as f:
            first = f.read().decode("cp932")
        with open(os.path.join(folder, "second.txt"), "rb") as f:
            second = f.read().decode("cp932")
        assert first == ":top\r\nテキストです\r\n_goto :nowhere\r\n_bgload\r\n_goto :begin,second.txt\r\n", repr(first)
        assert second.startswith(":begin\r\n二つ目\r\n"), repr(second)
    finally:
        if os.getenv("QVL_KEEP"): print(folder)
        else: shutil.rmtree(folder)
    print("nvim: ok")


if __name__ == "__main__":
    main()
