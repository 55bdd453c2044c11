// The parser check of the script minifier (scripts/check-js-min): every
// JavaScript file of a corpus is minified by the program's minifier
// (js_minify_files) and both texts are parsed by acorn, a real parser:
// for every file the minifier changed, the token streams (type and value,
// comments and white space left out) and the syntax trees (positions left
// out, so a changed automatic semicolon would show) must be equal.
//
//   node js-tokens.mjs --node DIR --minifier BIN --work DIR --corpus DIR...
//
// --node: the folder acorn was installed into (npm install --prefix DIR).
// Files are taken once by content; a file that acorn parses neither as a
// script nor as a module is counted and left out. A file holding what makes
// the minifier leave a script alone in a page ("<!--", "-->", "<script",
// "</script", "<%", "%>") is also checked as a variant in which those are
// defused (a character put in or replaced), when that variant still parses.

import { createHash } from 'node:crypto';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

function parseArgs(argv) {
  const args = { corpus: [] };
  for (let i = 2; i < argv.length; i++) {
    const a = argv[i];
    const next = () => argv[++i];
    if (a === '--node') args.node = next();
    else if (a === '--minifier') args.minifier = next();
    else if (a === '--work') args.work = next();
    else if (a === '--corpus') args.corpus.push(next());
    else throw new Error(`unknown argument ${a}`);
  }
  if (!args.node || !args.minifier || !args.work || args.corpus.length === 0)
    throw new Error('usage: js-tokens.mjs --node DIR --minifier BIN --work DIR --corpus DIR...');
  return args;
}

const args = parseArgs(process.argv);
const require = createRequire(path.resolve(args.node, 'package.json'));
const acorn = require('acorn');

function walk(dir, out) {
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) walk(full, out);
    else if (entry.isFile() && /\.(m|c)?js$/.test(entry.name)) out.push(full);
  }
  return out;
}

const htmlLike = /<!--|-->|<\/?script|<%|%>/i;
function defuse(text) {
  return text
    .replace(/<!--/g, '<!-_')
    .replace(/-->/g, '-_>')
    .replace(/<(\/?)script/gi, '<$1scr_pt')
    .replace(/<%/g, '<_%')
    .replace(/%>/g, '%_>');
}

function parseWith(text, sourceType, onToken) {
  return acorn.parse(text, {
    ecmaVersion: 'latest',
    sourceType,
    allowHashBang: true,
    allowReturnOutsideFunction: sourceType === 'script',
    onToken,
  });
}

// The tokens of Text as [type, value] pairs and its tree without positions.
function analyse(text, sourceType) {
  const tokens = [];
  const ast = parseWith(text, sourceType, (t) => {
    let value = t.value;
    if (t.type.label === 'regexp') value = `/${value.pattern}/${value.flags}`;
    else if (typeof value === 'bigint') value = `${value}n`;
    tokens.push([t.type.label, value]);
  });
  const tree = JSON.stringify(ast, (k, v) => {
    if (k === 'start' || k === 'end' || k === 'loc' || k === 'range') return undefined;
    if (typeof v === 'bigint') return `${v}n`;
    return v;
  });
  return { tokens, tree };
}

function firstTokenDifference(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; i++)
    if (a[i][0] !== b[i][0] || a[i][1] !== b[i][1])
      return `token ${i}: ${JSON.stringify(a[i])} became ${JSON.stringify(b[i])}`;
  return a.length === b.length ? null : `token count ${a.length} became ${b.length}`;
}

const work = path.resolve(args.work);
const srcDir = path.join(work, 'src');
const outDir = path.join(work, 'out');
fs.rmSync(srcDir, { recursive: true, force: true });
fs.rmSync(outDir, { recursive: true, force: true });
fs.mkdirSync(srcDir, { recursive: true });

// The files to check: unique by content, with the kind acorn reads them as.
const seen = new Set();
const items = [];
let found = 0;
let unparsable = 0;
let duplicates = 0;
for (const root of args.corpus) {
  for (const file of walk(root, []).sort()) {
    found++;
    const text = fs.readFileSync(file, 'latin1');
    const hash = createHash('sha1').update(text, 'latin1').digest('hex');
    if (seen.has(hash)) {
      duplicates++;
      continue;
    }
    seen.add(hash);
    const variants = [{ text, label: file }];
    if (htmlLike.test(text)) variants.push({ text: defuse(text), label: `${file} (defused)` });
    for (const v of variants) {
      let sourceType = null;
      for (const kind of ['script', 'module']) {
        try {
          parseWith(Buffer.from(v.text, 'latin1').toString('utf8'), kind);
          sourceType = kind;
          break;
        } catch {
          // try the other kind
        }
      }
      if (sourceType === null) {
        if (v === variants[0]) unparsable++;
        continue;
      }
      const index = items.length;
      const name = path.join(srcDir, `${index}.js`);
      fs.writeFileSync(name, v.text, 'latin1');
      items.push({ index, label: v.label, name, sourceType, text: v.text });
    }
  }
}

// Minify them, scripts and modules apart, a few hundred files a call.
for (const kind of ['script', 'module']) {
  const group = items.filter((it) => it.sourceType === kind);
  for (let i = 0; i < group.length; i += 200) {
    const chunk = group.slice(i, i + 200);
    const dir = path.join(outDir, `${kind}-${i}`);
    const flags = kind === 'module' ? ['--module'] : [];
    const run = spawnSync(args.minifier, [...flags, dir, ...chunk.map((it) => it.name)], {
      encoding: 'utf8',
      maxBuffer: 64 << 20,
    });
    if (run.status !== 0) throw new Error(`${args.minifier} failed: ${run.stderr}`);
    const lines = run.stdout.trim().split('\n');
    lines.forEach((line, k) => {
      const [idx, outcome, changed, before, after] = line.split('\t');
      Object.assign(chunk[k], {
        outcome,
        changed: changed === '1',
        before: Number(before),
        after: Number(after),
        out: path.join(dir, `${idx}.js`),
      });
    });
  }
}

const outcomes = {};
let changed = 0;
let bytesBefore = 0;
let bytesAfter = 0;
let tokensEqual = 0;
let treesEqual = 0;
const failures = [];
for (const it of items) {
  outcomes[it.outcome] = (outcomes[it.outcome] || 0) + 1;
  if (it.outcome !== 'minified' || !it.changed) continue;
  changed++;
  bytesBefore += it.before;
  bytesAfter += it.after;
  const original = analyse(Buffer.from(it.text, 'latin1').toString('utf8'), it.sourceType);
  let minified;
  try {
    minified = analyse(fs.readFileSync(it.out, 'utf8'), it.sourceType);
  } catch (e) {
    failures.push(`${it.label}: the minified text does not parse: ${e.message}`);
    continue;
  }
  const diff = firstTokenDifference(original.tokens, minified.tokens);
  if (diff === null) tokensEqual++;
  else failures.push(`${it.label}: ${diff}`);
  if (original.tree === minified.tree) treesEqual++;
  else if (diff === null) failures.push(`${it.label}: same tokens, different syntax tree`);
}

const pct = bytesBefore ? ((100 * (bytesBefore - bytesAfter)) / bytesBefore).toFixed(1) : '0';
const report = [
  `files found ${found}, duplicates ${duplicates}, unparsable ${unparsable}, checked ${items.length}` +
    ` (scripts ${items.filter((i) => i.sourceType === 'script').length},` +
    ` modules ${items.filter((i) => i.sourceType === 'module').length})`,
  `outcomes: ${Object.entries(outcomes).map(([k, v]) => `${k} ${v}`).join(', ')}`,
  `changed ${changed}: ${bytesBefore} -> ${bytesAfter} bytes (${pct} % saved)`,
  `acorn: tokens equal ${tokensEqual}/${changed}, syntax trees equal ${treesEqual}/${changed}`,
  ...failures.map((f) => `FAILED ${f}`),
].join('\n');
fs.writeFileSync(path.join(work, 'report.txt'), `${report}\n`);
console.log(report);
process.exit(failures.length === 0 && changed > 0 ? 0 : 1);
