"""A client for the two protocols quorvel serves over a pipe: JSON messages with a
Content-Length header. Used by the editor tests."""
import json
import os
import select
import subprocess
import tempfile
import time


class Client:
    def __init__(self, args, cwd=None, env=None):
        e = dict(os.environ)
        e.update(env or {})
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=cwd, env=e)
        self.buffer = b""
        self.seq = 0
        self.pending = []  # messages read while waiting for another

    def send(self, message):
        body = json.dumps(message).encode()
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()

    def _read_one(self, timeout):
        end = time.monotonic() + timeout
        while True:
            head_end = self.buffer.find(b"\r\n\r\n")
            if head_end >= 0:
                length = 0
                for line in self.buffer[:head_end].split(b"\r\n"):
                    if line.lower().startswith(b"content-length:"):
                        length = int(line.split(b":")[1])
                if len(self.buffer) >= head_end + 4 + length:
                    body = self.buffer[head_end + 4:head_end + 4 + length]
                    self.buffer = self.buffer[head_end + 4 + length:]
                    return json.loads(body)
            left = end - time.monotonic()
            if left <= 0:
                raise TimeoutError("no message in %.0f s" % timeout)
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    raise EOFError("the server closed its output; stderr: " +
                                   self.proc.stderr.read().decode(errors="replace"))
                self.buffer += chunk

    def wait_for(self, match, timeout=20):
        """The first message (kept ones first) for which match(message) holds."""
        for i, m in enumerate(self.pending):
            if match(m):
                return self.pending.pop(i)
        end = time.monotonic() + timeout
        while True:
            m = self._read_one(max(0.01, end - time.monotonic()))
            if match(m):
                return m
            self.pending.append(m)

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class LspClient(Client):
    def request(self, method, params, timeout=20):
        self.seq += 1
        seq = self.seq
        self.send({"jsonrpc": "2.0", "id": seq, "method": method, "params": params})
        reply = self.wait_for(lambda m: m.get("id") == seq and "method" not in m, timeout)
        if "error" in reply:
            raise RuntimeError(reply["error"])
        return reply.get("result")

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def diagnostics(self, uri, timeout=20):
        m = self.wait_for(lambda m: m.get("method") == "textDocument/publishDiagnostics" and
                          m["params"]["uri"] == uri, timeout)
        return m["params"]["diagnostics"]


class DapClient(Client):
    def request(self, command, arguments=None, timeout=20):
        self.seq += 1
        seq = self.seq
        self.send({"seq": seq, "type": "request", "command": command, "arguments": arguments or {}})
        reply = self.wait_for(lambda m: m.get("type") == "response" and m.get("request_seq") == seq, timeout)
        if not reply.get("success"):
            raise RuntimeError("%s failed: %s" % (command, reply.get("message")))
        return reply.get("body", {})

    def event(self, name, timeout=20, where=lambda body: True):
        m = self.wait_for(lambda m: m.get("type") == "event" and m.get("event") == name and
                          where(m.get("body", {})), timeout)
        return m.get("body", {})


def scenario(files):
    """A scenario folder: {name: UTF-8 text} written as a scenario ships them,
    Shift-JIS with CR LF lines."""
    folder = tempfile.mkdtemp(prefix="qvl-editor-")
    for name, text in files.items():
        write_script(os.path.join(folder, name), text)
    return folder


def write_script(path, text):
    with open(path, "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("cp932"))


def uri(folder, name):
    return "file://" + os.path.realpath(os.path.join(folder, name))
