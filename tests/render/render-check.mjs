// The render check: pages from Debian's documentation packages and the
// hand-written edge pages of tests/render/pages, each compacted in safe mode
// and in the default mode, are shown by headless chromium at two window
// widths; every screenshot of a compacted copy is compared with the
// original's, pixel for pixel, and the document tree chromium built from a
// safe-mode copy is compared with the original's (see domSnapshot).
//
//   node render-check.mjs --cli PATH --work DIR --node DIR [--per-package N]
//        [--jobs N] [--max-height PX] [--edge DIR] [--only REGEX] [--pkgs DIR]
//
// The three copies of a package (orig, safe, dflt) are trees of symbolic
// links to the installed files, with real files for the chosen pages, at
// paths of the same length, so that style sheets, images and scripts are
// found as beside the original. Nothing is fetched: pages that name
// another host get no answer from it.
//
// Each page is compacted with --base set to its own folder, so that safe
// mode reads the style sheets it links.
//
// Exit status 0 when every safe-mode copy shows exactly what the original
// shows and has the same document tree; the default mode's figures are
// reported, not judged.

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
// Where scripts/install-deps-render unpacked the packages that are not
// installed (their dependencies would bring whole toolchains).
const pkgsDir = args.pkgs ? path.resolve(args.pkgs) : null;
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
  // Generators whose style sheets keep white space by class or element name.
  { pkg: 'libjsoncpp-doc', root: 'usr/share/doc/libjsoncpp-doc', unpacked: true },  // Doxygen
  { pkg: 'libglib2.0-doc', root: 'usr/share/gtk-doc/html/glib', unpacked: true },   // gtk-doc
  { pkg: 'libjsoup-java-doc', root: 'usr/share/doc/libjsoup-java/api', unpacked: true },  // Javadoc
  { pkg: 'libghc-megaparsec-doc', root: 'usr/share/doc/libghc-megaparsec-doc/html', unpacked: true },  // Haddock
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

// Style sheets safe mode could not read, with the pages that name them.
const sheetNotes = new Map();

function compact(bytes, safe, folder, name) {
  const r = spawnSync(cli, safe ? ['--safe', '--base', folder] : [], { input: bytes, maxBuffer: 1 << 30 });
  if (r.status !== 0) throw new Error(`pagetrim-cli failed: ${r.stderr}`);
  for (const line of String(r.stderr).split('\n').filter((l) => l.includes('style sheet not read'))) {
    if (!sheetNotes.has(line)) sheetNotes.set(line, name);
  }
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
    const name = path.join(source.pkg, rel);
    const copies = { orig, safe: compact(orig, true, path.dirname(file), name), dflt: compact(orig, false) };
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
async function shoot({ page, cdp }, url, width, wantDom) {
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
  const dom = wantDom ? await page.evaluate(domSnapshot, domRules) : null;
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
  return { png: Buffer.from(shot.data, 'base64'), text, dom };
}

// The document tree as a list of lines, one per element and per text, each
// with the path of its node (runs in the page). What may differ between an
// original and a safe-mode copy is taken out first, by the rules named in
// Rules (a later mode can add its own):
// - skipComments: comments and processing instructions are not compared
//   (the empty comment "<!---->" goes; no comment is shown);
// - skipGeneratorMeta: the FrontPage Express generator meta tag, which the
//   program's rules take away (it shows nothing and holds nothing);
// - collapseWhiteSpace: the texts between two elements (or element edges)
//   are joined and compared as a browser shows them where the parent's
//   computed white-space-collapse is "collapse" (white-space normal or
//   nowrap): every run of blanks, tabs and line ends is one blank, and a
//   blank at the start or end of a text is no blank where on that side
//   stands the edge of a parent whose content is laid out in lines of its
//   own (any display but inline, contents and ruby: block, inline-block,
//   table cell ...) or an element that is not inline-level (computed
//   display other than inline*): CSS removes
//   white space at the start and end of a line and beside a block, so a
//   blank there is never shown, and no text is joined to another by
//   taking it away. Texts in elements whose white space is kept (pre,
//   pre-wrap, pre-line, break-spaces), and in SCRIPT, STYLE, TEXTAREA,
//   TITLE, XMP, NOSCRIPT and the like, are compared byte for byte. A BR
//   ends a line, so a blank beside it is at a line's edge; white space
//   alone in a SELECT, DATALIST or OPTGROUP is never shown (they show
//   their options).
// Elements are compared by name, attributes (names and values, in order)
// and place; the doctype and the rendering mode (quirks or standards) too.
function domSnapshot(rules) {
  const lines = [];
  const paths = [];
  const exact = new Set(['SCRIPT', 'STYLE', 'TEXTAREA', 'TITLE', 'XMP', 'PLAINTEXT', 'NOSCRIPT', 'IFRAME',
    'NOEMBED', 'NOFRAMES']);
  // What the computed style says of an element, read once and only when a
  // text needs it.
  const seen = new Map();
  const styleOf = (el) => {
    let v = seen.get(el);
    if (v === undefined) {
      const s = getComputedStyle(el);
      const d = s.display;
      // white-space says it for the usual values; white-space-collapse
      // (slower to read) for the rest.
      const w = s.whiteSpace;
      let collapsing = w === 'normal' || w === 'nowrap';
      if (!collapsing && !w.startsWith('pre') && w !== 'break-spaces') {
        const c = s.whiteSpaceCollapse;
        collapsing = c === undefined || c === '' || c === 'collapse';
      }
      // inline: an inline-level box beside a text; lines: its content is
      // laid out in lines of its own (block, inline-block, table cell ...).
      const lines = d !== 'inline' && d !== 'contents' && !d.startsWith('ruby');
      // A shown BR ends a line: a blank beside it is at a line's edge.
      const inline = (d.startsWith('inline') || d === 'contents' || d.startsWith('ruby')) && el.localName !== 'br';
      v = { inline, lines, collapses: collapsing };
      seen.set(el, v);
    }
    return v;
  };
  const inlineLevel = (el) => styleOf(el).inline;
  const ownLines = (el) => styleOf(el).lines;
  const collapses = (el) => styleOf(el).collapses;
  const skipped = (n) => {
    if (n.nodeType === Node.COMMENT_NODE || n.nodeType === Node.PROCESSING_INSTRUCTION_NODE) return rules.skipComments;
    if (rules.skipGeneratorMeta && n.nodeType === Node.ELEMENT_NODE && n.localName === 'meta' &&
        n.getAttribute('name') === 'GENERATOR' && n.getAttribute('content') === 'Microsoft FrontPage Express 2.0' &&
        n.attributes.length === 2) return true;
    return false;
  };
  const describe = (el) => {
    let d = `<${el.nodeName.toLowerCase()}`;
    for (const a of el.attributes) d += ` ${a.name}=${JSON.stringify(a.value)}`;
    return `${d}>`;
  };
  const walk = (el, where) => {
    paths.push(where);
    lines.push(describe(el));
    const parent = el.content instanceof DocumentFragment ? el.content : el;
    const items = [];
    for (const n of parent.childNodes) {
      if (skipped(n)) continue;
      if (n.nodeType === Node.TEXT_NODE || n.nodeType === Node.CDATA_SECTION_NODE) {
        if (items.length > 0 && typeof items[items.length - 1] === 'string') items[items.length - 1] += n.data;
        else items.push(n.data);
      } else if (n.nodeType === Node.ELEMENT_NODE) {
        items.push(n);
      }
    }
    // SELECT, DATALIST and OPTGROUP show their options, never their texts.
    const optionsOnly = el.localName === 'select' || el.localName === 'datalist' || el.localName === 'optgroup';
    let keep = null;
    const keeps = () => (keep ??= !rules.collapseWhiteSpace || exact.has(el.nodeName.toUpperCase()) || !collapses(el));
    let index = 0;
    items.forEach((item, i) => {
      if (typeof item !== 'string') {
        walk(item, `${where}>${item.nodeName.toLowerCase()}:${index++}`);
        return;
      }
      let t = item;
      if (optionsOnly && rules.collapseWhiteSpace && /^[ \t\n\r\f]*$/.test(t)) return;
      if (!keeps()) {
        t = t.replace(/[ \t\n\r\f]+/g, ' ');
        const before = i > 0 ? items[i - 1] : null;
        const after = i + 1 < items.length ? items[i + 1] : null;
        if (t.startsWith(' ') && (before === null ? ownLines(el) : !inlineLevel(before))) t = t.slice(1);
        if (t.endsWith(' ') && (after === null ? ownLines(el) : !inlineLevel(after))) t = t.slice(0, -1);
      }
      if (t !== '') {
        paths.push(`${where}>#text`);
        lines.push(JSON.stringify(t));
      }
    });
  };
  const dt = document.doctype;
  paths.push('#doctype', '#mode');
  lines.push(dt ? `${dt.name} ${dt.publicId} ${dt.systemId}` : 'none', document.compatMode);
  if (document.documentElement) walk(document.documentElement, document.documentElement.nodeName.toLowerCase());
  // One text each: quicker to hand over and to compare than a list.
  return { lines: lines.join('\n'), paths: paths.join('\n') };
}

const domRules = { skipComments: true, skipGeneratorMeta: true, collapseWhiteSpace: true };

// The first line in which two snapshots differ, as a text, or null.
function domDifference(a, b) {
  if (a.lines === b.lines && a.paths === b.paths) return null;
  const la = a.lines.split('\n');
  const lb = b.lines.split('\n');
  const pa = a.paths.split('\n');
  const pb = b.paths.split('\n');
  const cut = (s) => (s.length > 160 ? `${s.slice(0, 160)}...` : s);
  for (let i = 0; i < Math.max(la.length, lb.length); ++i) {
    if (la[i] === lb[i] && pa[i] === pb[i]) continue;
    const where = pa[i] ?? pb[i];
    const theirs = lb[i] === undefined ? '(nothing)' : `${pb[i] === where ? '' : `${pb[i]} `}${cut(lb[i])}`;
    return `at ${where}: original ${la[i] === undefined ? '(nothing)' : cut(la[i])}, safe mode ${theirs}`;
  }
  return null;
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
    if (s.unpacked) {
      if (pkgsDir === null) throw new Error(`--pkgs is needed for ${s.pkg}`);
      s.root = path.join(pkgsDir, s.pkg, s.root);
    }
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
  // every time, and pages that read the clock (menus that name their
  // elements after it) read the same time.
  await context.addInitScript(() => {
    const fixed = 1700000000000;
    const RealDate = Date;
    // eslint-disable-next-line no-global-assign
    Date = class extends RealDate {
      constructor(...a) {
        if (a.length === 0) super(fixed);
        else super(...a);
      }

      static now() { return fixed; }
    };
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
      const r = { pkg: p.pkg, rel: p.rel, bytes: p.bytes, safe: [], dflt: [], textSafe: true, textDflt: true,
        domSafe: null };
      for (const width of widths) {
        const shots = {};
        for (const v of variants) shots[v] = await shoot(windows[width], p.urls[v], width, v !== 'dflt');
        const tag = `${p.pkg}-${p.rel.replace(/[^A-Za-z0-9.]+/g, '_')}-${width}`;
        for (const v of ['safe', 'dflt']) {
          // A difference counts when a second pair of screenshots shows it
          // too (a first paint can still be settling).
          let o = shots.orig;
          let x = shots[v];
          if (!x.png.equals(o.png)) {
            o = await shoot(windows[width], p.urls.orig, width, true);
            x = await shoot(windows[width], p.urls[v], width, v !== 'dflt');
          }
          if (v === 'safe' && r.domSafe === null) {
            const diff = domDifference(o.dom, x.dom);
            if (diff !== null) r.domSafe = `${width} px, ${diff}`;
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
      // Pages that fail are named at once: a long run need not be waited for.
      if (r.domSafe !== null) console.log(`  document tree differs: ${p.pkg}/${p.rel}: ${r.domSafe}`);
      if (!r.safe.every((d) => d === 0)) console.log(`  pixels differ: ${p.pkg}/${p.rel}: ${r.safe.join(', ')}`);
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
  lines.push(`dom: document tree the same as the original's (safe mode): ` +
    `${percent(real.filter((r) => r.domSafe === null).length, real.length)} of the package pages, ` +
    `${percent(results.filter((r) => r.pkg === 'edge' && r.domSafe === null).length, results.filter((r) => r.pkg === 'edge').length)} of the edge pages`);
  if (sheetNotes.size > 0) {
    lines.push('');
    lines.push(`Style sheets safe mode could not read (${sheetNotes.size}; first page that names each):`);
    for (const [line, page] of [...sheetNotes].slice(0, 20)) lines.push(`  ${page}: ${line.replace(/^.*style sheet not read: /, '')}`);
  }
  const domFailed = results.filter((r) => r.domSafe !== null);
  if (domFailed.length > 0) {
    lines.push('');
    lines.push('Safe mode changed the document tree of these pages (first differing node):');
    for (const r of domFailed) lines.push(`  ${r.pkg}/${r.rel}: ${r.domSafe}`);
  }
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
  process.exitCode = failed.length === 0 && domFailed.length === 0 ? 0 : 1;
}

main().catch((e) => {
  console.error(`render check: ${e.stack ?? e}`);
  process.exitCode = 2;
});
