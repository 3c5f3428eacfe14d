// The page around the engine: the start screen, the scenario's files laid into
// the virtual file system, the browser's storage for them and the saves, input
// into the engine's event queue, and the sound.
'use strict';
(function () {
  const PERSIST = '/persist';
  const SCENARIOS = PERSIST + '/scenarios';
  const LAST = 'quorvel.lastScenario';
  const $ = (id) => document.getElementById(id);
  const status = (text) => { $('status').textContent = text; };

  // --- the engine's side of things (platform/web/library.js uses Module.qvl) ---
  const canvas = $('scene');
  const qvl = {
    canvas, context: canvas.getContext('2d'), queue: [], wake: null, textInput: false,
    presented: 0, synced: 0, running: false, scenario: null,
    // ?clock=SECONDS: a wall clock that starts there (UTC), for runs that must repeat.
    clockStart: /^\d+$/.test(new URLSearchParams(location.search).get('clock') || '')
      ? Number(new URLSearchParams(location.search).get('clock')) : null,
    push(e) { this.queue.push(e); if (this.wake) this.wake(); },
    audio: {
      ctx: null, devices: {}, volume: {},
      context() {
        if (!this.ctx) this.ctx = new AudioContext();
        return this.ctx;
      },
      start(device, dev) {
        const ended = (src) => {
          if (dev.playing !== src) return;  // stopped, or replaced by a later play
          dev.playing = null;
          if (dev.notify) qvl.push({ type: 10, id: device, status: 1 });
        };
        if (dev.silent) {
          // Keeps the piece's time, as if it played.
          const src = { stop() { clearTimeout(this.timer); } };
          src.timer = setTimeout(() => ended(src), Math.max(dev.lengthMs, 1));
          dev.playing = src;
          return;
        }
        const src = this.ctx.createBufferSource();
        src.buffer = dev.buffer;
        src.connect(dev.gain);
        src.onended = () => ended(src);
        dev.playing = src;
        src.start();
      },
      halt(dev) {
        const src = dev.playing;
        dev.playing = null;
        if (src) { try { src.stop(); } catch (e) { /* never started */ } }
      },
    },
  };

  // --- input: scene coordinates, keys, touch (a long press is the right button) ---
  function scenePoint(e) {
    const r = canvas.getBoundingClientRect();
    return { x: Math.floor((e.clientX - r.left) * 640 / r.width), y: Math.floor((e.clientY - r.top) * 480 / r.height) };
  }
  const mods = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
  function gesture() {
    // Browsers start sound only after the person has done something on the page.
    if (qvl.audio.ctx && qvl.audio.ctx.state === 'suspended') qvl.audio.ctx.resume();
  }
  let press = null;
  canvas.addEventListener('pointerdown', (e) => {
    gesture();
    canvas.focus();
    const p = scenePoint(e);
    if (e.pointerType === 'touch') {
      press = { p, timer: setTimeout(() => {
        press = null;
        qvl.push({ type: 1, ...p, button: 2 });
        qvl.push({ type: 2, ...p, button: 2 });
      }, 500) };
      qvl.push({ type: 3, ...p });
      return;
    }
    qvl.push({ type: 1, ...p, button: e.button, mods: mods(e) });
  });
  canvas.addEventListener('pointerup', (e) => {
    const p = scenePoint(e);
    if (e.pointerType === 'touch') {
      if (!press) return;  // the long press has been a right click already
      clearTimeout(press.timer);
      press = null;
      qvl.push({ type: 1, ...p, button: 0 });
      qvl.push({ type: 2, ...p, button: 0 });
      return;
    }
    qvl.push({ type: 2, ...p, button: e.button, mods: mods(e) });
  });
  canvas.addEventListener('pointermove', (e) => {
    if (press && e.pointerType === 'touch') return;
    qvl.push({ type: 3, ...scenePoint(e) });
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    if (e.deltaY) qvl.push({ type: 4, ...scenePoint(e), wheel: e.deltaY < 0 ? 1 : -1 });
  }, { passive: false });
  window.addEventListener('keydown', (e) => {
    if (!qvl.running) return;
    gesture();
    // The browser keeps its own reload, zoom and full-screen keys.
    if (e.key === 'F5' || e.key === 'F11' || (e.ctrlKey && 'r+-0'.includes(e.key))) return;
    e.preventDefault();
    qvl.push({ type: 5, text: e.key, mods: mods(e) });
    if (qvl.textInput && e.key.length === 1 && !e.ctrlKey && !e.altKey) qvl.push({ type: 6, text: e.key });
  });
  window.addEventListener('focus', () => qvl.running && qvl.push({ type: 7 }));
  window.addEventListener('blur', () => qvl.running && qvl.push({ type: 8 }));

  // --- storage: the scenarios and their saves live in IndexedDB ---
  let syncing = false, dirty = false;
  function syncOut() {
    if (syncing) { dirty = true; return; }
    syncing = true;
    FS.syncfs(false, (err) => {
      syncing = false;
      if (err) console.warn('quorvel: cannot keep the files in the browser:', err);
      else qvl.synced++;
      if (dirty) { dirty = false; syncOut(); }
    });
  }
  let syncTimer = null;
  function written(path) {
    if (!path.startsWith(PERSIST + '/')) return;
    // A save writes a few files together; they go to storage as one batch.
    clearTimeout(syncTimer);
    syncTimer = setTimeout(syncOut, 20);
  }
  const syncIn = () => new Promise((ok, fail) => FS.syncfs(true, (err) => (err ? fail(err) : ok())));
  const syncNow = () => new Promise((ok) => { const n = qvl.synced; syncOut(); const t = setInterval(() => { if (qvl.synced > n) { clearInterval(t); ok(); } }, 10); });

  function mkdirs(path) {
    let at = '';
    for (const part of path.split('/').filter(Boolean)) {
      at += '/' + part;
      try { FS.mkdir(at); } catch (e) { /* already there */ }
    }
  }
  function writeFile(path, bytes) {
    mkdirs(path.slice(0, path.lastIndexOf('/')));
    FS.writeFile(path, bytes);
  }
  const exists = (path) => { try { FS.stat(path); return true; } catch (e) { return false; } };
  function listFiles(dir, base = '') {
    const out = [];
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name;
      if (FS.isDir(FS.stat(path).mode)) out.push(...listFiles(path, base + name + '/'));
      else out.push(base + name);
    }
    return out;
  }
  const manifestOf = (name) => SCENARIOS + '/' + name + '.files.json';
  function originals(name) {
    try { return new Set(JSON.parse(FS.readFile(manifestOf(name), { encoding: 'utf8' }))); } catch (e) { return new Set(); }
  }

  // Lays a scenario's files (relative path -> bytes) into storage. The folder that
  // holds autorun.txt or qvl.cfg is the scenario; anything above it is dropped.
  function install(name, files) {
    const paths = Object.keys(files);
    const marker = paths.filter((p) => /(^|\/)(autorun\.txt|qvl\.cfg)$/i.test(p)).sort((a, b) => a.length - b.length)[0];
    if (marker === undefined) throw new Error('no autorun.txt or qvl.cfg in what was opened');
    const top = marker.slice(0, marker.lastIndexOf('/') + 1);
    if (top) name = top.split('/').filter(Boolean).pop();
    name = name.replace(/[\/\\]/g, '_') || 'scenario';
    const dir = SCENARIOS + '/' + name;
    const kept = [];
    for (const p of paths) {
      if (!p.startsWith(top)) continue;
      writeFile(dir + '/' + p.slice(top.length), files[p]);
      kept.push(p.slice(top.length));
    }
    writeFile(manifestOf(name), JSON.stringify(kept));
    return name;
  }

  // --- zip files: read (stored and deflated entries), written stored ---
  async function readZip(buffer) {
    const bytes = new Uint8Array(buffer), view = new DataView(buffer);
    let end = bytes.length - 22;
    while (end >= 0 && view.getUint32(end, true) !== 0x06054b50) end--;
    if (end < 0) throw new Error('not a zip file');
    const count = view.getUint16(end + 10, true);
    let at = view.getUint32(end + 16, true);
    const files = {};
    const decoder = new TextDecoder();
    for (let i = 0; i < count; i++) {
      if (view.getUint32(at, true) !== 0x02014b50) throw new Error('damaged zip file');
      const method = view.getUint16(at + 10, true), size = view.getUint32(at + 20, true);
      const nameLength = view.getUint16(at + 28, true), extra = view.getUint16(at + 30, true), comment = view.getUint16(at + 32, true);
      const local = view.getUint32(at + 42, true);
      const name = decoder.decode(bytes.subarray(at + 46, at + 46 + nameLength));
      at += 46 + nameLength + extra + comment;
      if (name.endsWith('/')) continue;
      const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
      const data = bytes.subarray(start, start + size);
      if (method === 0) files[name] = data.slice();
      else if (method === 8) files[name] = new Uint8Array(await new Response(new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw'))).arrayBuffer());
      else throw new Error(name + ': compression method ' + method + ' is not supported');
    }
    return files;
  }
  const crcTable = Array.from({ length: 256 }, (_, n) => { let c = n; for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1; return c >>> 0; });
  const crc32 = (b) => { let c = 0xffffffff; for (const x of b) c = crcTable[(c ^ x) & 0xff] ^ (c >>> 8); return (c ^ 0xffffffff) >>> 0; };
  function writeZip(files) {
    const parts = [], central = [];
    let offset = 0;
    const encoder = new TextEncoder();
    for (const [name, data] of Object.entries(files)) {
      const n = encoder.encode(name), crc = crc32(data);
      const head = new DataView(new ArrayBuffer(30));
      head.setUint32(0, 0x04034b50, true); head.setUint16(4, 20, true); head.setUint16(6, 0x800, true);
      head.setUint32(14, crc, true); head.setUint32(18, data.length, true); head.setUint32(22, data.length, true);
      head.setUint16(26, n.length, true);
      parts.push(head, n, data);
      const c = new DataView(new ArrayBuffer(46));
      c.setUint32(0, 0x02014b50, true); c.setUint16(4, 20, true); c.setUint16(6, 20, true); c.setUint16(8, 0x800, true);
      c.setUint32(16, crc, true); c.setUint32(20, data.length, true); c.setUint32(24, data.length, true);
      c.setUint16(28, n.length, true); c.setUint32(42, offset, true);
      central.push(c, n);
      offset += 30 + n.length + data.length;
    }
    const size = central.reduce((s, p) => s + p.byteLength, 0);
    const end = new DataView(new ArrayBuffer(22));
    end.setUint32(0, 0x06054b50, true); end.setUint16(8, central.length / 2, true); end.setUint16(10, central.length / 2, true);
    end.setUint32(12, size, true); end.setUint32(16, offset, true);
    return new Blob([...parts, ...central, end], { type: 'application/zip' });
  }

  // --- starting a scenario ---
  function start(name) {
    const dir = SCENARIOS + '/' + name;
    localStorage.setItem(LAST, name);
    qvl.scenario = name;
    $('start').hidden = true;
    $('stage').hidden = false;
    canvas.focus();
    qvl.running = true;
    qvl.audio.context();
    Module.callMain([dir]);
  }
  function installDemo() {
    // The bundled demo's files, laid beside the saves a person has made with it.
    const files = {};
    for (const p of listFiles('/demo')) files[p] = FS.readFile('/demo/' + p);
    return install('demo', files);
  }
  async function open(name, files) {
    try {
      status('Opening…');
      const installed = install(name, files);
      await syncNow();
      start(installed);
    } catch (e) {
      status('Cannot open this scenario: ' + e.message);
    }
  }
  async function fromEntries(entries) {
    const files = {};
    const walk = async (entry, base) => {
      if (entry.isFile) {
        const file = await new Promise((ok, fail) => entry.file(ok, fail));
        files[base + entry.name] = new Uint8Array(await file.arrayBuffer());
      } else if (entry.isDirectory) {
        const reader = entry.createReader();
        for (;;) {
          const batch = await new Promise((ok, fail) => reader.readEntries(ok, fail));
          if (!batch.length) break;
          for (const e of batch) await walk(e, base + entry.name + '/');
        }
      }
    };
    for (const e of entries) await walk(e, '');
    return files;
  }

  $('demo').onclick = () => { installDemo(); syncOut(); start('demo'); };
  $('resume').onclick = () => start(localStorage.getItem(LAST));
  $('folder').onchange = async (e) => {
    const files = {};
    for (const f of e.target.files) files[f.webkitRelativePath || f.name] = new Uint8Array(await f.arrayBuffer());
    open('scenario', files);
  };
  $('zip').onchange = async (e) => {
    const f = e.target.files[0];
    if (f) { try { open(f.name.replace(/\.zip$/i, ''), await readZip(await f.arrayBuffer())); } catch (err) { status(err.message); } }
  };
  const drop = $('drop');
  drop.ondragover = (e) => { e.preventDefault(); drop.classList.add('over'); };
  drop.ondragleave = () => drop.classList.remove('over');
  drop.ondrop = async (e) => {
    e.preventDefault();
    drop.classList.remove('over');
    const items = [...e.dataTransfer.items].map((i) => i.webkitGetAsEntry()).filter(Boolean);
    // Without entries (a drop the browser made up itself) only plain files come.
    const plain = e.dataTransfer.files;
    if (!items.length && plain.length === 1 && /\.zip$/i.test(plain[0].name)) {
      try { open(plain[0].name.replace(/\.zip$/i, ''), await readZip(await plain[0].arrayBuffer())); } catch (err) { status(err.message); }
    } else if (items.length === 1 && items[0].isFile && /\.zip$/i.test(items[0].name)) {
      const file = await new Promise((ok, fail) => items[0].file(ok, fail));
      try { open(file.name.replace(/\.zip$/i, ''), await readZip(await file.arrayBuffer())); } catch (err) { status(err.message); }
    } else {
      open('scenario', await fromEntries(items));
    }
  };
  // Saves of the last scenario: every file the scenario did not come with.
  $('export').onclick = () => {
    const name = localStorage.getItem(LAST), dir = SCENARIOS + '/' + name, given = originals(name), files = {};
    for (const p of listFiles(dir)) if (!given.has(p)) files[p] = FS.readFile(dir + '/' + p);
    const a = document.createElement('a');
    a.href = URL.createObjectURL(writeZip(files));
    a.download = name + '-saves.zip';
    a.click();
  };
  $('import').onchange = async (e) => {
    const f = e.target.files[0];
    // Into the scenario the file is named for (as exported: NAME-saves.zip, maybe
    // numbered by the browser), so saves can come before the scenario itself, in a
    // browser that has never played it; else into the last one played.
    const named = f && /^(.+)-saves(?: ?\(\d+\))?\.zip$/i.exec(f.name);
    const name = named ? named[1] : localStorage.getItem(LAST);
    if (!f) return;
    if (!name) { status('Open the scenario first, then import its saves.'); return; }
    try {
      const files = await readZip(await f.arrayBuffer());
      for (const [p, data] of Object.entries(files)) if (!p.includes('..')) writeFile(SCENARIOS + '/' + name + '/' + p, data);
      await syncNow();
      status('Saves imported into ' + name + '.');
    } catch (err) { status(err.message); }
  };

  async function ready() {
    FS.mkdir(PERSIST);
    FS.mount(IDBFS, {}, PERSIST);
    try { await syncIn(); } catch (e) { status('The browser keeps no files for this page: saves last until it is closed.'); }
    mkdirs(SCENARIOS);
    // Every file the engine closes after writing, renames or removes under the
    // stored folder sends the folder to storage.
    const close = FS.close, rename = FS.rename, unlink = FS.unlink;
    FS.close = (stream) => { const path = stream.path, wrote = (stream.flags & 3) !== 0; close(stream); if (wrote && path) written(path); };
    FS.rename = (from, to) => { rename(from, to); written(to); };
    FS.unlink = (path) => { unlink(path); written(path); };
    const last = localStorage.getItem(LAST);
    const params = new URLSearchParams(location.search);
    if (params.has('demo')) { installDemo(); syncOut(); start('demo'); return; }
    if (last && exists(SCENARIOS + '/' + last)) {
      $('export').disabled = false;
      $('resume').hidden = false;
      $('resume').textContent = 'Continue ' + last;
      // A reload goes straight back to where the person was playing.
      if (!params.has('start')) { start(last); return; }
    }
    status('');
  }

  window.Module = {
    qvl,
    noInitialRun: true,
    print: (line) => console.log(line),
    printErr: (line) => console.warn(line),
    onRuntimeInitialized: () => { ready(); },
    // The engine has left (the person ended the game): back to the start screen.
    onFinished: () => { qvl.running = false; location.search = '?start'; },
  };
  status('Loading…');
  const script = document.createElement('script');
  script.src = 'quorvel.js';
  document.body.appendChild(script);
})();
