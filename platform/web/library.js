// The page's half of the browser backend: the C side (web_page.h) calls these.
// The page (web/quorvel.js) sets Module.qvl up with the canvas before the engine
// starts: { canvas, push(event), ... }; events wait in Module.qvl.queue.
mergeInto(LibraryManager.library, {
  qvl_web_sleep__deps: ['$Asyncify'],
  qvl_web_sleep: function (ms, kind, answer, choice) {
    var kinds = ['time', 'click', 'question', 'input', 'idle', 'choice'];
    var answers = ['none', 'ok', 'cancel', 'yes', 'no'];
    return Asyncify.handleSleep(function (wakeUp) {
      Module.qvl.waiting = { kind: kinds[kind], answer: answers[answer], choice: choice };
      var timer = null;
      var woken = false;
      Module.qvl.wake = function () {
        if (woken) return;
        woken = true;
        Module.qvl.wake = null;
        Module.qvl.waiting = null;
        if (timer !== null) clearTimeout(timer);
        wakeUp();
      };
      if (ms >= 0) timer = setTimeout(function () { if (Module.qvl.wake) Module.qvl.wake(); }, ms);
    });
  },

  qvl_web_take_event: function (fields, text, capacity) {
    var e = Module.qvl.queue.shift();
    if (!e) return 0;
    var f = [e.type, e.x | 0, e.y | 0, e.button | 0, e.wheel | 0, e.mods | 0, e.id | 0, e.status | 0];
    for (var i = 0; i < f.length; ++i) HEAP32[(fields >> 2) + i] = f[i];
    stringToUTF8(e.text || '', text, capacity);
    return 1;
  },

  qvl_web_present: function (rgba, x, y, w, h) {
    var ctx = Module.qvl.context;
    var image = ctx.createImageData(w, h);
    for (var row = 0; row < h; ++row) {
      var start = rgba + ((y + row) * 640 + x) * 4;
      image.data.set(HEAPU8.subarray(start, start + w * 4), row * w * 4);
    }
    ctx.putImageData(image, x, y);
    Module.qvl.presented++;
    if (Module.qvl.onPresent) Module.qvl.onPresent(x, y, w, h);
  },

  qvl_web_set_caption: function (text) {
    document.title = UTF8ToString(text);
  },

  qvl_web_set_cursor: function (cursor) {
    // 1 pen (the ordinary arrow), 2 hand, 3 wait.
    Module.qvl.canvas.style.cursor = cursor === 2 ? 'pointer' : cursor === 3 ? 'wait' : 'default';
  },

  qvl_web_full_screen: function (on) {
    try {
      if (on) {
        if (!document.fullscreenElement) Module.qvl.canvas.parentElement.requestFullscreen().catch(function () {});
      } else if (document.fullscreenElement) {
        document.exitFullscreen().catch(function () {});
      }
      return 1;
    } catch (e) {
      return 0;
    }
  },

  qvl_web_text_input: function (on) {
    Module.qvl.textInput = !!on;
  },

  qvl_web_finished: function (code) {
    if (Module.onFinished) Module.onFinished(code);
  },

  qvl_web_wall_clock: function () {
    var q = Module.qvl;
    if (q.clockStart === null) return Date.now() / 1000;
    if (q.clockBase === undefined) q.clockBase = performance.now();
    return q.clockStart + (performance.now() - q.clockBase) / 1000;
  },

  qvl_web_clock_fixed: function () {
    return Module.qvl.clockStart === null ? 0 : 1;
  },

  qvl_web_now_ms: function () {
    return performance.now();
  },

  // Sound: one Web Audio source per device. Decoding runs while the engine goes
  // on; a play asked for before it is done starts when it is.
  qvl_web_audio_open: function (device, path, silent, lengthMs) {
    var audio = Module.qvl.audio;
    var name = UTF8ToString(path);
    var ctx = audio.context();
    var dev = { buffer: null, failed: false, playing: null, wantPlay: false, notify: false,
                silent: !!silent, lengthMs: lengthMs, gain: ctx.createGain() };
    dev.gain.gain.value = (audio.volume[device] === undefined ? 100 : audio.volume[device]) / 100;
    dev.gain.connect(ctx.destination);
    audio.devices[device] = dev;
    if (dev.silent) {
      return;
    }
    var bytes = FS.readFile(name);
    ctx.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength)).then(function (buffer) {
      dev.buffer = buffer;
      if (dev.wantPlay && audio.devices[device] === dev) audio.start(device, dev);
    }, function () {
      // Our probe took it, the browser cannot decode it: it keeps its time silently.
      console.warn('quorvel: the browser cannot decode ' + name + '; it plays silent');
      dev.silent = true;
      if (dev.wantPlay && audio.devices[device] === dev) audio.start(device, dev);
    });
  },

  qvl_web_audio_play: function (device, notify) {
    var audio = Module.qvl.audio;
    var dev = audio.devices[device];
    if (!dev) return;
    audio.halt(dev);
    dev.wantPlay = true;
    dev.notify = !!notify;
    if (dev.buffer || dev.silent) audio.start(device, dev);
  },

  qvl_web_audio_stop: function (device) {
    var dev = Module.qvl.audio.devices[device];
    if (dev) { dev.wantPlay = false; Module.qvl.audio.halt(dev); }
  },

  qvl_web_audio_close: function (device) {
    var audio = Module.qvl.audio;
    var dev = audio.devices[device];
    if (!dev) return;
    dev.wantPlay = false;
    audio.halt(dev);
    dev.gain.disconnect();
    delete audio.devices[device];
  },

  qvl_web_audio_set_volume: function (device, percent) {
    var audio = Module.qvl.audio;
    audio.volume[device] = percent;
    var dev = audio.devices[device];
    if (dev) dev.gain.gain.value = percent / 100;
  },

  // A piece rendered by the engine (MIDI). Its peak and RMS level are kept in
  // Module.qvl.audio.rendered, so a test can tell sound from silence.
  qvl_web_audio_open_pcm: function (device, path, samples, frames, rate, lengthMs) {
    var audio = Module.qvl.audio;
    var ctx = audio.context();
    var dev = { buffer: ctx.createBuffer(2, Math.max(frames, 1), rate), failed: false, playing: null,
                wantPlay: false, notify: false, silent: false, lengthMs: lengthMs, gain: ctx.createGain() };
    dev.gain.gain.value = (audio.volume[device] === undefined ? 100 : audio.volume[device]) / 100;
    dev.gain.connect(ctx.destination);
    var left = dev.buffer.getChannelData(0), right = dev.buffer.getChannelData(1);
    var at = samples >> 1, peak = 0, sum = 0;
    for (var i = 0; i < frames; ++i) {
      var l = HEAP16[at + 2 * i] / 32768, r = HEAP16[at + 2 * i + 1] / 32768;
      left[i] = l;
      right[i] = r;
      peak = Math.max(peak, Math.abs(l), Math.abs(r));
      sum += l * l + r * r;
    }
    (audio.rendered = audio.rendered || []).push({ name: UTF8ToString(path), peak: peak,
                                                    rms: Math.sqrt(sum / Math.max(2 * frames, 1)) });
    audio.devices[device] = dev;
  },

  // Files beside the page that the engine reads only when it needs them (the
  // MIDI patches): fetched then, while the engine waits.
  qvl_web_fetch_beside__deps: ['$Asyncify'],
  qvl_web_fetch_beside: function (path) {
    var name = UTF8ToString(path);
    return Asyncify.handleSleep(function (wakeUp) {
      fetch(encodeURI(name.replace(/^\//, ''))).then(function (response) {
        return response.ok ? response.arrayBuffer() : null;
      }).then(function (body) {
        if (!body) { wakeUp(0); return; }
        FS.mkdirTree(name.substring(0, name.lastIndexOf('/')));
        FS.writeFile(name, new Uint8Array(body));
        wakeUp(1);
      }, function () { wakeUp(0); });
    });
  },

  // A movie's sound comes in pieces as the movie is decoded; each is played
  // right after the one before, so they join without a gap.
  qvl_web_movie_sound: function (samples, frames) {
    var audio = Module.qvl.audio;
    var ctx = audio.context();
    // queued: seconds handed over in all, for the page's tests.
    var m = audio.movie || (audio.movie = { sources: [], end: 0, queued: 0 });
    var buffer = ctx.createBuffer(2, frames, 44100);
    var left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    var at = samples >> 1;
    for (var i = 0; i < frames; ++i, at += 2) {
      left[i] = HEAP16[at] / 32768;
      right[i] = HEAP16[at + 1] / 32768;
    }
    var src = ctx.createBufferSource();
    src.buffer = buffer;
    src.connect(ctx.destination);
    // After a gap (the first piece, or a page that fell behind) a little ahead of now.
    var start = Math.max(m.end, ctx.currentTime + 0.05);
    src.start(start);
    m.end = start + buffer.duration;
    m.queued += buffer.duration;
    m.sources.push(src);
    src.onended = function () {
      var i = m.sources.indexOf(src);
      if (i >= 0) m.sources.splice(i, 1);
    };
  },

  qvl_web_movie_sound_stop: function () {
    var m = Module.qvl.audio.movie;
    if (!m) return;
    m.sources.forEach(function (src) { try { src.stop(); } catch (e) { /* never started */ } });
    m.sources = [];
    m.end = 0;
  },
});
