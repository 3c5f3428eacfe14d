#!/usr/bin/env python3
"""The VS Code package: `make vsix`'s script packs the grammar, the client and the
debugger contribution, and the client's connection, run by Node outside the
editor, gets diagnostics and a hover from quorvel --lsp.
    vsix_test.py QUORVEL"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

from protocol import scenario, uri

QUORVEL = os.path.abspath(sys.argv[1])
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

CLIENT = """
const { Connection } = require(process.argv[2]);
const [quorvel, root, doc] = process.argv.slice(3);
const c = new Connection(quorvel, ['--lsp'], {});
c.onNotification('textDocument/publishDiagnostics', async (p) => {
  const hover = await c.request('textDocument/hover', { textDocument: { uri: doc }, position: { line: 0, character: 2 } });
  console.log(JSON.stringify({ codes: p.diagnostics.map((d) => d.code), hover: hover.contents.value }));
  await c.stop();
});
c.request('initialize', { processId: null, rootUri: root, capabilities: {} }).then(() => {
  c.notify('initialized', {});
  c.notify('textDocument/didOpen', { textDocument: { uri: doc, languageId: 'plaintext', version: 1, text: '_bgload\\n' } });
});
"""


def main():
    out = tempfile.mkdtemp(prefix="qvl-vsix-")
    folder = scenario({"autorun.txt": "_bgload\n"})
    try:
        subprocess.run([os.path.join(ROOT, "scripts", "make_vsix.sh"), out], check=True, stdout=subprocess.DEVNULL)
        z = zipfile.ZipFile(glob.glob(os.path.join(out, "*.vsix"))[0])
        names = set(z.namelist())
        assert {"extension.vsixmanifest", "[Content_Types].xml", "extension/syntaxes/quorvel.tmLanguage.json",
                "extension/extension.js", "extension/lsp_connection.js"} <= names, names
        manifest = json.loads(z.read("extension/package.json"))
        assert manifest["contributes"]["debuggers"][0]["type"] == "quorvel", manifest
        assert manifest["contributes"]["grammars"][0]["scopeName"] == "source.quorvel", manifest
        json.loads(z.read("extension/syntaxes/quorvel.tmLanguage.json"))
        if not shutil.which("node"):
            print("node is not installed (scripts/setup.sh installs it)")
            sys.exit(77)
        z.extractall(out)
        client = os.path.join(out, "client.js")
        with open(client, "w") as f:
            f.write(CLIENT)
        for js in ("extension.js", "lsp_connection.js"):
            subprocess.run(["node", "--check", os.path.join(out, "extension", js)], check=True)
        run = subprocess.run(["node", client, os.path.join(out, "extension", "lsp_connection.js"), QUORVEL,
                              "file://" + os.path.realpath(folder), uri(folder, "autorun.txt")],
                             capture_output=True, text=True, timeout=60)
        seen = json.loads(run.stdout)
        assert seen["codes"] == ["arg-count"] and "_bgload FILE" in seen["hover"], seen
    finally:
        shutil.rmtree(out)
        shutil.rmtree(folder)
    print("vsix: ok")


if __name__ == "__main__":
    main()
