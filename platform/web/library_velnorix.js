// The page side of the browser backend (web_backend.cpp): clock and waits
// (through Asyncify), the canvas, key, focus, mouse and gamepad events, the
// page dialog, the AudioWorklet, the files kept in IndexedDB, the screenshot
// download and the end of the game. The page (index.html) supplies the
// elements by id: vx-screen (canvas), vx-message (dialog), vx-fullscreen
// (button), vx-ended (the end panel) and vx-status.
//
// window.vxWeb publishes what the page did, for the player's console and for
// the tests: presented frames, message boxes, audio levels, stored files.

var LibraryVelnorix = {
  $VX__postset: 'VX.init();',
  $VX: {
    width: 800,
    height: 600,
    events: [],
    active: true,
    posted: [],
    channel: null,
    canvas: null,
    context2d: null,
    image: null,
    imageFor: null,
    refreshPending: false,
    refreshWake: null,
    stillUntil: 0,
    napWake: null,
    // The longest nap while a gamepad is in use: pads send no events, they
    // are read at the game's polls.
    padNapMs: 8,
    audio: null,
    syncing: false,
    syncAgain: false,
    syncWaiters: [],
    held: {},
    pads: {},
    padMerged: [false, false, false, false, false, false, false, false],
    lastPadPoll: 0,
    padsSeen: false,
    swallowEnter: false,

    // KeyboardEvent.code to DirectInput scan code: keys by their place on
    // the board, whatever the layout.
    keyCodes: {
      Escape: 1, Digit1: 2, Digit2: 3, Digit3: 4, Digit4: 5, Digit5: 6, Digit6: 7,
      Digit7: 8, Digit8: 9, Digit9: 10, Digit0: 11, Minus: 12, Equal: 13, Backspace: 14,
      Tab: 15, KeyQ: 16, KeyW: 17, KeyE: 18, KeyR: 19, KeyT: 20, KeyY: 21, KeyU: 22,
      KeyI: 23, KeyO: 24, KeyP: 25, BracketLeft: 26, BracketRight: 27, Enter: 28,
      ControlLeft: 29, KeyA: 30, KeyS: 31, KeyD: 32, KeyF: 33, KeyG: 34, KeyH: 35,
      KeyJ: 36, KeyK: 37, KeyL: 38, Semicolon: 39, Quote: 40, Backquote: 41,
      ShiftLeft: 42, Backslash: 43, KeyZ: 44, KeyX: 45, KeyC: 46, KeyV: 47, KeyB: 48,
      KeyN: 49, KeyM: 50, Comma: 51, Period: 52, Slash: 53, ShiftRight: 54,
      NumpadMultiply: 55, AltLeft: 56, Space: 57, CapsLock: 58, F1: 59, F2: 60, F3: 61,
      F4: 62, F5: 63, F6: 64, F7: 65, F8: 66, F9: 67, F10: 68, NumLock: 69,
      ScrollLock: 70, Numpad7: 71, Numpad8: 72, Numpad9: 73, NumpadSubtract: 74,
      Numpad4: 75, Numpad5: 76, Numpad6: 77, NumpadAdd: 78, Numpad1: 79, Numpad2: 80,
      Numpad3: 81, Numpad0: 82, NumpadDecimal: 83, IntlBackslash: 86, F11: 87, F12: 88,
      NumpadEnter: 156, ControlRight: 157, NumpadDivide: 181, PrintScreen: 183,
      AltRight: 184, Pause: 197, Home: 199, ArrowUp: 200, PageUp: 201, ArrowLeft: 203,
      ArrowRight: 205, End: 207, ArrowDown: 208, PageDown: 209, Insert: 210,
      Delete: 211, MetaLeft: 219, MetaRight: 220, ContextMenu: 221
    },
    // Keys whose browser action (scrolling, focus moves, menus, saving the
    // page) would disturb the game while it has the keyboard.
    keptFromBrowser: {
      Escape: 1, Tab: 1, KeyP: 1, KeyS: 1, Enter: 1, NumpadEnter: 1, ControlLeft: 1,
      ControlRight: 1, AltLeft: 1, AltRight: 1, ArrowUp: 1, ArrowDown: 1, ArrowLeft: 1,
      ArrowRight: 1, Space: 1, PageUp: 1, PageDown: 1, Home: 1, End: 1, Backspace: 1
    },
    // Gamepad keys, as on Linux: d-pad and left stick the arrows, the south
    // button Return and left Ctrl, start P, back Escape.
    padCodes: [203, 205, 200, 208, 28, 29, 25, 1],

    init: function() {
      if (typeof window === 'undefined') return;
      var vx = window.vxWeb = window.vxWeb || {};
      // Pictures drawn on the canvas (a flip of an unchanged picture draws
      // nothing) and every flip, with their times.
      vx.presents = [];
      vx.presentCount = 0;
      vx.flips = 0;
      vx.flipTimes = [];
      vx.firstFrameAt = null;
      vx.messages = [];
      vx.stored = [];
      vx.syncs = 0;
      vx.screenshots = [];
      vx.audio = { state: 'closed', played: 0, peak: 0, nonzero: 0 };
      vx.ended = null;
      vx.kept = null;
      vx.game = function() {
        var names = { 0: 'quit', 1: 'playing', 2: 'menu', 3: 'starting', 4: 'suspended',
                      5: 'all levels done', 6: 'intro', 7: 'game over', 8: 'paused' };
        if (!Module['_vx_web_game_fields'] || !runtimeInitialized) return null;
        var at = Module['_vx_web_game_fields']() >> 2;
        return { state: HEAP32[at], name: names[HEAP32[at]], score: HEAP32[at + 1],
                 level: HEAP32[at + 2], lives: HEAP32[at + 3] };
      };
      VX.channel = new MessageChannel();
      VX.channel.port1.onmessage = function() {
        var due = VX.posted;
        VX.posted = [];
        for (var i = 0; i < due.length; i++) due[i]();
      };
      var listen = function() {
        VX.canvas = document.getElementById('vx-screen');
        VX.context2d = VX.canvas.getContext('2d', { alpha: false });
        window.addEventListener('keydown', function(e) { VX.key(e, true); }, true);
        window.addEventListener('keyup', function(e) { VX.key(e, false); }, true);
        window.addEventListener('blur', function() { VX.focus(false); });
        window.addEventListener('focus', function() { VX.focus(true); });
        document.addEventListener('visibilitychange', function() {
          VX.focus(!document.hidden && document.hasFocus());
        });
        window.addEventListener('pointerdown', function() { VX.startAudio(); }, true);
        window.addEventListener('gamepadconnected', function() {
          VX.padsSeen = true;
          if (VX.napWake) VX.napWake();
        });
        VX.canvas.addEventListener('mousedown', function(e) {
          var b = [0, 2, 1, 3][e.button];
          if (b !== undefined) VX.push(3, b, 1);
        });
        window.addEventListener('mouseup', function(e) {
          var b = [0, 2, 1, 3][e.button];
          if (b !== undefined) VX.push(3, b, 0);
        });
        VX.canvas.addEventListener('mousemove', function(e) {
          VX.events.push(4, e.movementX | 0, e.movementY | 0);
        });
        var full = document.getElementById('vx-fullscreen');
        if (full) full.addEventListener('click', function() { full.blur(); VX.toggleFullscreen(); });
      };
      if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', listen);
      else listen();
    },

    now: function() { return performance.timeOrigin + performance.now(); },

    // An event for the game; a nap waiting for one ends.
    push: function(kind, code, value) {
      VX.events.push(kind, code, value);
      if (VX.napWake) VX.napWake();
    },

    // The end of a wait that a timer or an event may end, whichever comes
    // first: returns wake(), which ends it once (the game resumes in a task
    // of its own) and calls onWake; the wait's timer is set by
    // wake.after(ms).
    waiter: function(wakeUp, onWake) {
      var done = false;
      var timer = null;
      var wake = function() {
        if (done) return;
        done = true;
        if (timer !== null) clearTimeout(timer);
        onWake();
        VX.post(function() { wakeUp(); });
      };
      wake.after = function(ms) { timer = setTimeout(wake, ms); };
      return wake;
    },

    // Runs f in a task of its own soon, without the clamping of nested
    // timers: a wait always resumes the game from such a task, so the next
    // timer it sets is not nested.
    post: function(f) {
      VX.posted.push(f);
      VX.channel.port2.postMessage(0);
    },

    dialogOpen: function() {
      var d = document.getElementById('vx-message');
      return d && d.open;
    },

    key: function(e, down) {
      VX.startAudio();
      if (VX.dialogOpen()) return;
      var code = e.code;
      var enter = code === 'Enter' || code === 'NumpadEnter';
      // Alt+Enter belongs to the page: full-screen on and off; the game
      // sees neither the down nor the up of that Enter.
      if (enter && down && e.altKey) {
        e.preventDefault();
        if (!e.repeat) VX.toggleFullscreen();
        VX.swallowEnter = true;
        return;
      }
      if (enter && VX.swallowEnter) {
        e.preventDefault();
        if (!down) VX.swallowEnter = false;
        return;
      }
      if (VX.keptFromBrowser[code]) e.preventDefault();
      if (e.repeat) return;
      var dik = VX.keyCodes[code];
      if (!dik) return;
      if (!!VX.held[dik] === down) return;
      VX.held[dik] = down;
      VX.push(0, dik, down ? 1 : 0);
    },

    focus: function(active) {
      if (active === VX.active) return;
      VX.active = active;
      if (!active) VX.held = {};
      VX.push(2, 0, active ? 1 : 0);
    },

    toggleFullscreen: function() {
      var page = document.getElementById('vx-stage') || VX.canvas;
      if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
      else if (page.requestFullscreen) page.requestFullscreen().catch(function() {});
    },

    pollPads: function() {
      // Only once a pad has shown itself: asking starts the browser's polling.
      if (!VX.padsSeen || !navigator.getGamepads) return;
      var t = performance.now();
      if (t - VX.lastPadPoll < 4) return;
      VX.lastPadPoll = t;
      var pads = navigator.getGamepads();
      var merged = [false, false, false, false, false, false, false, false];
      for (var i = 0; i < pads.length; i++) {
        var p = pads[i];
        if (!p || !p.connected) continue;
        var keys = VX.pads[p.index] || [false, false, false, false, false, false, false, false];
        var b = function(n) { return !!(p.buttons[n] && p.buttons[n].pressed); };
        // The stick counts past half way and lets go below a third.
        var past = function(v, held, sign) { return sign * (v || 0) > (held ? 1 / 3 : 0.5); };
        keys = [
          b(14) || past(p.axes[0], keys[0], -1), b(15) || past(p.axes[0], keys[1], 1),
          b(12) || past(p.axes[1], keys[2], -1), b(13) || past(p.axes[1], keys[3], 1),
          b(0), b(0), b(9), b(8)
        ];
        VX.pads[p.index] = keys;
        for (var k = 0; k < 8; k++) merged[k] = merged[k] || keys[k];
      }
      for (var k2 = 0; k2 < 8; k2++) {
        if (merged[k2] === VX.padMerged[k2]) continue;
        VX.padMerged[k2] = merged[k2];
        VX.push(1, VX.padCodes[k2], merged[k2] ? 1 : 0);
      }
    },

    // The audio output: a worklet playing what the game's mixer hands over.
    workletSource: [
      'class VxFeed extends AudioWorkletProcessor {',
      '  constructor() { super(); this.q = []; this.off = 0; this.played = 0; this.peak = 0;',
      '    this.nonzero = 0; this.blocks = 0;',
      '    this.port.onmessage = (e) => { this.q.push(e.data); }; }',
      '  process(inputs, outputs) {',
      '    const out = outputs[0], left = out[0], right = out[1] || out[0];',
      '    for (let i = 0; i < left.length; i++) {',
      '      if (this.q.length === 0) { left[i] = 0; right[i] = 0; continue; }',
      '      const b = this.q[0], l = b[2 * this.off], r = b[2 * this.off + 1];',
      '      left[i] = l / 32768; right[i] = r / 32768;',
      '      const m = Math.max(Math.abs(l), Math.abs(r));',
      '      if (m > this.peak) this.peak = m;',
      '      if (m !== 0) this.nonzero++;',
      '      this.played++;',
      '      if (++this.off * 2 >= b.length) { this.q.shift(); this.off = 0; }',
      '    }',
      '    if (++this.blocks % 64 === 0)',
      '      this.port.postMessage({ played: this.played, peak: this.peak, nonzero: this.nonzero });',
      '    return true;',
      '  }',
      '}',
      'registerProcessor("vx-feed", VxFeed);'
    ].join('\n'),

    openAudio: function(rate) {
      var AC = window.AudioContext || window.webkitAudioContext;
      if (!AC) return;
      var a = VX.audio = { rate: rate, context: null, node: null, sent: 0, start: 0, ahead: 0.25 };
      try {
        a.context = new AC({ sampleRate: rate, latencyHint: 'playback' });
      } catch (e) {
        // A context that cannot take the rate: no music rather than wrong music.
        VX.audio = null;
        return;
      }
      window.vxWeb.audio.state = a.context.state;
      a.context.onstatechange = function() { window.vxWeb.audio.state = a.context.state; };
      var url = URL.createObjectURL(new Blob([VX.workletSource], { type: 'text/javascript' }));
      a.context.audioWorklet.addModule(url).then(function() {
        if (VX.audio !== a) return;
        a.node = new AudioWorkletNode(a.context, 'vx-feed', { numberOfInputs: 0, outputChannelCount: [2] });
        a.node.port.onmessage = function(e) {
          var s = window.vxWeb.audio;
          s.played = e.data.played; s.peak = e.data.peak; s.nonzero = e.data.nonzero;
        };
        a.node.connect(a.context.destination);
      }).catch(function(e) { console.warn('velnorix: no audio worklet: ' + e); });
    },

    // The first click or key starts the sound, as browsers require.
    startAudio: function() {
      var a = VX.audio;
      if (a && a.context && a.context.state === 'suspended') a.context.resume().catch(function() {});
    },

    // Frames the output wants now to stay a quarter of a second ahead.
    audioWanted: function() {
      var a = VX.audio;
      if (!a || !a.node || a.context.state !== 'running') return 0;
      var t = a.context.currentTime;
      if (a.sent === 0) a.start = t;
      var played = (t - a.start) * a.rate;
      // Ran dry: the queue is empty now.
      if (played > a.sent) { a.start = t - a.sent / a.rate; played = a.sent; }
      // In blocks of a twentieth of a second at least: fewer, larger
      // messages to the worklet.
      var want = Math.floor(a.ahead * a.rate - (a.sent - played));
      return want >= a.rate / 20 ? want : 0;
    },

    mkdirs: function(path) {
      var parts = path.split('/');
      var at = '';
      for (var i = 0; i < parts.length - 1; i++) {
        if (!parts[i]) { at = at || ''; continue; }
        at += '/' + parts[i];
        try { FS.mkdir(at); } catch (e) {}
      }
    },

    // Writes the browser's copy of the kept folder to IndexedDB, one sync
    // at a time (a sync stores every change in one transaction).
    sync: function() {
      if (VX.syncing) { VX.syncAgain = true; return; }
      VX.syncing = true;
      FS.syncfs(false, function(err) {
        VX.syncing = false;
        if (err) VX.status('The hall of fame could not be saved in this browser.');
        else window.vxWeb.syncs++;
        if (VX.syncAgain) { VX.syncAgain = false; VX.sync(); return; }
        var waiters = VX.syncWaiters;
        VX.syncWaiters = [];
        for (var i = 0; i < waiters.length; i++) waiters[i]();
      });
    },

    whenSynced: function(f) {
      if (!VX.syncing && !VX.syncAgain) f(); else VX.syncWaiters.push(f);
    },

    status: function(text) {
      var s = document.getElementById('vx-status');
      if (s) s.textContent = text;
    }
  },

  vx_web_now__deps: ['$VX'],
  vx_web_now: function() { return VX.now(); },

  vx_web_sleep_until__deps: ['$VX'],
  vx_web_sleep_until: function(target) {
    Asyncify.handleSleep(function(wakeUp) {
      // Timers of whole milliseconds while a whole one is left (timers may
      // fire late, never early); the caller spins out the rest
      // (vx_web_spin_until). The game always resumes from a task of its
      // own (never from a timer's), so its next timer is not a nested one.
      var step = function() {
        var left = target - VX.now();
        if (left >= 1) setTimeout(step, Math.floor(left));
        else VX.post(function() { wakeUp(); });
      };
      step();
    });
  },

  vx_web_spin_until__deps: ['$VX'],
  vx_web_spin_until: function(target) {
    // Less than a millisecond: what a timer cannot hit without passing it.
    while (VX.now() < target) {}
  },

  vx_web_nap__deps: ['$VX'],
  vx_web_nap: function(ms) {
    Asyncify.handleSleep(function(wakeUp) {
      // Until an event for the game comes, or ms have passed.
      var wake = VX.waiter(wakeUp, function() { VX.napWake = null; });
      if (VX.events.length > 0) { wake(); return; }
      if (VX.padsSeen) ms = Math.min(ms, VX.padNapMs);
      VX.napWake = wake;
      wake.after(ms);
    });
  },

  vx_web_refresh_pending__deps: ['$VX'],
  vx_web_refresh_pending: function() {
    return VX.refreshPending || performance.now() < VX.stillUntil ? 1 : 0;
  },

  vx_web_wait_refresh__deps: ['$VX'],
  vx_web_wait_refresh: function() {
    Asyncify.handleSleep(function(wakeUp) {
      var wake = VX.waiter(wakeUp, function() { VX.refreshWake = null; });
      if (VX.refreshPending) {
        VX.refreshWake = wake;
        // A hidden page gets no animation frames: a refresh's time at most.
        wake.after(50);
      } else {
        // The same picture again: shown a refresh period after it was flipped.
        wake.after(Math.max(0, VX.stillUntil - performance.now()));
      }
    });
  },

  vx_web_take_events__deps: ['$VX'],
  vx_web_take_events: function(out, max) {
    VX.pollPads();
    var n = Math.min(max, VX.events.length / 3);
    for (var i = 0; i < n * 3; i++) HEAP32[(out >> 2) + i] = VX.events[i];
    VX.events.splice(0, n * 3);
    return n;
  },

  vx_web_present__deps: ['$VX'],
  vx_web_present: function(rgba, top, bottom) {
    var vx = window.vxWeb;
    if (top < bottom && (VX.imageFor !== HEAPU8.buffer || !VX.image || VX.image.ptr !== rgba)) {
      VX.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, VX.width * VX.height * 4),
                               VX.width, VX.height);
      VX.image.ptr = rgba;
      VX.imageFor = HEAPU8.buffer;
    }
    var t = performance.now();
    vx.flips++;
    vx.flipTimes.push(t);
    if (vx.flipTimes.length > 4000) vx.flipTimes.splice(0, 2000);
    if (top < bottom) {
      VX.context2d.putImageData(VX.image, 0, 0, 0, top, VX.width, bottom - top);
      if (vx.firstFrameAt === null) vx.firstFrameAt = t;
      vx.presentCount++;
      vx.presents.push(t);
      if (vx.presents.length > 4000) vx.presents.splice(0, 2000);
    }
    // A new picture is shown at the next animation frame; a flip of the
    // same picture is taken a refresh period later, without waking the page
    // unless the game asks before then.
    if (!VX.refreshPending && top < bottom) {
      VX.refreshPending = true;
      requestAnimationFrame(function() {
        VX.refreshPending = false;
        if (VX.refreshWake) VX.refreshWake();
      });
    } else if (!VX.refreshPending && performance.now() >= VX.stillUntil) {
      VX.stillUntil = t + 1000 / 60;
    }
  },

  vx_web_message_box__deps: ['$VX'],
  vx_web_message_box: function(caption, text) {
    // (Asyncify calls this again when the game resumes: only the start
    // function of the sleep runs once.)
    Asyncify.handleSleep(function(wakeUp) {
      caption = UTF8ToString(caption);
      text = UTF8ToString(text);
      window.vxWeb.messages.push({ caption: caption, text: text });
      var d = document.getElementById('vx-message');
      if (!d || !d.showModal) {
        window.alert(caption + '\n\n' + text);
        VX.post(function() { wakeUp(); });
        return;
      }
      d.querySelector('.vx-caption').textContent = caption;
      d.querySelector('.vx-text').textContent = text;
      var closed = function() {
        d.removeEventListener('close', closed);
        VX.post(function() { wakeUp(); });
      };
      d.addEventListener('close', closed);
      d.showModal();
    });
  },

  vx_web_audio_open__deps: ['$VX'],
  vx_web_audio_open: function(rate) { VX.openAudio(rate); },

  vx_web_audio_wanted__deps: ['$VX'],
  vx_web_audio_wanted: function() { return VX.audioWanted(); },

  vx_web_audio_push__deps: ['$VX'],
  vx_web_audio_push: function(samples, frames) {
    var a = VX.audio;
    if (!a || !a.node) return;
    var block = HEAP16.slice(samples >> 1, (samples >> 1) + frames * 2);
    a.node.port.postMessage(block, [block.buffer]);
    a.sent += frames;
  },

  vx_web_audio_close__deps: ['$VX'],
  vx_web_audio_close: function() {
    var a = VX.audio;
    VX.audio = null;
    if (a && a.context) a.context.close().catch(function() {});
    window.vxWeb.audio.state = 'closed';
  },

  vx_web_persist_load__deps: ['$VX', '$IDBFS'],
  vx_web_persist_load: function(kept, game) {
    Asyncify.handleSleep(function(wakeUp) {
      kept = UTF8ToString(kept);
      game = UTF8ToString(game);
      VX.kept = kept;
      VX.game = game;
      var finish = function(ok) {
        window.vxWeb.kept = ok;
        VX.post(function() { wakeUp(); });
      };
      try {
        FS.mkdir(kept);
        FS.mount(IDBFS, {}, kept);
      } catch (e) {
        finish(false);
        return;
      }
      FS.syncfs(true, function(err) {
        if (err) {
          VX.status('This browser keeps no files: the hall of fame lasts until the page closes.');
          finish(false);
          return;
        }
        // The kept files replace the page's defaults.
        var walk = function(dir, rel) {
          var names = FS.readdir(dir);
          for (var i = 0; i < names.length; i++) {
            var name = names[i];
            if (name === '.' || name === '..') continue;
            var path = dir + '/' + name, to = rel + '/' + name;
            var st = FS.stat(path);
            if (FS.isDir(st.mode)) { walk(path, to); continue; }
            if (!FS.isFile(st.mode)) continue;
            VX.mkdirs(game + to);
            FS.writeFile(game + to, FS.readFile(path));
          }
        };
        try { walk(kept, ''); } catch (e) { console.warn('velnorix: kept files unreadable: ' + e); }
        finish(true);
      });
    });
  },

  vx_web_persist_store__deps: ['$VX'],
  vx_web_persist_store: function(path) {
    path = UTF8ToString(path);
    if (window.vxWeb.kept !== true) return;
    var bytes;
    try { bytes = FS.readFile(VX.game + '/' + path); } catch (e) { return; }
    var to = VX.kept + '/' + path;
    VX.mkdirs(to);
    // Replaced in one step, as the game replaces its own copy.
    FS.writeFile(to + '.new', bytes);
    FS.rename(to + '.new', to);
    window.vxWeb.stored.push(path);
    VX.sync();
  },

  vx_web_offer_screenshot__deps: ['$VX'],
  vx_web_offer_screenshot: function(path) {
    path = UTF8ToString(path);
    var raw;
    try { raw = FS.readFile(VX.game + '/' + path); } catch (e) { return; }
    var w = VX.width, h = VX.height;
    if (raw.length !== w * h * 3) return;
    var canvas = document.createElement('canvas');
    canvas.width = w;
    canvas.height = h;
    var c = canvas.getContext('2d');
    var img = c.createImageData(w, h);
    for (var i = 0, j = 0; i < w * h; i++, j += 3) {
      img.data[i * 4] = raw[j];
      img.data[i * 4 + 1] = raw[j + 1];
      img.data[i * 4 + 2] = raw[j + 2];
      img.data[i * 4 + 3] = 255;
    }
    c.putImageData(img, 0, 0);
    var name = path.replace(/\.raw$/, '.png');
    canvas.toBlob(function(blob) {
      if (!blob) return;
      var a = document.createElement('a');
      a.href = URL.createObjectURL(blob);
      a.download = name;
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(function() { URL.revokeObjectURL(a.href); }, 60000);
      window.vxWeb.screenshots.push(name);
    }, 'image/png');
  },

  vx_web_game_ended__deps: ['$VX'],
  vx_web_game_ended: function(result) {
    window.vxWeb.ended = result;
    var panel = document.getElementById('vx-ended');
    if (!panel) return;
    panel.hidden = false;
    var again = panel.querySelector('button');
    if (again) {
      again.onclick = function() {
        again.disabled = true;
        // What the game saved reaches IndexedDB before the page goes.
        VX.whenSynced(function() { location.reload(); });
      };
      again.focus();
    }
  }
};

autoAddDeps(LibraryVelnorix, '$VX');
mergeInto(LibraryManager.library, LibraryVelnorix);
