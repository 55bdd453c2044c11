// The render check: pages from Debian's documentation packages and the
// hand-written edge pages of tests/render/pages, each compacted in safe mode,
// in best mode and by the default rules, are shown by headless chromium at
// two window widths; every screenshot of a compacted copy is compared with
// the original's, pixel for pixel, and the document tree chromium built
// from a safe-mode or best-mode copy is compared with the original's (see
// domSnapshot and domDifference).
//
//   node render-check.mjs --cli PATH --work DIR --node DIR [--per-package N]
//        [--jobs N] [--max-height PX] [--edge DIR] [--only REGEX] [--pkgs DIR]
//        [--peers bytes|render] [--sources FILE]
//
// The copies of a package (orig, safe, best, dflt, and the peers' when they
// are rendered) are trees of symbolic links to the installed files, with
// real files for the chosen pages, at paths of the same length, so that
// style sheets, images and scripts are found as beside the original.
// Nothing is fetched: pages that name another host get no answer from it.
//
// Each page is compacted with --base set to its own folder, so that safe
// and best mode read the style sheets it links.
//
// Peers: three well-known minifiers compact every page too (Debian's
// minify, html-minifier-terser with the options its README recommends,
// @minify-html/node with its defaults), for the bytes table; with --peers
// render their copies are rendered and compared as well.
//
// Exit status 0 when every safe-mode and best-mode copy shows exactly what
// the original shows and has the same document tree (best mode: but for
// what its reductions may change, see bestRules); the default rules' and
// the peers' figures are reported, not judged.

import { createRequire } from 'node:module';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

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
const renderPeers = (args.peers ?? 'bytes') === 'render';
// The modes whose copies must show and hold what the original does.
const judged = ['safe', 'best'];
const peers = ['minify', 'terser', 'mhtml'];
const modes = ['safe', 'best', 'dflt', ...peers];
const peerNames = { minify: 'minify 2 (Debian)', terser: 'html-minifier-terser', mhtml: '@minify-html/node' };
const modeNames = { safe: 'pagetrim --safe', best: 'pagetrim --best', dflt: 'pagetrim (default rules)', ...peerNames };
const variants = ['orig', 'safe', 'best', 'dflt', ...(renderPeers ? peers : [])];

// Where each package keeps its pages; under is a folder of the root that
// holds the pages (the rest of the root holds what they refer to);
// unpacked: the root lies in --pkgs/PKG. --sources names a JSON file with
// another such list (tests/render/other-sources.json: generators that
// played no part in building safe and best mode).
const builtInSources = [
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
const sources = args.sources ? JSON.parse(fs.readFileSync(args.sources, 'utf8')) : builtInSources;

const require = createRequire(import.meta.url);
const { chromium } = require(path.join(nodeDir, 'node_modules', 'playwright-core'));
const acorn = require(path.join(nodeDir, 'node_modules', 'acorn'));
const terser = require(path.join(nodeDir, 'node_modules', 'html-minifier-terser'));
const minifyHtml = require(path.join(nodeDir, 'node_modules', '@minify-html', 'node'));

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

// Edge pages whose own scripts read the text of their scripts or style
// sheets and show it: best mode changes that text by design, so these
// pages get it with the flags that keep it, as their authors would run it.
const bestFlags = {
  'edge/pre-like.html': ['--keep-css'],
  'edge/scripts.html': ['--keep-css', '--keep-js'],
};

function compact(bytes, mode, folder, name) {
  const flags = { safe: ['--safe', '--base', folder], best: ['--best', ...(bestFlags[name] ?? []), '--base', folder],
    dflt: [] }[mode];
  const r = spawnSync(cli, flags, { input: bytes, maxBuffer: 1 << 30 });
  if (r.status !== 0) throw new Error(`pagetrim-cli ${flags.join(' ')} failed on ${name}: ${r.stderr}`);
  for (const line of String(r.stderr).split('\n').filter((l) => l.includes('style sheet not read'))) {
    if (!sheetNotes.has(line)) sheetNotes.set(line, name);
  }
  return r.stdout;
}

// A peer's copy of a page; one that fails on a page leaves it as it is
// (and is counted as saving nothing there).
const peerFailures = new Map(peers.map((p) => [p, 0]));
async function peerCompact(peer, bytes) {
  try {
    if (peer === 'minify') {
      const r = spawnSync('minify', ['--type', 'html'], { input: bytes, maxBuffer: 1 << 30 });
      if (r.status !== 0) throw new Error(String(r.stderr));
      return r.stdout;
    }
    if (peer === 'mhtml') return Buffer.from(minifyHtml.minify(bytes, {}));
    // latin1 carries every byte through unchanged, whatever the encoding.
    const out = await terser.minify(bytes.toString('latin1'), {
      collapseWhitespace: true, removeComments: true, removeRedundantAttributes: true,
      removeScriptTypeAttributes: true, removeStyleLinkTypeAttributes: true, useShortDoctype: true,
      minifyCSS: true, minifyJS: true });
    return Buffer.from(out, 'latin1');
  } catch {
    peerFailures.set(peer, peerFailures.get(peer) + 1);
    return bytes;
  }
}

const gzipSize = (b) => zlib.gzipSync(b, { level: 9 }).length;

// Builds the trees of a package and returns its pages.
async function prepare(source) {
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
    const copies = { orig };
    for (const m of ['safe', 'best', 'dflt']) copies[m] = compact(orig, m, path.dirname(file), name);
    for (const m of peers) copies[m] = await peerCompact(m, orig);
    const page = { pkg: source.pkg, rel, bytes: {}, gzip: {}, urls: {} };
    for (const v of ['orig', ...modes]) {
      page.bytes[v] = copies[v].length;
      page.gzip[v] = gzipSize(copies[v]);
    }
    for (const v of variants) {
      const target = path.join(work, 'trees', v, source.pkg, rel);
      fs.rmSync(target, { force: true });
      fs.writeFileSync(target, copies[v]);
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
async function shoot({ page, cdp }, url, width, doms) {
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
  const dom = {};
  for (const d of doms) dom[d] = await page.evaluate(domSnapshot, d === 'best' ? bestRules : domRules);
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
// Best mode's reductions are discounted by these rules (bestRules):
// - bestAttributes: on both sides, the attributes best mode may take away
//   are left out (SCRIPT's type when it names JavaScript and its language,
//   STYLE's type and a stylesheet LINK's type when "text/css", FORM's
//   method when "get", A's name when it equals its id), and a boolean
//   attribute's value is not compared (checked="checked" is checked);
// - cssom: a style attribute is compared as the declarations the browser
//   read from it (style.cssText), a STYLE element's text as the rules the
//   browser read from it (cssRules), so white space and comments that CSS
//   does not read may differ;
// - scriptKinds: a SCRIPT's text is marked with how the browser runs it
//   (classic, module, JSON, or not at all), and domDifference compares a
//   classic or module script by acorn's tokens, a JSON one by its value;
// - shortDoctype: in standards mode the doctype's public and system
//   identifiers are not compared (the mode itself is).
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
  const jsTypes = new Set(['', 'application/ecmascript', 'application/javascript', 'application/x-ecmascript',
    'application/x-javascript', 'text/ecmascript', 'text/javascript', 'text/javascript1.0', 'text/javascript1.1',
    'text/javascript1.2', 'text/javascript1.3', 'text/javascript1.4', 'text/javascript1.5', 'text/jscript',
    'text/livescript', 'text/x-ecmascript', 'text/x-javascript']);
  const booleans = new Set(['allowfullscreen', 'async', 'autofocus', 'autoplay', 'checked', 'controls', 'default',
    'defer', 'disabled', 'formnovalidate', 'inert', 'ismap', 'itemscope', 'loop', 'multiple', 'muted', 'nomodule',
    'novalidate', 'open', 'playsinline', 'readonly', 'required', 'reversed', 'selected',
    'compact', 'nohref', 'noresize', 'noshade', 'nowrap']);
  const scriptType = (el) => (el.getAttribute('type') ?? '').trim().toLowerCase();
  const scriptKind = (el) => {
    if (!el.hasAttribute('type') && el.hasAttribute('language')) return 'other';
    const t = scriptType(el);
    if (jsTypes.has(t)) return 'classic';
    if (t === 'module') return 'module';
    if (t === 'application/json' || t === 'application/ld+json' || t === 'importmap') return 'json';
    return 'other';
  };
  const dropped = (el, a) => {
    const n = el.localName;
    const v = a.value.trim().toLowerCase();
    if (n === 'script') return a.name === 'language' || (a.name === 'type' && jsTypes.has(v));
    if (a.name === 'type' && n === 'style') return v === 'text/css';
    if (a.name === 'type' && n === 'link') return v === 'text/css' && /(^|\s)stylesheet(\s|$)/i.test(el.rel);
    if (n === 'form' && a.name === 'method') return v === 'get';
    return n === 'a' && a.name === 'name' && a.value === el.getAttribute('id');
  };
  const describe = (el) => {
    let d = `<${el.nodeName.toLowerCase()}`;
    for (const a of el.attributes) {
      if (rules.bestAttributes && dropped(el, a)) continue;
      let v = a.value;
      if (rules.bestAttributes && booleans.has(a.name)) v = '';
      else if (rules.cssom && a.name === 'style' && el.style) v = el.style.cssText;
      d += ` ${a.name}=${JSON.stringify(v)}`;
    }
    if (rules.scriptKinds && el.localName === 'script') d += ` (${scriptKind(el)})`;
    return `${d}>`;
  };
  // The rules the browser read from a STYLE element, or null.
  const readRules = (el) => {
    try {
      return el.sheet ? [...el.sheet.cssRules].map((r) => r.cssText).join('\n') : null;
    } catch {
      return null;
    }
  };
  const walk = (el, where) => {
    paths.push(where);
    lines.push(describe(el));
    const parent = el.content instanceof DocumentFragment ? el.content : el;
    const items = [];
    const cssomText = rules.cssom && el.localName === 'style' ? readRules(el) : null;
    if (cssomText !== null) {
      paths.push(`${where}>#rules`);
      lines.push(JSON.stringify(cssomText));
      return;
    }
    // A script's text is one line, empty or not: a script of white space
    // alone may become one without text.
    if (rules.scriptKinds && el.localName === 'script') {
      paths.push(`${where}>#text`);
      lines.push(JSON.stringify(el.text));
      return;
    }
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
  const ids = dt && !(rules.shortDoctype && document.compatMode === 'CSS1Compat') ? ` ${dt.publicId} ${dt.systemId}` : '';
  lines.push(dt ? `${dt.name}${ids}` : 'none', document.compatMode);
  if (document.documentElement) walk(document.documentElement, document.documentElement.nodeName.toLowerCase());
  // One text each: quicker to hand over and to compare than a list.
  return { lines: lines.join('\n'), paths: paths.join('\n') };
}

const domRules = { skipComments: true, skipGeneratorMeta: true, collapseWhiteSpace: true };
const bestRules = { ...domRules, bestAttributes: true, cssom: true, scriptKinds: true, shortDoctype: true };

// acorn's tokens of a script, as one text, or null when acorn cannot read it.
function scriptTokens(text, module) {
  try {
    const out = [];
    for (const t of acorn.tokenizer(text, { ecmaVersion: 'latest', sourceType: module ? 'module' : 'script',
      allowHashBang: true })) {
      const v = t.value && typeof t.value === 'object' ? `/${t.value.pattern}/${t.value.flags}` : t.value;
      out.push(`${t.type.label} ${typeof v === 'bigint' ? `${v}n` : v}`);
    }
    return out.join('\n');
  } catch {
    return null;
  }
}

function jsonValue(text) {
  try {
    return JSON.stringify(JSON.parse(text));
  } catch {
    return null;
  }
}

// Whether two differing lines of a best-mode snapshot are the text of the
// same script, equal as a browser runs it: a classic or module script with
// the same tokens (comments and white space aside), a JSON one with the same
// value. Kind is the script element's line before the text.
function sameScript(kind, a, b) {
  const m = /\((classic|module|json)\)>$/.exec(kind ?? '');
  if (m === null) return false;
  const ta = JSON.parse(a);
  const tb = JSON.parse(b);
  if (m[1] === 'json') return jsonValue(ta) !== null && jsonValue(ta) === jsonValue(tb);
  const x = scriptTokens(ta, m[1] === 'module');
  return x !== null && x === scriptTokens(tb, m[1] === 'module');
}

// The first line in which two snapshots differ, as a text, or null; Mode
// names the copy. In a best-mode copy a script's text may differ as
// sameScript allows.
function domDifference(a, b, mode) {
  if (a.lines === b.lines && a.paths === b.paths) return null;
  const la = a.lines.split('\n');
  const lb = b.lines.split('\n');
  const pa = a.paths.split('\n');
  const pb = b.paths.split('\n');
  const cut = (s) => (s.length > 160 ? `${s.slice(0, 160)}...` : s);
  for (let i = 0; i < Math.max(la.length, lb.length); ++i) {
    if (la[i] === lb[i] && pa[i] === pb[i]) continue;
    if (mode === 'best' && pa[i] === pb[i] && la[i] !== undefined && lb[i] !== undefined &&
        pa[i].endsWith('>#text') && /^script:[0-9]+$/.test(pa[i].split('>').at(-2)) &&
        sameScript(la[i - 1], la[i], lb[i])) continue;
    const where = pa[i] ?? pb[i];
    const theirs = lb[i] === undefined ? '(nothing)' : `${pb[i] === where ? '' : `${pb[i]} `}${cut(lb[i])}`;
    return `at ${where}: original ${la[i] === undefined ? '(nothing)' : cut(la[i])}, ${mode} mode ${theirs}`;
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
    const pages = await prepare(s);
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
      const r = { pkg: p.pkg, rel: p.rel, bytes: p.bytes, gzip: p.gzip, pixels: {}, text: {}, dom: {} };
      const shown = variants.filter((v) => v !== 'orig');
      for (const v of shown) r.pixels[v] = [];
      // The trees taken from each copy: the original's by the rules of
      // every judged mode.
      const doms = (v) => (v === 'orig' ? judged : judged.includes(v) ? [v] : []);
      for (const width of widths) {
        const shots = {};
        for (const v of variants) shots[v] = await shoot(windows[width], p.urls[v], width, doms(v));
        const tag = `${p.pkg}-${p.rel.replace(/[^A-Za-z0-9.]+/g, '_')}-${width}`;
        for (const v of shown) {
          // A difference counts when a second pair of screenshots shows it
          // too (a first paint can still be settling). For the judged modes
          // the same holds for the tree and the text, which a page's own
          // scripts may still be changing after the load event.
          let o = shots.orig;
          let x = shots[v];
          const judgedDiffers = () => judged.includes(v) &&
            (x.text !== o.text || domDifference(o.dom[v], x.dom[v], v) !== null);
          if (!x.png.equals(o.png) || judgedDiffers()) {
            o = await shoot(windows[width], p.urls.orig, width, doms('orig'));
            x = await shoot(windows[width], p.urls[v], width, doms(v));
          }
          if (judged.includes(v) && r.dom[v] === undefined) {
            const diff = domDifference(o.dom[v], x.dom[v], v);
            if (diff !== null) r.dom[v] = `${width} px, ${diff}`;
          }
          // The same encoder gives the same bytes for the same pixels; for
          // the judged modes the differing pixels are counted.
          let d = 0;
          if (!x.png.equals(o.png)) d = judged.includes(v) ? differingPixels(o.png, x.png, `${tag}-${v}`) : 1;
          r.pixels[v].push(d);
          if (x.text !== o.text) r.text[v] = false;
          shots[v] = x;
          shots.orig = o;
          if (judged.includes(v) && d !== 0) {
            const dir = path.join(work, 'failures');
            fs.mkdirSync(dir, { recursive: true });
            fs.writeFileSync(path.join(dir, `${tag}-orig.png`), shots.orig.png);
            fs.writeFileSync(path.join(dir, `${tag}-${v}.png`), x.png);
          }
        }
      }
      results.push(r);
      // Pages that fail are named at once: a long run need not be waited for.
      for (const v of judged) {
        if (r.dom[v] !== undefined) console.log(`  document tree differs (${v}): ${p.pkg}/${p.rel}: ${r.dom[v]}`);
        if (!r.pixels[v].every((d) => d === 0)) {
          console.log(`  pixels differ (${v}): ${p.pkg}/${p.rel}: ${r.pixels[v].join(', ')}`);
        }
      }
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
  const same = (r, v) => r.pixels[v].every((d) => d === 0);
  const shown = variants.filter((v) => v !== 'orig');
  const lines = [];
  const packages = [...new Set(results.map((r) => r.pkg))];
  const real = results.filter((r) => r.pkg !== 'edge');
  const edge = results.filter((r) => r.pkg === 'edge');
  const sum = (rs, key, v) => rs.reduce((n, r) => n + r[key][v], 0);
  const saved = (rs, key, v) => percent(sum(rs, key, 'orig') - sum(rs, key, v), sum(rs, key, 'orig'));
  lines.push(`Render check: ${results.length} pages from ${packages.length} sources, ` +
    `widths ${widths.join(' and ')} px, ${seconds.toFixed(0)} s`);
  lines.push('');
  lines.push('Pages shown pixel-identical at both widths, and bytes saved (raw), per source:');
  lines.push(`${'source'.padEnd(22)} ${'pages'.padStart(5)}` +
    shown.map((v) => `  ${`${v} same`.padStart(12)}`).join('') + modes.map((v) => `  ${`${v} size`.padStart(11)}`).join(''));
  const row = (name, rs) => {
    lines.push(`${name.padEnd(22)} ${String(rs.length).padStart(5)}` +
      shown.map((v) => `  ${percent(rs.filter((r) => same(r, v)).length, rs.length).padStart(12)}`).join('') +
      modes.map((v) => `  ${saved(rs, 'bytes', v).padStart(11)}`).join(''));
  };
  for (const pkg of packages) row(pkg, results.filter((r) => r.pkg === pkg));
  row('all packages', real);
  lines.push('');
  lines.push(`On the ${real.length} package pages (${sum(real, 'bytes', 'orig')} bytes, ` +
    `${sum(real, 'gzip', 'orig')} after gzip -9):`);
  lines.push(`${'mode'.padEnd(26)} ${'saved raw'.padStart(10)} ${'after gzip'.padStart(10)} ${'pages same'.padStart(11)}`);
  for (const v of modes) {
    const pagesSame = shown.includes(v) ? `${real.filter((r) => same(r, v)).length}/${real.length}` : 'not shown';
    lines.push(`${modeNames[v].padEnd(26)} ${saved(real, 'bytes', v).padStart(10)} ${saved(real, 'gzip', v).padStart(10)} ` +
      `${pagesSame.padStart(11)}`);
  }
  for (const [peer, n] of peerFailures) if (n > 0) lines.push(`(${peerNames[peer]} failed on ${n} pages, counted as saving nothing)`);
  lines.push('');
  lines.push('same: every screenshot (both widths) pixel-identical to the original\'s;');
  lines.push('size, saved: bytes saved, in percent of the original pages\' bytes.');
  lines.push('text: innerText the same as the original\'s: ' +
    shown.map((v) => `${v} ${percent(real.filter((r) => r.text[v] !== false).length, real.length)}`).join(', ') +
    ' of the package pages');
  for (const v of judged) {
    lines.push(`dom (${v}): document tree the same as the original's: ` +
      `${percent(real.filter((r) => r.dom[v] === undefined).length, real.length)} of the package pages, ` +
      `${percent(edge.filter((r) => r.dom[v] === undefined).length, edge.length)} of the edge pages`);
  }
  if (sheetNotes.size > 0) {
    lines.push('');
    lines.push(`Style sheets safe mode could not read (${sheetNotes.size}; first page that names each):`);
    for (const [line, page] of [...sheetNotes].slice(0, 20)) lines.push(`  ${page}: ${line.replace(/^.*style sheet not read: /, '')}`);
  }
  let failures = 0;
  for (const v of judged) {
    const domFailed = results.filter((r) => r.dom[v] !== undefined);
    if (domFailed.length > 0) {
      lines.push('');
      lines.push(`The ${v} mode changed the document tree of these pages (first differing node):`);
      for (const r of domFailed) lines.push(`  ${r.pkg}/${r.rel}: ${r.dom[v]}`);
    }
    const failed = results.filter((r) => !same(r, v));
    if (failed.length > 0) {
      lines.push('');
      lines.push(`The ${v} mode changed what these pages show (pixels differing per width, -1: another size):`);
      for (const r of failed) lines.push(`  ${r.pkg}/${r.rel}: ${r.pixels[v].join(', ')}`);
      lines.push(`Screenshots in ${path.join(work, 'failures')}`);
    }
    failures += domFailed.length + failed.length;
  }
  const text = lines.join('\n');
  console.log(text);
  fs.writeFileSync(path.join(work, 'render-report.txt'), text + '\n');
  fs.writeFileSync(path.join(work, 'render-results.json'), JSON.stringify(results, null, 1));
  process.exitCode = failures === 0 ? 0 : 1;
}

main().catch((e) => {
  console.error(`render check: ${e.stack ?? e}`);
  process.exitCode = 2;
});
