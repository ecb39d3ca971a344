// The browser build's figures (a report, not a test): page load to the
// first frame, the frame pace in play, and the processor use of every
// process of the browser (Debian's Chromium, headless) in the menu, in play
// and paused. Run by tools/measure_web.sh, which adds the download size and
// the native game's figures.
//
//   node tools/measure_web.js SITE_DIR [SECONDS]
'use strict';
const fs = require('fs');
const path = require('path');
const lib = require('../tests/web/lib.js');

const site = process.argv[2];
const seconds = Number(process.argv[3] || 8);
const hz = 100;  // clock ticks per second of /proc/<pid>/stat on Linux

// Every process of the browser: the one started with this profile, and all
// that descend from it.
function browserPids(profile) {
  const all = fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p));
  const parent = {};
  let root = null;
  for (const pid of all) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      parent[pid] = stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1];
      if (root === null) {
        const cmd = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
        if (cmd.includes(`--user-data-dir=${profile}`) && !cmd.includes('--type=')) root = pid;
      }
    } catch (e) { /* gone */ }
  }
  const pids = new Set(root ? [root] : []);
  let grew = true;
  while (grew) {
    grew = false;
    for (const pid of all) if (!pids.has(pid) && pids.has(parent[pid])) { pids.add(pid); grew = true; }
  }
  return [...pids];
}

function ticks(pids) {
  let total = 0;
  for (const pid of pids) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      total += Number(f[11]) + Number(f[12]);
    } catch (e) { /* ended meanwhile */ }
  }
  return total;
}

// Per cent of one core used by the whole browser over the span.
async function cpu(profile) {
  const t0 = ticks(browserPids(profile));
  const start = Date.now();
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const used = ticks(browserPids(profile)) - t0;
  return (100 * used / hz) / ((Date.now() - start) / 1000);
}

const waitState = (page, name) =>
  lib.until(page, (n) => { const g = window.vxWeb.game(); return g && g.name === n; }, 30000, name, name);

async function main() {
  const server = await lib.serve(site);
  const loads = [];
  // Page load to first frame: three loads, each in a fresh browser.
  for (let i = 0; i < 3; i++) {
    const { context } = await lib.launch();
    const page = context.pages()[0] || await context.newPage();
    await page.goto(server.url);
    await lib.until(page, () => window.vxWeb && window.vxWeb.firstFrameAt !== null, 30000, 'first frame');
    loads.push(await page.evaluate(() => window.vxWeb.firstFrameAt));
    await context.close();
  }
  loads.sort((a, b) => a - b);
  console.log(`page load to first frame: ${loads.map((t) => t.toFixed(0)).join(', ')} ms (median ${loads[1].toFixed(0)} ms)`);

  const { context, dir } = await lib.launch();
  const page = context.pages()[0] || await context.newPage();
  await page.goto(server.url);
  await waitState(page, 'menu');
  await page.keyboard.press('Shift');  // sound on, as a player's first key
  console.log(`browser, menu: ${(await cpu(dir)).toFixed(1)} % of a core`);
  await page.keyboard.press('Enter');
  await waitState(page, 'playing');
  const t0 = await page.evaluate(() => performance.now());
  const play = await cpu(dir);
  const times = await page.evaluate((t) => window.vxWeb.flipTimes.filter((x) => x > t + 300), t0);
  const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
  console.log(`browser, play: ${play.toFixed(1)} % of a core`);
  console.log(`frame pace in play: median ${gaps[gaps.length >> 1].toFixed(2)} ms, ` +
              `95th percentile ${gaps[Math.floor(gaps.length * 0.95)].toFixed(2)} ms (${gaps.length} intervals)`);
  await page.keyboard.press('p');
  await waitState(page, 'paused');
  console.log(`browser, pause: ${(await cpu(dir)).toFixed(1)} % of a core`);
  await context.close();
  server.close();
}

main().catch((e) => { console.error(`measure_web: ${e.message}`); process.exit(1); });
