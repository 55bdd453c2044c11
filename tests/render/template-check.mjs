// The template corpus check: real server templates from Debian packages
// (PHP applications, JSP and ASP.NET examples, Rails generators and YARD's
// ERB templates), each compacted in safe mode; every server block must come
// out byte for byte, in order, and no file may grow. PHP templates are also
// read by PHP's own tokenizer, before and after: the code it finds must be
// the same, token for token.
//
//   node template-check.mjs --cli PATH --root DIR --work DIR [--php FILE]
//
// DIR holds one folder per package (scripts/unpack-debs) and PACKAGE.version
// beside it. Exit status 0 when every block of every template is kept.

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

const args = {};
for (let i = 2; i < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
const cli = path.resolve(args.cli);
const root = path.resolve(args.root);
const work = path.resolve(args.work);
const phpCheck = args.php ? path.resolve(args.php) : null;

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

function main() {
  const packages = fs.readdirSync(root, { withFileTypes: true }).filter((e) => e.isDirectory()).map((e) => e.name).sort();
  const stats = new Map();  // language -> { files, blocks, bytes, saved }
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
      const r = spawnSync(cli, ['--safe', '--base', path.dirname(file)], { input: bytes, maxBuffer: 1 << 28 });
      const name = path.relative(root, file);
      if (r.status !== 0) {
        failures.push(`${name}: pagetrim-cli failed: ${r.stderr}`);
        continue;
      }
      const out = r.stdout.toString('latin1');
      let from = 0;
      for (const b of found) {
        const at = out.indexOf(b, from);
        if (at < 0) {
          failures.push(`${name}: block changed: ${JSON.stringify(b.slice(0, 120))}`);
          break;
        }
        from = at + b.length;
      }
      if (r.stdout.length > bytes.length) failures.push(`${name}: ${bytes.length} -> ${r.stdout.length} bytes`);
      const s = stats.get(language) ?? { files: 0, blocks: 0, bytes: 0, saved: 0 };
      s.files += 1;
      s.blocks += found.length;
      s.bytes += bytes.length;
      s.saved += bytes.length - r.stdout.length;
      stats.set(language, s);
      count += 1;
      if (language === 'PHP') {
        const base = path.join(pairDir, String(phpPairs.length));
        fs.writeFileSync(`${base}.orig`, bytes);
        fs.writeFileSync(`${base}.safe`, r.stdout);
        phpPairs.push([name, `${base}.orig`, `${base}.safe`]);
      }
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
    phpLine = `PHP tokens: ${r.status === 0 ? 'the same' : 'DIFFERENT'} in ${phpPairs.length} templates (php ${
      spawnSync('php', ['-r', 'echo PHP_VERSION;'], { encoding: 'utf8' }).stdout})`;
  }

  const lines = ['Template corpus: server blocks kept byte for byte in safe mode', ''];
  lines.push(`${'language'.padEnd(10)} ${'files'.padStart(6)} ${'blocks'.padStart(7)} ${'kept'.padStart(7)} ${'bytes'.padStart(10)} ${'saved'.padStart(7)}`);
  let total = 0;
  for (const [language, s] of [...stats].sort()) {
    const bad = new Set(failures.filter((f) => f.includes('block changed')).map((f) => f.split(':')[0]));
    const badHere = [...bad].filter((f) => languageOf(f) === language).length;
    lines.push(`${language.padEnd(10)} ${String(s.files).padStart(6)} ${String(s.blocks).padStart(7)} ` +
      `${`${(100 * (s.files - badHere) / s.files).toFixed(0)} %`.padStart(7)} ${String(s.bytes).padStart(10)} ` +
      `${`${(100 * s.saved / s.bytes).toFixed(1)} %`.padStart(7)}`);
    total += s.files;
  }
  lines.push('');
  lines.push(`kept: files whose every block came out unchanged, in order; saved: bytes saved by safe mode.`);
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

main();
