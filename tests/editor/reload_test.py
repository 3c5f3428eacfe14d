#!/usr/bin/env python3
"""A script edited while it runs: the next time the edited line is shown it has
the new text, flags and position kept; a file that no longer reads is reported
and the loaded lines play on.
    reload_test.py QUORVEL"""
import os
import shutil
import sys

from protocol import DapClient, scenario, write_script

QUORVEL = os.path.abspath(sys.argv[1])

BEFORE = """\
:top
_$flg[1]=$flg[1]+1
古い文
_($flg[1]<3),_goto :top
終わり
"""
# Two lines more above the label: the run goes on after the same label.
AFTER = """\
; added
; while it ran
:top
_$flg[1]=$flg[1]+1
新しい文
_($flg[1]<3),_goto :top
終わり
"""


def main():
    folder = scenario({"autorun.txt": BEFORE, "qvl.cfg": "SavePath=save\\\n"})
    path = os.path.realpath(os.path.join(folder, "autorun.txt"))
    c = DapClient([QUORVEL, "--dap"])
    try:
        c.request("initialize", {"adapterID": "quorvel"})
        c.request("launch", {"scenario": folder, "headless": True})
        c.event("initialized")
        c.request("setBreakpoints", {"source": {"path": path}, "breakpoints": [{"line": 3}]})
        c.request("configurationDone")
        c.event("stopped")
        write_script(path, AFTER)
        c.request("setBreakpoints", {"source": {"path": path}, "breakpoints": [{"line": 5}]})
        c.request("continue", {"threadId": 1})
        c.event("stopped")
        frame = c.request("stackTrace", {"threadId": 1})["stackFrames"][0]
        assert frame["line"] == 5, frame
        assert c.request("evaluate", {"expression": "$flg[1]"})["result"] == "2", "flags are kept"
        os.remove(path)
        c.request("setBreakpoints", {"source": {"path": path}, "breakpoints": []})
        c.request("continue", {"threadId": 1})
        assert c.event("exited")["exitCode"] == 0
        lines = []
        while True:
            try:
                lines.append(c.event("output", timeout=1)["output"].rstrip("\n"))
            except TimeoutError:
                break
        shown = [l for l in lines if l.startswith(("text:", "reload"))]
        # Edited while stopped before the old line: the new one runs in its place.
        assert shown == ["reload: autorun.txt", "text: 新しい文", "reload failed: autorun.txt: cannot be read; "
                         "the loaded lines go on", "text: 新しい文", "text: 新しい文", "text: 終わり"], lines
        c.request("disconnect")
    finally:
        c.close()
        shutil.rmtree(folder)
    print("reload: ok")


if __name__ == "__main__":
    main()
