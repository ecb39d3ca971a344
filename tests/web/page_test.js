// The game's page in Debian's Chromium, served from 127.0.0.1, in two
// scripted runs of the real page:
//
// 1. A site whose hall of fame is empty: the intro and the menu on the canvas
//    equal the Linux bench's frames pixel for pixel; the first key starts
//    non-silent audio; Return starts a game, the arrows move the ship, P
//    pauses and resumes, S offers a PNG download, losing the page's focus
//    suspends and regaining it resumes, Escape returns to the very menu
//    picture; a second game runs to game over (frame pace measured over 10 s
//    of it), a name is entered on the wheel; after a reload the name is back
//    from IndexedDB and the hall-of-fame page on the canvas equals the
//    bench's page drawn from that table.
// 2. A site whose first level file is damaged: Return in the menu shows the
//    game's own fatal message in the page dialog (twice, as the game shows
//    it), then the page offers to start again, and does.
//
// Environment: VX_HOST_BUILD (Linux build: bench and Data), VX_WEB_BUILD (web
// build: site/), VX_SCRATCH (scratch folder), VX_FILE_PACKAGER (Emscripten's
// file_packager.py).
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const lib = require('./lib.js');

const host = process.env.VX_HOST_BUILD;
const web = process.env.VX_WEB_BUILD;
const scratch = process.env.VX_SCRATCH || fs.mkdtempSync('/tmp/vx-web-');
const packager = process.env.VX_FILE_PACKAGER;

let passed = 0;
let failed = 0;
function check(what, ok, detail) {
  if (ok) { passed++; console.log(`ok: ${what}${detail ? ' (' + detail + ')' : ''}`); }
  else { failed++; console.log(`FAILED: ${what}${detail ? ' (' + detail + ')' : ''}`); }
}

// A copy of the Data folder, changed by change(dir).
function dataFolder(name, change) {
  const dir = path.join(scratch, name, 'Data');
  fs.rmSync(path.join(scratch, name), { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  for (const f of fs.readdirSync(path.join(host, 'Data')))
    fs.copyFileSync(path.join(host, 'Data', f), path.join(dir, f));
  if (change) change(dir);
  return dir;
}

// The built site with another Data folder.
function site(name, data) {
  const dir = path.join(scratch, name + '-site');
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  for (const f of ['index.html', 'velnorix.js', 'velnorix.wasm'])
    fs.copyFileSync(path.join(web, 'site', f), path.join(dir, f));
  execFileSync('python3', [packager, path.join(dir, 'velnorix.data'), '--preload',
                           `${data}@/game/Data`, `--js-output=${path.join(dir, 'velnorix-data.js')}`,
                           '--no-node'], { stdio: ['ignore', 'ignore', 'inherit'] });
  return dir;
}

// The Linux bench on a copy of data; its report.
let benchRuns = 0;
function bench(data, maxMs, script) {
  const dir = path.join(scratch, `bench-${++benchRuns}`);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(path.join(dir, 'Data'), { recursive: true });
  for (const f of fs.readdirSync(data)) fs.copyFileSync(path.join(data, f), path.join(dir, 'Data', f));
  const args = ['--dir', dir, '--max-ms', String(maxMs), '--report', path.join(dir, 'report.json')];
  if (script) {
    fs.writeFileSync(path.join(dir, 'script.txt'), script);
    args.push('--script', path.join(dir, 'script.txt'));
  }
  execFileSync(path.join(host, 'velnorix-headless'), args, { stdio: 'inherit' });
  return JSON.parse(fs.readFileSync(path.join(dir, 'report.json'), 'utf8'));
}

// A span of time in which something must NOT happen.
const observe = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const game = (page) => page.evaluate(() => window.vxWeb.game());
const waitState = (page, name, ms) =>
  lib.until(page, (n) => { const g = window.vxWeb.game(); return g && g.name === n; }, ms,
            `the game state "${name}"`, name);
const presents = (page) => page.evaluate(() => window.vxWeb.presentCount);

// A tap the game sees in exactly one poll: the key's down and up reach the
// page's handlers in one task. (The browser's own input may bring the up
// more than a display refresh after the down on a busy machine; the name
// wheel, which turns one place a pass while a key is held, then turns two.)
const tapOnce = (page, code) => page.evaluate((c) => {
  for (const type of ['keydown', 'keyup'])
    window.dispatchEvent(new KeyboardEvent(type, { code: c, bubbles: true, cancelable: true }));
}, code);

// Taps a key once and waits until the canvas changed (the game took it).
async function tapSeen(page, code) {
  const before = await presents(page);
  await tapOnce(page, code);
  await lib.until(page, (n) => window.vxWeb.presentCount > n, 5000, `a new picture after ${code}`, before);
}

// x of the ship: the middle of the lit pixels of the rows it moves on.
async function shipX(page) {
  return page.evaluate(() => {
    const d = document.getElementById('vx-screen').getContext('2d').getImageData(0, 545, 548, 30).data;
    let sum = 0, n = 0;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] + d[i + 1] + d[i + 2] > 60) { sum += (i / 4) % 548; n++; }
    }
    return n > 50 ? sum / n : -1;
  });
}

// Samples the canvas until stop(hash) or ms; every sample must be a frame of
// allowed (a Set of bench hashes). Returns the samples.
async function sampleCanvas(page, allowed, ms, stop) {
  const samples = [];
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const s = await lib.canvasHash(page);
    samples.push(s.hash);
    if (stop(s.hash)) break;
  }
  const stray = samples.filter((h) => !allowed.has(h));
  return { samples, stray };
}

async function hallOfFame(page) {
  return page.evaluate(() => Array.from(Module.FS.readFile('/game/Data/hiscore.dat')));
}

function nameOf(table, record) {
  return String.fromCharCode(...table.slice(record * 28 + 20, record * 28 + 23).filter((b) => b));
}

async function run() {
  const emptyData = dataFolder('empty', (dir) => fs.writeFileSync(path.join(dir, 'hiscore.dat'), Buffer.alloc(280)));
  const damagedData = dataFolder('damaged', (dir) => {
    const f = path.join(dir, 'Lvl0001.ldf');
    const b = fs.readFileSync(f);
    b.write('XXXX', 0, 'latin1');
    fs.writeFileSync(f, b);
  });
  const emptySite = site('empty', emptyData);
  const damagedSite = site('damaged', damagedData);

  // The bench's pictures: intro and menu; the menu alone; the name wheel as
  // a game lost without keys leaves it; the fatal message of the damaged level.
  const startGame = '3500 key RETURN down\n3600 key RETURN up\n';
  const front = bench(emptyData, 14000);
  const first = bench(emptyData, 6000);
  const menuHash = first.frame_hashes[first.frame_hashes.length - 1];
  const introHashes = new Set(first.frame_hashes.slice(0, first.frame_hashes.indexOf(menuHash)));
  introHashes.delete(first.frame_hashes[0]);  // the black screen of the start
  const wheelRun = bench(emptyData, 45000, startGame);
  const wheelHash = wheelRun.frame_hashes[wheelRun.frame_hashes.length - 1];
  const fatal = bench(damagedData, 8000, startGame).message_boxes;

  const server = await lib.serve(emptySite);
  const { context } = await lib.launch();
  const page = context.pages()[0] || await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const consoleLines = [];
  page.on('console', (m) => consoleLines.push(`${m.type()}: ${m.text()}`));
  try {
    await page.goto(server.url);
    await lib.until(page, () => window.vxWeb && window.vxWeb.presentCount > 0, 20000, 'the first frame');

    // Intro and menu: every picture read back is one of the bench's.
    const front1 = await sampleCanvas(page, new Set(front.frame_hashes), 20000, (h) => h === menuHash);
    check('intro and menu pictures are the bench\'s frames', front1.stray.length === 0,
          `${front1.samples.length} samples, ${front1.stray.length} not the bench's`);
    check('an intro picture seen', front1.samples.some((h) => introHashes.has(h)));
    check('the menu picture seen', front1.samples.includes(menuHash));

    // The first key starts the sound.
    await page.keyboard.press('Shift');
    let audioOk = true;
    try {
      await lib.until(page, () => window.vxWeb.audio.state === 'running' &&
                                  window.vxWeb.audio.nonzero > 1000 && window.vxWeb.audio.peak > 100,
                      10000, 'music');
    } catch (e) { audioOk = false; }
    check('audio runs and carries sound after the first key', audioOk,
          JSON.stringify(await page.evaluate(() => window.vxWeb.audio)));

    // Return starts a game; the arrows move the ship.
    await page.keyboard.press('Enter');
    await waitState(page, 'playing', 10000);
    check('Return starts a game', true);
    await lib.until(page, () => window.vxWeb.presentCount > 10, 5000, 'play frames');
    const x0 = await shipX(page);
    await page.keyboard.down('ArrowRight');
    await lib.until(page, (x) => {
      const d = document.getElementById('vx-screen').getContext('2d').getImageData(0, 545, 548, 30).data;
      let sum = 0, n = 0;
      for (let i = 0; i < d.length; i += 4) if (d[i] + d[i + 1] + d[i + 2] > 60) { sum += (i / 4) % 548; n++; }
      return n > 50 && sum / n > x + 40;
    }, 5000, 'the ship moving right', x0).catch(() => {});
    await page.keyboard.up('ArrowRight');
    const x1 = await shipX(page);
    await page.keyboard.down('ArrowLeft');
    await lib.until(page, (x) => {
      const d = document.getElementById('vx-screen').getContext('2d').getImageData(0, 545, 548, 30).data;
      let sum = 0, n = 0;
      for (let i = 0; i < d.length; i += 4) if (d[i] + d[i + 1] + d[i + 2] > 60) { sum += (i / 4) % 548; n++; }
      return n > 50 && sum / n < x - 40;
    }, 5000, 'the ship moving left', x1).catch(() => {});
    await page.keyboard.up('ArrowLeft');
    const x2 = await shipX(page);
    check('Right moves the ship right, Left moves it left', x1 > x0 + 40 && x2 < x1 - 40,
          `x ${x0.toFixed(0)} -> ${x1.toFixed(0)} -> ${x2.toFixed(0)}`);

    // S: the screenshot offered as a PNG download.
    const download = page.waitForEvent('download', { timeout: 10000 }).catch(() => null);
    await page.keyboard.press('s');
    const file = await download;
    let png = false;
    if (file) {
      const saved = path.join(scratch, 'screenshot.png');
      await file.saveAs(saved);
      const b = fs.readFileSync(saved);
      png = file.suggestedFilename() === 'Screen001.png' && b.slice(1, 4).toString() === 'PNG';
    }
    check('S offers the screenshot as Screen001.png', png);

    // P pauses (nothing presented), P again resumes.
    await page.keyboard.press('p');
    await waitState(page, 'paused', 5000);
    const pausedAt = await presents(page);
    await observe(500);
    const stillPaused = (await game(page)).name === 'paused' && (await presents(page)) === pausedAt;
    await page.keyboard.press('p');
    await waitState(page, 'playing', 5000);
    check('P pauses and P resumes', stillPaused);

    // Focus lost suspends; focus regained resumes.
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    await waitState(page, 'suspended', 5000);
    const suspendedAt = await presents(page);
    await observe(300);
    // (the frame that saw Alt+Tab may still be flipped)
    const stillSuspended = (await presents(page)) <= suspendedAt + 1;
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
    await waitState(page, 'playing', 5000);
    const moving = await presents(page);
    await lib.until(page, (n) => window.vxWeb.presentCount > n + 5, 5000, 'play frames again', moving);
    check('losing the focus suspends (nothing drawn), regaining it resumes', stillSuspended);

    // Escape: back to the same menu picture as the bench's.
    await page.keyboard.press('Escape');
    await waitState(page, 'menu', 10000);
    const back = await sampleCanvas(page, new Set(front.frame_hashes), 10000, (h) => h === menuHash);
    check('Escape returns to the menu picture', back.samples.includes(menuHash));

    // A whole game without keys: frame pace over 10 s, then the name wheel.
    await page.keyboard.press('Enter');
    await waitState(page, 'playing', 10000);
    const t0 = await page.evaluate(() => performance.now());
    await lib.until(page, (t) => performance.now() > t + 10500, 20000, '10 s of play', t0);
    const times = await page.evaluate((t) => window.vxWeb.flipTimes.filter((x) => x > t + 500 && x < t + 10500), t0);
    const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
    const median = gaps[gaps.length >> 1];
    const p95 = gaps[Math.floor(gaps.length * 0.95)];
    check('median time between frames in play is 27-29 ms', median >= 27 && median <= 29,
          `median ${median.toFixed(2)} ms, 95th percentile ${p95.toFixed(2)} ms, ${gaps.length} intervals`);
    // The ship parked at the left wall lets the balls by (the seed comes
    // from the clock, so the game is a new one each run).
    await page.keyboard.down('ArrowLeft');
    await lib.until(page, () => window.vxWeb.game().lives <= 1, 240000, 'two lives lost');
    await page.keyboard.up('ArrowLeft');
    await waitState(page, 'game over', 240000);
    const score = (await game(page)).score;
    const wheel = await sampleCanvas(page, new Set([wheelHash]), 20000, (h) => h === wheelHash);
    check('the name wheel shows as on the bench', wheel.samples.includes(wheelHash), `score ${score}`);
    // U taken, V, W, then right round to the end place: each tap one place.
    await tapSeen(page, 'Enter');
    for (const key of ['ArrowRight', 'Enter', 'ArrowRight', 'Enter']) await tapSeen(page, key);
    for (let i = 0; i < 11; i++) await tapSeen(page, 'ArrowRight');
    await tapOnce(page, 'Enter');
    await waitState(page, 'menu', 10000);
    await lib.until(page, () => window.vxWeb.stored.includes('Data/hiscore.dat') && window.vxWeb.syncs > 0,
                    10000, 'the hall of fame stored').catch(async (e) => {
      console.log(await page.evaluate(() => JSON.stringify({ stored: window.vxWeb.stored, syncs: window.vxWeb.syncs,
                                                               kept: window.vxWeb.kept, game: window.vxWeb.game(),
                                                               messages: window.vxWeb.messages,
                                                               table: Array.from(Module.FS.readFile('/game/Data/hiscore.dat').slice(0, 28)) })));
      console.log(`page errors: ${errors.join('; ')}`);
      console.log(`console: ${consoleLines.join(' | ')}`);
      throw e;
    });
    const table = await hallOfFame(page);
    check('the name entered is in the hall of fame', nameOf(table, 0) === 'UVW', nameOf(table, 0));

    // Reload: the table comes back from IndexedDB, and the hall-of-fame page
    // on the canvas is the bench's page of that table.
    await page.reload();
    await lib.until(page, () => window.vxWeb && window.vxWeb.presentCount > 0, 20000, 'the first frame after reload');
    const again = await hallOfFame(page);
    check('after a reload the hall of fame holds the name', nameOf(again, 0) === 'UVW' &&
          Buffer.from(again).equals(Buffer.from(table)));
    const keptData = dataFolder('kept', (dir) => fs.writeFileSync(path.join(dir, 'hiscore.dat'), Buffer.from(again)));
    const kept = bench(keptData, 40000);
    const plain = new Set(bench(emptyData, 40000).frame_hashes);
    const hofPage = new Set(kept.frame_hashes.filter((h) => !plain.has(h)));
    const shown = await sampleCanvas(page, new Set(kept.frame_hashes), 45000, (h) => hofPage.has(h));
    check('the hall-of-fame page shows the saved name (the bench\'s picture of that table)',
          shown.samples.some((h) => hofPage.has(h)) && shown.stray.length === 0,
          `${shown.samples.length} samples, ${shown.stray.length} not the bench's`);
    check('no page errors', errors.length === 0, errors.join('; '));
  } finally {
    await context.close();
    server.close();
  }

  // A damaged level: the game's fatal message in the page dialog.
  const server2 = await lib.serve(damagedSite);
  const run2 = await lib.launch();
  const page2 = run2.context.pages()[0] || await run2.context.newPage();
  try {
    await page2.goto(server2.url);
    await waitState(page2, 'menu', 20000);
    await page2.keyboard.press('Enter');
    const shownBoxes = [];
    for (let i = 0; i < fatal.length; i++) {
      await lib.until(page2, (n) => document.getElementById('vx-message').open &&
                                    window.vxWeb.messages.length === n, 10000, 'the message dialog', i + 1).catch(async (e) => {
        console.log(await page2.evaluate(() => JSON.stringify({ messages: window.vxWeb.messages,
          open: document.getElementById('vx-message').open, game: window.vxWeb.game(), ended: window.vxWeb.ended })));
        throw e;
      });
      shownBoxes.push(await page2.evaluate(() => ({
        caption: document.querySelector('#vx-message .vx-caption').textContent,
        text: document.querySelector('#vx-message .vx-text').textContent })));
      await page2.click('#vx-message button');
    }
    check('the damaged level\'s fatal message shows in the page dialog as on the bench',
          JSON.stringify(shownBoxes) === JSON.stringify(fatal), JSON.stringify(shownBoxes[0]));
    await lib.until(page2, () => !document.getElementById('vx-ended').hidden, 10000, 'the end panel');
    await page2.click('#vx-ended button');
    await lib.until(page2, () => window.vxWeb && window.vxWeb.ended === null && window.vxWeb.presentCount > 0,
                    20000, 'the game started again');
    check('the page offers to start again, and does', true);
  } finally {
    await run2.context.close();
    server2.close();
  }
}

run().catch((e) => { failed++; console.log(`FAILED: ${e.message}`); })
  .finally(() => {
    console.log(`${passed} passed, ${failed} failed`);
    process.exit(failed === 0 && passed > 0 ? 0 : 1);
  });
