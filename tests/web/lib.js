// What the browser tests and the measurement script share: a static server
// on 127.0.0.1 for a site folder, Debian's Chromium through playwright-core,
// and the frame checks (the canvas read back as the bench's 5-6-5 picture).
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');
const os = require('os');
const { chromium } = require('playwright-core');

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.json': 'application/json'
};

// Serves dir on 127.0.0.1 at a free port; resolves to { url, close }.
function serve(folder) {
  const dir = path.resolve(folder);
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(dir, name === '/' ? 'index.html' : name);
    if (!file.startsWith(path.resolve(dir))) { res.writeHead(403); res.end(); return; }
    fs.readFile(file, (err, body) => {
      if (err) { res.writeHead(404); res.end(); return; }
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                           'Cache-Control': 'no-store' });
      res.end(body);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() });
    });
  });
}

// Chromium as the tests run it: headless, no network beyond the page, a
// fresh profile each launch (persistent, so IndexedDB outlives a reload).
async function launch(profile) {
  const dir = profile || fs.mkdtempSync(path.join(os.tmpdir(), 'vx-chromium-'));
  const context = await chromium.launchPersistentContext(dir, {
    executablePath: process.env.VX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 800, height: 600 },
    acceptDownloads: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=no-user-gesture-required']
  });
  // A profile made here goes with the browser.
  if (!profile) {
    const close = context.close.bind(context);
    context.close = async () => {
      await close();
      fs.rmSync(dir, { recursive: true, force: true });
    };
  }
  return { context, dir };
}

// The canvas read back in the page as the bench's 5-6-5 picture and hashed
// as the bench hashes frames: FNV-1a (64-bit) over little-endian 64-bit
// words of four pixels, row after row. hash is null when a pixel is not the
// bit replication of a 5-6-5 one (the canvas does not show a frame exactly).
async function canvasHash(page) {
  return page.evaluate(() => {
    const c = document.getElementById('vx-screen');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    const n = c.width * c.height;
    const p = new Uint16Array(n);
    for (let i = 0; i < n; i++) {
      const r = d[4 * i], g = d[4 * i + 1], b = d[4 * i + 2];
      const r5 = r >> 3, g6 = g >> 2, b5 = b >> 3;
      if (((r5 << 3) | (r5 >> 2)) !== r || ((g6 << 2) | (g6 >> 4)) !== g ||
          ((b5 << 3) | (b5 >> 2)) !== b)
        return { hash: null, at: performance.now() };
      p[i] = (r5 << 11) | (g6 << 5) | b5;
    }
    // 64-bit arithmetic in two 32-bit halves: (h ^ w) * 0x100000001b3.
    let hi = 0xcbf29ce4, lo = 0x84222325;
    for (let i = 0; i < n; i += 4) {
      lo = (lo ^ (p[i] | (p[i + 1] << 16))) >>> 0;
      hi = (hi ^ (p[i + 2] | (p[i + 3] << 16))) >>> 0;
      // times 2^40 + 0x1b3: lo*0x1b3 (64-bit) + hi*0x1b3 << 32 + lo << 40
      const l0 = lo & 0xffff, l1 = lo >>> 16;
      const a0 = l0 * 0x1b3, a1 = l1 * 0x1b3;
      const mid = (a0 >>> 16) + a1;
      const newLo = ((a0 & 0xffff) | ((mid & 0xffff) << 16)) >>> 0;
      let carry = Math.floor(mid / 65536);
      let newHi = (carry + Math.imul(hi, 0x1b3) + ((lo << 8) >>> 0)) >>> 0;
      lo = newLo;
      hi = newHi;
    }
    const hex = (v) => v.toString(16).padStart(8, '0');
    return { hash: hex(hi) + hex(lo), at: performance.now() };
  });
}

// Waits until cond() (run in the page) is true; fails with what after ms.
async function until(page, cond, ms, what, arg) {
  try {
    await page.waitForFunction(cond, arg, { timeout: ms, polling: 20 });
  } catch (e) {
    throw new Error(`timed out waiting for ${what}`);
  }
}

module.exports = { serve, launch, canvasHash, until };
