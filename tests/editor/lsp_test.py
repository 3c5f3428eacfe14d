#!/usr/bin/env python3
"""The language server spoken to by a small scripted client: completion, hover,
and positions counted in UTF-16 after 2-byte characters and half-width kana.
    lsp_test.py QUORVEL"""
import os
import shutil
import sys

from protocol import LspClient, scenario, uri

QUORVEL = os.path.abspath(sys.argv[1])

MAIN = """\
!第一章
:始まり
_selmenu
ああｱｲ,,_goto :end
右へ行く,,_gosub :sub
左,,_goto :top,other.txt
_endsel
テキスト
:end
_bgload
:sub
_return
"""
OTHER = """\
:top
_goto :sub,autorun.txt
"""


def main():
    folder = scenario({"autorun.txt": MAIN, "other.txt": OTHER})
    for name in ("bg_room.mag", "chime.wav", "theme.mid"):
        open(os.path.join(folder, name), "wb").close()
    main_uri, other_uri = uri(folder, "autorun.txt"), uri(folder, "other.txt")
    c = LspClient([QUORVEL, "--lsp"])
    try:
        caps = c.request("initialize", {"processId": None, "rootUri": "file://" + os.path.realpath(folder),
                                        "capabilities": {}})["capabilities"]
        assert caps["positionEncoding"] == "utf-16", caps
        c.notify("initialized", {})
        c.notify("textDocument/didOpen", {"textDocument": {"uri": main_uri, "languageId": "whatever", "version": 1,
                                                           "text": MAIN}})
        # _bgload without its file: the one finding, with the checker's kind as its code.
        diags = c.diagnostics(main_uri)
        assert [(d["range"]["start"]["line"], d["code"]) for d in diags] == [(9, "arg-count")], diags

        # After "ああｱｲ,,": two 2-byte characters and two half-width kana are four
        # UTF-16 units, so the command word starts at 6 and the label at 12.
        h = c.request("textDocument/hover", {"textDocument": {"uri": main_uri}, "position": {"line": 3, "character": 7}})
        assert "_goto LABEL,FILE" in h["contents"]["value"], h
        assert h["range"] == {"start": {"line": 3, "character": 6}, "end": {"line": 3, "character": 11}}, h
        d = c.request("textDocument/definition", {"textDocument": {"uri": main_uri},
                                                  "position": {"line": 3, "character": 13}})
        assert d["uri"] == main_uri and d["range"]["start"] == {"line": 8, "character": 0}, d
        # One character before the label there is no label.
        assert c.request("textDocument/definition", {"textDocument": {"uri": main_uri},
                                                     "position": {"line": 3, "character": 5}}) is None
        # An option line after four 2-byte characters, and a label in another file.
        d = c.request("textDocument/definition", {"textDocument": {"uri": main_uri},
                                                  "position": {"line": 5, "character": 11}})
        assert d["uri"] == other_uri and d["range"]["start"]["line"] == 0, d
        # The label of a chapter-less file found through the label's reference.
        refs = c.request("textDocument/references", {"textDocument": {"uri": main_uri},
                                                     "position": {"line": 10, "character": 2},
                                                     "context": {"includeDeclaration": False}})
        assert sorted((r["uri"], r["range"]["start"]["line"], r["range"]["start"]["character"]) for r in refs) == \
            sorted([(main_uri, 4, 13), (other_uri, 1, 6)]), refs

        # Completion: command words, labels at a jump, pictures at a picture argument.
        def labels(line, text, character):
            c.notify("textDocument/didChange", {"textDocument": {"uri": main_uri, "version": 2},
                                                "contentChanges": [{"text": MAIN + text}]})
            r = c.request("textDocument/completion", {"textDocument": {"uri": main_uri},
                                                      "position": {"line": line, "character": character}})
            return r["items"] if isinstance(r, dict) else r
        n = MAIN.count("\n")
        words = {i["label"] for i in labels(n, "_bg", 3)}
        assert {"_bgload", "_bgmplay", "_goto"} <= words, words
        items = labels(n, "_goto :", 7)
        assert {":始まり", ":end", ":sub", ":top,other.txt"} <= {i["label"] for i in items}, items
        files = {i["label"] for i in labels(n, "_bgload b", 9)}
        assert files == {"bg_room.mag"}, files
        assert {i["label"] for i in labels(n, "_bgmplay ", 9)} == {"chime", "theme"}
        flags = labels(n, "_if $", 5)
        assert {"$flg[", "$sys[", "@flg["} <= {i["label"] for i in flags}, flags
        # The edit replaces what was typed, counted in UTF-16 after 2-byte characters.
        kana = labels(n, "あｱ_got", 7)
        goto = [i for i in kana if i["label"] == "_goto"]
        assert not goto, "a command word only starts a line"
        item = [i for i in labels(n, "あ,ｱ,_got", 8) if i["label"] == "_goto"][0]
        assert item["textEdit"]["range"]["start"]["character"] == 4, item

        syms = c.request("textDocument/documentSymbol", {"textDocument": {"uri": main_uri}})
        assert [s["name"] for s in syms] == ["!第一章", ":始まり", ":end", ":sub"], syms
        ws = c.request("workspace/symbol", {"query": "to"})
        assert [(s["name"], s["location"]["uri"]) for s in ws] == [(":top", other_uri)], ws
        assert c.request("shutdown", None) is None
        c.notify("exit", None)
        assert c.proc.wait(10) == 0
    finally:
        c.close()
        shutil.rmtree(folder)
    print("lsp: ok")


if __name__ == "__main__":
    main()
