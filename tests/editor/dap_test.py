#!/usr/bin/env python3
"""The debug adapter spoken to by a scripted client, headless: breakpoints (one
moved off a label, one with a condition), steps into and out of _gosub, flags in
the variables, setVariable changing what the script shows, evaluate.
    dap_test.py QUORVEL"""
import os
import shutil
import sys

from protocol import DapClient, scenario

QUORVEL = os.path.abspath(sys.argv[1])

SCRIPT = """\
:start
_$flg[1]=5
一行目
_gosub :sub
_gosub :sub
_$flg[2]=$flg[1]*2
_($flg[2]==42),_goto :changed
_gosub :sub
_goto :end
:sub
; the subroutine
サブの中
_return
:changed
四十二
_gosub :sub
:end
終わり
"""


def main():
    folder = scenario({"autorun.txt": SCRIPT, "qvl.cfg": "SavePath=save\\\n"})
    path = os.path.realpath(os.path.join(folder, "autorun.txt"))
    c = DapClient([QUORVEL, "--dap"])
    try:
        caps = c.request("initialize", {"adapterID": "quorvel", "linesStartAt1": True})
        assert caps["supportsConditionalBreakpoints"] and caps["supportsSetVariable"], caps
        c.request("launch", {"program": folder, "headless": True})
        c.event("initialized")
        bps = c.request("setBreakpoints", {"source": {"path": path},
                                           "breakpoints": [{"line": 2}, {"line": 10, "condition": "$flg[1]==21"}]})
        assert [b["line"] for b in bps["breakpoints"]] == [2, 12], bps
        c.request("configurationDone")

        def stopped(reason):
            body = c.event("stopped")
            assert body["reason"] == reason, body
            return c.request("stackTrace", {"threadId": 1})["stackFrames"]

        def where(frames):
            return [(f["name"], f["line"]) for f in frames]

        frames = stopped("breakpoint")
        assert where(frames) == [(":start", 2)] and frames[0]["source"]["path"] == path, frames
        c.request("next", {"threadId": 1})
        assert where(stopped("step")) == [(":start", 3)]
        scopes = c.request("scopes", {"frameId": 0})["scopes"]
        assert [s["name"] for s in scopes][:3] == ["Flags", "Global flags", "$sys"], scopes
        flags = c.request("variables", {"variablesReference": scopes[0]["variablesReference"]})["variables"]
        assert {"name": "$flg[1]", "value": "5", "variablesReference": 0} in flags, flags[:3]
        c.request("next", {"threadId": 1})
        assert where(stopped("step")) == [(":start", 4)]
        c.request("stepIn", {"threadId": 1})
        assert where(stopped("step")) == [(":sub", 12), (":start", 4)], "into the _gosub, past label and comment"
        c.request("stepOut", {"threadId": 1})
        assert where(stopped("step")) == [(":start", 5)]
        # Over the second call: the conditional breakpoint inside does not hold yet.
        c.request("next", {"threadId": 1})
        assert where(stopped("step")) == [(":start", 6)]
        c.request("setVariable", {"variablesReference": scopes[0]["variablesReference"], "name": "$flg[1]",
                                  "value": "21"})
        c.request("next", {"threadId": 1})
        assert where(stopped("step")) == [(":start", 7)]
        assert c.request("evaluate", {"expression": "$flg[2]+1", "frameId": 0})["result"] == "43"
        try:
            c.request("evaluate", {"expression": "$flg[1]*(2", "frameId": 0})
            assert False, "a broken expression is an error"
        except RuntimeError as e:
            assert "code -3" in str(e), e
        c.request("continue", {"threadId": 1})
        assert where(stopped("breakpoint")) == [(":sub", 12), (":changed", 16)], "the condition holds now"
        c.request("continue", {"threadId": 1})
        assert c.event("exited")["exitCode"] == 0
        outputs = []
        while True:
            try:
                outputs.append(c.event("output", timeout=1)["output"])
            except TimeoutError:
                break
        text = "".join(outputs)
        assert "text: 一行目\n" in text and "text: 四十二\n" in text, text
        c.request("disconnect")
    finally:
        c.close()
        shutil.rmtree(folder)
    print("dap: ok")


if __name__ == "__main__":
    main()
