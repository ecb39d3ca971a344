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

// Clock ticks used so far by each thread of the processes, by the process's
// kind and the thread's name (e.g. "renderer/chromium", the page's main
// thread), and in all.
function ticks(pids) {
  const threads = { all: 0 };
  for (const pid of pids) {
    let kind = 'browser';
    try {
      const m = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').match(/--type=([a-z-]+)/);
      if (m) kind = m[1];
    } catch (e) { continue; }
    let tasks = [];
    try { tasks = fs.readdirSync(`/proc/${pid}/task`); } catch (e) { continue; }
    for (const tid of tasks) {
      try {
        const stat = fs.readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
        const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        const used = Number(f[11]) + Number(f[12]);
        threads[`${kind}/${name}`] = (threads[`${kind}/${name}`] || 0) + used;
        threads.all += used;
      } catch (e) { /* ended meanwhile */ }
    }
  }
  return threads;
}

// Per cent of one core used by the whole browser over the span, and the
// threads that used the most.
async function cpu(profile) {
  const t0 = ticks(browserPids(profile));
  const start = Date.now();
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const t1 = ticks(browserPids(profile));
  const span = (Date.now() - start) / 1000;
  const pct = (n) => (100 * n / hz) / span;
  const top = Object.keys(t1).filter((k) => k !== 'all')
    .map((k) => [k, t1[k] - (t0[k] || 0)]).filter(([, n]) => n > 0)
    .sort((a, b) => b[1] - a[1]).slice(0, 4)
    .map(([k, n]) => `${k} ${pct(n).toFixed(1)}`).join(', ');
  return { total: pct(t1.all - t0.all), top };
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
  const menu = await cpu(dir);
  console.log(`browser, menu: ${menu.total.toFixed(1)} % of a core (${menu.top})`);
  // Return starts a game from the menu page; after a long measurement the
  // menu may be showing its hall-of-fame page, where Return brings the menu
  // page back first.
  for (let tries = 1; ; tries++) {
    await page.keyboard.press('Enter');
    try {
      await lib.until(page, () => window.vxWeb.game().name === 'playing', 3000, 'playing');
      break;
    } catch (e) {
      if (tries === 5) throw e;
    }
  }
  const t0 = await page.evaluate(() => performance.now());
  const play = await cpu(dir);
  const times = await page.evaluate((t) => window.vxWeb.flipTimes.filter((x) => x > t + 300), t0);
  const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
  console.log(`browser, play: ${play.total.toFixed(1)} % of a core (${play.top})`);
  console.log(`frame pace in play: median ${gaps[gaps.length >> 1].toFixed(2)} ms, ` +
              `95th percentile ${gaps[Math.floor(gaps.length * 0.95)].toFixed(2)} ms (${gaps.length} intervals)`);
  await page.keyboard.press('p');
  await waitState(page, 'paused');
  const pause = await cpu(dir);
  console.log(`browser, pause: ${pause.total.toFixed(1)} % of a core (${pause.top})`);
  await context.close();
  server.close();
}

main().catch((e) => { console.error(`measure_web: ${e.message}`); process.exit(1); });
