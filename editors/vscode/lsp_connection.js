// A language server spoken to over a child process's stdin and stdout: JSON
// messages with a Content-Length header. Plain Node, no editor in it, so it can
// be tried on its own.
'use strict';
const { spawn } = require('child_process');

class Connection {
  constructor(command, args, options) {
    this.child = spawn(command, args, Object.assign({ stdio: ['pipe', 'pipe', 'pipe'] }, options));
    this.buffer = Buffer.alloc(0);
    this.nextId = 1;
    this.waiting = new Map();
    this.handlers = new Map();
    this.child.stdout.on('data', (chunk) => this.receive(chunk));
    this.child.on('exit', () => {
      for (const { reject } of this.waiting.values()) reject(new Error('the language server ended'));
      this.waiting.clear();
    });
    this.child.on('error', (e) => {
      for (const { reject } of this.waiting.values()) reject(e);
      this.waiting.clear();
    });
  }

  receive(chunk) {
    this.buffer = Buffer.concat([this.buffer, chunk]);
    for (;;) {
      const head = this.buffer.indexOf('\r\n\r\n');
      if (head < 0) return;
      const match = /content-length:\s*(\d+)/i.exec(this.buffer.slice(0, head).toString('ascii'));
      const length = match ? Number(match[1]) : 0;
      if (this.buffer.length < head + 4 + length) return;
      const body = this.buffer.slice(head + 4, head + 4 + length).toString('utf8');
      this.buffer = this.buffer.slice(head + 4 + length);
      let message;
      try {
        message = JSON.parse(body);
      } catch (e) {
        continue;
      }
      this.dispatch(message);
    }
  }

  dispatch(message) {
    if (message.id !== undefined && message.method === undefined) {
      const waiter = this.waiting.get(message.id);
      if (!waiter) return;
      this.waiting.delete(message.id);
      if (message.error) waiter.reject(new Error(message.error.message));
      else waiter.resolve(message.result);
      return;
    }
    if (message.id !== undefined) {
      // The server asks nothing of us that we serve.
      this.send({ jsonrpc: '2.0', id: message.id, result: null });
      return;
    }
    const handler = this.handlers.get(message.method);
    if (handler) handler(message.params);
  }

  send(message) {
    const body = Buffer.from(JSON.stringify(message), 'utf8');
    this.child.stdin.write('Content-Length: ' + body.length + '\r\n\r\n');
    this.child.stdin.write(body);
  }

  request(method, params) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.waiting.set(id, { resolve, reject });
      this.send({ jsonrpc: '2.0', id, method, params });
    });
  }

  notify(method, params) {
    this.send({ jsonrpc: '2.0', method, params });
  }

  onNotification(method, handler) {
    this.handlers.set(method, handler);
  }

  async stop() {
    try {
      await this.request('shutdown', null);
      this.notify('exit', null);
    } catch (e) {
      this.child.kill();
    }
  }
}

module.exports = { Connection };
