// The template corpus check: real server templates from Debian packages
// (PHP applications, JSP and ASP.NET examples, Rails generators and YARD's
// ERB templates), each compacted in safe mode and in best mode; every server
// block must come out byte for byte, in order, and no file may grow. PHP
// templates are also read by PHP's own tokenizer, before and after: the code
// it finds must be the same, token for token. For comparison the bytes that
// html-minifier-terser saves on the same templates (with the options the
// render check gives it) are reported beside, not judged.
//
//   node template-check.mjs --cli PATH --root DIR --work DIR [--php FILE] [--node DIR]
//
// --node: the folder html-minifier-terser was installed into (npm).
// DIR holds one folder per package (scripts/unpack-debs) and PACKAGE.version
// beside it. Exit status 0 when every block of every template is kept.

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const args = {};
for (let i = 2; i < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
const cli = path.resolve(args.cli);
const root = path.resolve(args.root);
const work = path.resolve(args.work);
const phpCheck = args.php ? path.resolve(args.php) : null;
const terser = args.node
  ? createRequire(import.meta.url)(path.join(path.resolve(args.node), 'node_modules', 'html-minifier-terser')) : null;
const modes = ['safe', 'best'];

// The bytes html-minifier-terser makes of a template, or null when it
// refuses it.
async function terserBytes(bytes) {
  try {
    const out = await terser.minify(bytes.toString('latin1'), {
      collapseWhitespace: true, removeComments: true, removeRedundantAttributes: true,
      removeScriptTypeAttributes: true, removeStyleLinkTypeAttributes: true, useShortDoctype: true,
      minifyCSS: true, minifyJS: true });
    return Buffer.byteLength(out, 'latin1');
  } catch {
    return null;
  }
}

// The language of a template, by its file name; null: not a template.
const languages = [
  [/\.(php|phtml|inc)$/i, 'PHP'],
  [/\.(jsp|jspx|jspf|tag|tagx)$/i, 'JSP'],
  [/\.(aspx|ascx|asmx|ashx|asax|master)$/i, 'ASP.NET'],
  [/\.(erb|rhtml)$|\.erb\.tt$|\.html\.tt$/i, 'ERB'],
  [/\.ejs$/i, 'EJS'],
  [/\.asp$/i, 'ASP'],
];
const languageOf = (name) => (languages.find(([re]) => re.test(name)) ?? [null, null])[1];

// Server blocks as the servers find them, written apart from the program:
// "<%--" to "--%>", "<%" to "%>", and for PHP "<?" (not "<?xml") to "?>";
// a block without its end runs to the end of the file.
function blocks(text, language) {
  const found = [];
  let p = 0;
  for (;;) {
    const asp = text.indexOf('<%', p);
    let php = -1;
    if (language === 'PHP') {
      php = text.indexOf('<?', p);
      while (php >= 0 && /^<\?xml/i.test(text.slice(php, php + 5))) php = text.indexOf('<?', php + 2);
    }
    const start = [asp, php].filter((x) => x >= 0).reduce((a, b) => Math.min(a, b), Infinity);
    if (start === Infinity) break;
    let close;
    if (start === php) close = '?>';
    else close = text.startsWith('<%--', start) ? '--%>' : '%>';
    const e = text.indexOf(close, start + (close === '--%>' ? 4 : 2));
    const end = e < 0 ? text.length : e + close.length;
    found.push(text.slice(start, end));
    p = end;
  }
  return found;
}

// Whether HTML stands outside the blocks: a tag.
function mixesHtml(text, language) {
  let rest = text;
  for (const b of blocks(text, language)) rest = rest.replace(b, ' ');
  return /<[A-Za-z]/.test(rest);
}

function listFiles(dir) {
  const out = [];
  const walk = (d) => {
    for (const e of fs.readdirSync(d, { withFileTypes: true })) {
      const p = path.join(d, e.name);
      if (e.isDirectory()) walk(p);
      else if (e.isFile()) out.push(p);
    }
  };
  walk(dir);
  return out.sort();
}

async function main() {
  const packages = fs.readdirSync(root, { withFileTypes: true }).filter((e) => e.isDirectory()).map((e) => e.name).sort();
  // language -> { files, blocks, bytes, saved: {mode: bytes}, terser, terserFailed }
  const stats = new Map();
  const failures = [];
  const phpPairs = [];
  const pairDir = path.join(work, 'template-pairs');
  fs.rmSync(pairDir, { recursive: true, force: true });
  fs.mkdirSync(pairDir, { recursive: true });
  const perPackage = [];
  for (const pkg of packages) {
    const version = fs.existsSync(path.join(root, `${pkg}.version`))
      ? fs.readFileSync(path.join(root, `${pkg}.version`), 'utf8').trim() : '?';
    let count = 0;
    for (const file of listFiles(path.join(root, pkg))) {
      const language = languageOf(file);
      if (language === null) continue;
      const bytes = fs.readFileSync(file);
      const text = bytes.toString('latin1');
      const found = blocks(text, language);
      if (found.length === 0 || !mixesHtml(text, language)) continue;
      const name = path.relative(root, file);
      const s = stats.get(language) ?? { files: 0, blocks: 0, bytes: 0, saved: {}, terser: 0, terserFailed: 0 };
      for (const mode of modes) {
        const r = spawnSync(cli, [`--${mode}`, '--base', path.dirname(file)], { input: bytes, maxBuffer: 1 << 28 });
        if (r.status !== 0) {
          failures.push(`${name}: pagetrim-cli --${mode} failed: ${r.stderr}`);
          continue;
        }
        const out = r.stdout.toString('latin1');
        let from = 0;
        for (const b of found) {
          const at = out.indexOf(b, from);
          if (at < 0) {
            failures.push(`${name}: block changed (${mode}): ${JSON.stringify(b.slice(0, 120))}`);
            break;
          }
          from = at + b.length;
        }
        if (r.stdout.length > bytes.length) failures.push(`${name}: ${bytes.length} -> ${r.stdout.length} bytes (${mode})`);
        s.saved[mode] = (s.saved[mode] ?? 0) + bytes.length - r.stdout.length;
        if (language === 'PHP') {
          const base = path.join(pairDir, `${phpPairs.length}`);
          fs.writeFileSync(`${base}.orig`, bytes);
          fs.writeFileSync(`${base}.${mode}`, r.stdout);
          phpPairs.push([`${name} (${mode})`, `${base}.orig`, `${base}.${mode}`]);
        }
      }
      if (terser !== null) {
        const t = await terserBytes(bytes);
        if (t === null) s.terserFailed += 1;
        else s.terser += bytes.length - t;
      }
      s.files += 1;
      s.blocks += found.length;
      s.bytes += bytes.length;
      stats.set(language, s);
      count += 1;
    }
    perPackage.push(`  ${pkg} ${version}: ${count} templates`);
  }

  // PHP's tokenizer on both copies of every PHP template.
  let phpLine = 'PHP tokens: not checked (no --php)';
  if (phpCheck !== null && phpPairs.length > 0) {
    const list = path.join(pairDir, 'pairs.txt');
    fs.writeFileSync(list, phpPairs.map((p) => p.join('\t')).join('\n') + '\n');
    const r = spawnSync('php', ['-d', 'short_open_tag=1', '-d', 'memory_limit=1G', phpCheck, list], { encoding: 'utf8' });
    if (r.status !== 0) failures.push(`PHP tokens differ or php failed:\n${r.stdout}${r.stderr}`);
    phpLine = `PHP tokens: ${r.status === 0 ? 'the same' : 'DIFFERENT'} in ${phpPairs.length} copies of templates (php ${
      spawnSync('php', ['-r', 'echo PHP_VERSION;'], { encoding: 'utf8' }).stdout})`;
  }

  const lines = ['Template corpus: server blocks kept byte for byte in safe and best mode', ''];
  const pc = (n, d) => `${(100 * n / d).toFixed(1)} %`;
  lines.push(`${'language'.padEnd(10)} ${'files'.padStart(6)} ${'blocks'.padStart(7)} ${'kept'.padStart(7)} ` +
    `${'bytes'.padStart(10)} ${'safe'.padStart(7)} ${'best'.padStart(7)} ${'terser'.padStart(7)}`);
  let total = 0;
  const bad = new Set(failures.filter((f) => f.includes('block changed')).map((f) => f.split(':')[0]));
  for (const [language, s] of [...stats].sort()) {
    const badHere = [...bad].filter((f) => languageOf(f) === language).length;
    lines.push(`${language.padEnd(10)} ${String(s.files).padStart(6)} ${String(s.blocks).padStart(7)} ` +
      `${`${(100 * (s.files - badHere) / s.files).toFixed(0)} %`.padStart(7)} ${String(s.bytes).padStart(10)} ` +
      modes.map((m) => pc(s.saved[m] ?? 0, s.bytes).padStart(7)).join(' ') + ' ' +
      (terser === null ? '-' : `${pc(s.terser, s.bytes)}${s.terserFailed > 0 ? ` (refused ${s.terserFailed})` : ''}`).padStart(7));
    total += s.files;
  }
  lines.push('');
  lines.push('kept: files whose every block came out unchanged, in order, in both modes; safe, best: bytes saved');
  lines.push('by each mode; terser: bytes saved by html-minifier-terser (a template it refuses saves nothing).');
  lines.push(phpLine);
  lines.push(`${total} templates from ${packages.length} packages:`);
  lines.push(...perPackage);
  if (failures.length > 0) {
    lines.push('');
    lines.push(`FAILED (${failures.length}):`);
    lines.push(...failures.slice(0, 50).map((f) => `  ${f}`));
  }
  const text = lines.join('\n');
  console.log(text);
  fs.writeFileSync(path.join(work, 'template-report.txt'), `${text}\n`);
  if (total < 300) {
    console.log(`template check: only ${total} templates found (at least 300 expected)`);
    process.exitCode = 1;
  }
  if (failures.length > 0) process.exitCode = 1;
}

main().catch((e) => {
  console.error(`template check: ${e.stack ?? e}`);
  process.exitCode = 2;
});
