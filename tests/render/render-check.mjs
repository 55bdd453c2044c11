// The render check: pages from Debian's documentation packages and the
// hand-written edge pages of tests/render/pages, each compacted in safe mode
// and in the default mode, are shown by headless chromium at two window
// widths; every screenshot of a compacted copy is compared with the
// original's, pixel for pixel.
//
//   node render-check.mjs --cli PATH --work DIR --node DIR [--per-package N]
//        [--jobs N] [--max-height PX] [--edge DIR] [--only REGEX]
//
// The three copies of a package (orig, safe, dflt) are trees of symbolic
// links to the installed files, with real files for the chosen pages, at
// paths of the same length, so that style sheets, images and scripts are
// found as beside the original. Nothing is fetched: pages that name
// another host get no answer from it.
//
// Exit status 0 when every safe-mode copy shows exactly what the original
// shows; the default mode's figure is reported, not judged.

import { createRequire } from 'node:module';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

const args = parseArgs(process.argv.slice(2));
const cli = path.resolve(need(args, 'cli'));
const work = path.resolve(need(args, 'work'));
const nodeDir = path.resolve(need(args, 'node'));
const perPackage = Number(args['per-package'] ?? 50);
const jobs = Number(args.jobs ?? 2);
const maxHeight = Number(args['max-height'] ?? 6000);
const only = args.only ? new RegExp(args.only) : null;  // pages to keep, for a closer look
const edgeDir = args.edge ? path.resolve(args.edge) : null;
const widths = [1280, 480];
const variants = ['orig', 'safe', 'dflt'];

// Where each package keeps its pages; under is a folder of the root that
// holds the pages (the rest of the root holds what they refer to).
const sources = [
  { pkg: 'python3.11-doc', root: '/usr/share/doc/python3.11/html' },
  { pkg: 'postgresql-doc-15', root: '/usr/share/doc/postgresql-doc-15/html' },
  { pkg: 'apache2-doc', root: '/usr/share/doc/apache2-doc/manual', under: 'en' },
  { pkg: 'git-doc', root: '/usr/share/doc/git-doc' },
  { pkg: 'sqlite3-doc', root: '/usr/share/doc/sqlite3' },
  { pkg: 'developers-reference', root: '/usr/share/developers-reference' },
  { pkg: 'bash-doc', root: '/usr/share/doc/bash' },
];

const require = createRequire(import.meta.url);
const { chromium } = require(path.join(nodeDir, 'node_modules', 'playwright-core'));

function parseArgs(list) {
  const out = {};
  for (let i = 0; i < list.length; i += 2) {
    if (!list[i].startsWith('--')) throw new Error(`unexpected argument ${list[i]}`);
    out[list[i].slice(2)] = list[i + 1];
  }
  return out;
}

function need(a, name) {
  if (a[name] === undefined) throw new Error(`--${name} is needed`);
  return a[name];
}

// Every page file under Dir (not following links), sorted.
function listPages(dir) {
  const found = [];
  const walk = (d) => {
    for (const e of fs.readdirSync(d, { withFileTypes: true })) {
      const p = path.join(d, e.name);
      if (e.isDirectory()) walk(p);
      else if (e.isFile() && /\.html?$/i.test(e.name)) found.push(p);
    }
  };
  walk(dir);
  return found.sort();
}

// Count pages spread evenly over the sorted list.
function spread(list, count) {
  if (list.length <= count) return list;
  const picked = [];
  for (let i = 0; i < count; ++i) picked.push(list[Math.floor((i * list.length) / count)]);
  return picked;
}

function compact(bytes, safe) {
  const r = spawnSync(cli, safe ? ['--safe'] : [], { input: bytes, maxBuffer: 1 << 30 });
  if (r.status !== 0) throw new Error(`pagetrim-cli failed: ${r.stderr}`);
  return r.stdout;
}

// Builds the three trees of a package and returns its pages.
function prepare(source) {
  const pages = [];
  const all = listPages(source.under ? path.join(source.root, source.under) : source.root);
  const chosen = (source.all ? all : spread(all, perPackage))
    .filter((f) => !only || only.test(path.join(source.pkg, path.relative(source.root, f))));
  for (const v of variants) {
    const tree = path.join(work, 'trees', v, source.pkg);
    fs.rmSync(tree, { recursive: true, force: true });
    fs.mkdirSync(path.dirname(tree), { recursive: true });
    execFileSync('cp', ['-rs', source.root, tree]);
  }
  for (const file of chosen) {
    const rel = path.relative(source.root, file);
    const orig = fs.readFileSync(file);
    const copies = { orig, safe: compact(orig, true), dflt: compact(orig, false) };
    const page = { pkg: source.pkg, rel, bytes: {}, urls: {} };
    for (const v of variants) {
      const target = path.join(work, 'trees', v, source.pkg, rel);
      fs.rmSync(target, { force: true });
      fs.writeFileSync(target, copies[v]);
      page.bytes[v] = copies[v].length;
      page.urls[v] = 'file://' + target;
    }
    pages.push(page);
  }
  return pages;
}

function pngSize(buf) {
  return buf.length >= 24 ? [buf.readUInt32BE(16), buf.readUInt32BE(20)] : [0, 0];
}

// Number of pixels in which two screenshots differ (-1: not the same size).
function differingPixels(a, b, name) {
  if (a.equals(b)) return 0;
  const [wa, ha] = pngSize(a);
  const [wb, hb] = pngSize(b);
  if (wa !== wb || ha !== hb) return -1;
  const dir = path.join(work, 'compare');
  fs.mkdirSync(dir, { recursive: true });
  const fa = path.join(dir, `${name}-a.png`);
  const fb = path.join(dir, `${name}-b.png`);
  fs.writeFileSync(fa, a);
  fs.writeFileSync(fb, b);
  // compare writes the count to standard error and exits 1 when it is not 0.
  const r = spawnSync('compare', ['-metric', 'AE', fa, fb, 'null:'], { encoding: 'utf8' });
  fs.rmSync(fa, { force: true });
  fs.rmSync(fb, { force: true });
  const n = Number.parseFloat(r.stderr);
  if (Number.isNaN(n)) throw new Error(`compare failed: ${r.stderr}`);
  return n;
}

// What a page shows at Width: a screenshot of its first maxHeight pixels,
// taken once its fonts and images are ready, and its rendered text.
const timing = { goto: 0, ready: 0, shot: 0, n: 0 };
// Each window keeps its size for the whole run: a page loaded just after a
// resize can still be laid out for the old width.
async function shoot({ page, cdp }, url, width) {
  const t0 = Date.now();
  await page.goto(url, { waitUntil: 'load', timeout: 60000 });
  const t1 = Date.now();
  const settle = () => page.evaluate(async () => {
    await document.fonts.ready;
    await Promise.all([...document.images].map((i) => i.decode().catch(() => undefined)));
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
    return {
      height: Math.max(document.documentElement.scrollHeight, document.body ? document.body.scrollHeight : 0),
      text: document.body ? document.body.innerText : '',
      windowWidth: window.innerWidth,
    };
  });
  const { height, text, windowWidth } = await settle();
  if (windowWidth !== width) throw new Error(`${url}: laid out for ${windowWidth} px, not ${width}`);
  const t2 = Date.now();
  const shot = await cdp.send('Page.captureScreenshot', {
    format: 'png',
    captureBeyondViewport: true,
    optimizeForSpeed: true,
    clip: { x: 0, y: 0, width, height: Math.max(1, Math.min(height, maxHeight)), scale: 1 },
  });
  const t3 = Date.now();
  timing.goto += t1 - t0; timing.ready += t2 - t1; timing.shot += t3 - t2; timing.n += 1;
  if (process.env.RENDER_TIMING) console.log(`${url} ${width}: ${t1 - t0} ${t2 - t1} ${t3 - t2}`);
  return { png: Buffer.from(shot.data, 'base64'), text };
}

// No animation, transition, blinking caret or fading scroll bar: the same
// frame every time.
const stillStyle = `*, *::before, *::after { animation: none !important;
  transition: none !important; caret-color: transparent !important;
  scrollbar-width: none !important; }`;

async function main() {
  fs.mkdirSync(work, { recursive: true });
  fs.rmSync(path.join(work, 'failures'), { recursive: true, force: true });
  const started = Date.now();
  const all = [];
  const list = edgeDir ? [...sources, { pkg: 'edge', root: edgeDir, all: true }] : sources;
  for (const s of list) {
    if (!fs.existsSync(s.root)) throw new Error(`${s.root} is missing (scripts/install-deps-render installs it)`);
    const pages = prepare(s);
    all.push(...pages);
  }
  console.log(`render check: ${all.length} pages, ${widths.length} widths, ${jobs} at a time`);

  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--allow-file-access-from-files', '--font-render-hinting=none', '--hide-scrollbars',
      // Tiles are drawn anew for every page: reused tiles of the page before
      // can differ from fresh ones by a shade at rounded corners.
      '--disable-partial-raster'],
  });
  const context = await browser.newContext({ deviceScaleFactor: 1, reducedMotion: 'reduce',
    viewport: { width: widths[0], height: 900 } });
  // Nothing leaves the machine: a page that names another host gets no answer.
  await context.route(/^(https?|wss?):/, (route) => route.abort());
  // Pages that draw lots (a shuffled list of sponsors) draw the same ones
  // every time.
  await context.addInitScript(() => {
    let seed = 0x2545f491;
    Math.random = () => {
      seed = (seed + 0x6d2b79f5) | 0;
      let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
      t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
      return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
  });
  await context.addInitScript((css) => {
    document.addEventListener('DOMContentLoaded', () => {
      const s = document.createElement('style');
      s.textContent = css;
      (document.head ?? document.documentElement).appendChild(s);
    });
  }, stillStyle);

  const results = [];
  let next = 0;
  const worker = async () => {
    const windows = {};
    for (const width of widths) {
      const page = await context.newPage();
      await page.setViewportSize({ width, height: 900 });
      windows[width] = { page, cdp: await context.newCDPSession(page) };
    }
    for (;;) {
      const i = next++;
      if (i >= all.length) break;
      const p = all[i];
      const r = { pkg: p.pkg, rel: p.rel, bytes: p.bytes, safe: [], dflt: [], textSafe: true, textDflt: true };
      for (const width of widths) {
        const shots = {};
        for (const v of variants) shots[v] = await shoot(windows[width], p.urls[v], width);
        const tag = `${p.pkg}-${p.rel.replace(/[^A-Za-z0-9.]+/g, '_')}-${width}`;
        for (const v of ['safe', 'dflt']) {
          // A difference counts when a second pair of screenshots shows it
          // too (a first paint can still be settling).
          let o = shots.orig;
          let x = shots[v];
          if (!x.png.equals(o.png)) {
            o = await shoot(windows[width], p.urls.orig, width);
            x = await shoot(windows[width], p.urls[v], width);
          }
          // The same encoder gives the same bytes for the same pixels; for
          // safe mode the differing pixels are counted.
          let d = 0;
          if (!x.png.equals(o.png)) d = v === 'safe' ? differingPixels(o.png, x.png, `${tag}-${v}`) : 1;
          r[v].push(d);
          if (x.text !== o.text) r[v === 'safe' ? 'textSafe' : 'textDflt'] = false;
          shots[v] = x;
          shots.orig = o;
          if (v === 'safe' && d !== 0) {
            const dir = path.join(work, 'failures');
            fs.mkdirSync(dir, { recursive: true });
            fs.writeFileSync(path.join(dir, `${tag}-orig.png`), shots.orig.png);
            fs.writeFileSync(path.join(dir, `${tag}-safe.png`), shots.safe.png);
          }
        }
      }
      results.push(r);
      if (results.length % 25 === 0) console.log(`  ${results.length}/${all.length} pages`);
    }
    for (const w of Object.values(windows)) {
      await w.cdp.detach();
      await w.page.close();
    }
  };
  await Promise.all(Array.from({ length: jobs }, worker));
  await browser.close();

  report(results, (Date.now() - started) / 1000);
}

function percent(n, d) {
  return d === 0 ? '-' : `${((100 * n) / d).toFixed(1)} %`;
}

function report(results, seconds) {
  const same = (r, v) => r[v].every((d) => d === 0);
  const lines = [];
  const packages = [...new Set(results.map((r) => r.pkg))];
  lines.push(`Render check: ${results.length} pages from ${packages.length} sources, ` +
    `widths ${widths.join(' and ')} px, ${seconds.toFixed(0)} s`);
  lines.push('');
  lines.push(`${'source'.padEnd(22)} ${'pages'.padStart(5)}  ${'safe same'.padStart(10)}  ` +
    `${'default same'.padStart(12)}  ${'safe size'.padStart(9)}  ${'default size'.padStart(12)}`);
  const row = (name, rs) => {
    const orig = rs.reduce((s, r) => s + r.bytes.orig, 0);
    const safe = rs.reduce((s, r) => s + r.bytes.safe, 0);
    const dflt = rs.reduce((s, r) => s + r.bytes.dflt, 0);
    lines.push(`${name.padEnd(22)} ${String(rs.length).padStart(5)}  ` +
      `${percent(rs.filter((r) => same(r, 'safe')).length, rs.length).padStart(10)}  ` +
      `${percent(rs.filter((r) => same(r, 'dflt')).length, rs.length).padStart(12)}  ` +
      `${percent(orig - safe, orig).padStart(9)}  ${percent(orig - dflt, orig).padStart(12)}`);
  };
  for (const pkg of packages) row(pkg, results.filter((r) => r.pkg === pkg));
  const real = results.filter((r) => r.pkg !== 'edge');
  row('all packages', real);
  lines.push('');
  lines.push('same: every screenshot (both widths) pixel-identical to the original\'s;');
  lines.push('size: bytes saved, in percent of the original pages\' bytes.');
  lines.push(`text: innerText the same as the original's: safe ${percent(real.filter((r) => r.textSafe).length, real.length)},` +
    ` default ${percent(real.filter((r) => r.textDflt).length, real.length)} of the package pages`);
  const failed = results.filter((r) => !same(r, 'safe'));
  if (failed.length > 0) {
    lines.push('');
    lines.push('Safe mode changed what these pages show (pixels differing per width, -1: another size):');
    for (const r of failed) lines.push(`  ${r.pkg}/${r.rel}: ${r.safe.join(', ')}`);
    lines.push(`Screenshots in ${path.join(work, 'failures')}`);
  }
  const text = lines.join('\n');
  console.log(text);
  fs.writeFileSync(path.join(work, 'render-report.txt'), text + '\n');
  fs.writeFileSync(path.join(work, 'render-results.json'), JSON.stringify(results, null, 1));
  process.exitCode = failed.length === 0 ? 0 : 1;
}

main().catch((e) => {
  console.error(`render check: ${e.stack ?? e}`);
  process.exitCode = 2;
});
