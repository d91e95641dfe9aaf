// The browser build's benchmark (never part of the test command): in headless
// Chromium, the time from the page's first script to the book's home page
// painted, and from a double click on a symbol to its page painted; beside it
// the same home page as a PDF shown by PDF.js and as an SVG picture, each from
// the page's first script to the picture drawn; and the download size of the
// program (tavix.wasm and tavix.js, gzipped). Each time is the median of RUNS
// fresh page loads with a warm cache.
// Usage: node bench_web.mjs WEB_DIR TVX BOOK SCRATCH [RUNS]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';
import { serve } from '../../web/tests/web_server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [web, tvx, book, scratch, runsArg] = process.argv.slice(2);
const runs = Number(runsArg || 7);
const require = createRequire(path.join(here, '../../tests/tools/site/package.json'));
const { chromium } = require('playwright-core');

fs.rmSync(scratch, { recursive: true, force: true });
fs.mkdirSync(scratch, { recursive: true });
fs.copyFileSync(book, path.join(scratch, 'book.tvx'));
for (const ext of ['pdf', 'svg']) execFileSync(tvx, ['render', book, '-o', path.join(scratch, `home.${ext}`)]);
fs.mkdirSync(path.join(scratch, 'pdfjs'));
for (const f of ['pdf.min.mjs', 'pdf.worker.min.mjs']) {
  fs.copyFileSync(path.join(here, 'node_modules/pdfjs-dist/build', f), path.join(scratch, 'pdfjs', f));
}
const start = '<script>window.t0 = performance.now();</script>';
fs.writeFileSync(path.join(scratch, 'book.html'), `<!DOCTYPE html><meta charset="utf-8">${start}
<script src="tavix.js"></script><embed id="e" src="book.tvx" width="640" height="480">
<script>document.addEventListener('tavix-paint', () => { window.t1 ??= performance.now(); });</script>`);
fs.writeFileSync(path.join(scratch, 'pdf.html'), `<!DOCTYPE html><meta charset="utf-8">${start}
<canvas id="c"></canvas><script type="module">
import * as pdfjs from './pdfjs/pdf.min.mjs';
pdfjs.GlobalWorkerOptions.workerSrc = './pdfjs/pdf.worker.min.mjs';
const doc = await pdfjs.getDocument('home.pdf').promise;
const page = await doc.getPage(1);
const viewport = page.getViewport({ scale: 1 });
const c = document.getElementById('c');
c.width = viewport.width; c.height = viewport.height;
await page.render({ canvasContext: c.getContext('2d'), viewport }).promise;
window.t1 = performance.now();
</script>`);
fs.writeFileSync(path.join(scratch, 'svg.html'), `<!DOCTYPE html><meta charset="utf-8">${start}
<img id="i" src="home.svg"><script>
const i = document.getElementById('i');
i.decode().then(() => requestAnimationFrame(() => { window.t1 = performance.now(); }));
</script>`);

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const server = await serve(scratch, web);
const browser = await chromium.launch({ executablePath: process.env.TVX_CHROMIUM || '/usr/bin/chromium',
                                        headless: true, args: ['--no-sandbox'] });
const results = {};
try {
  const page = await browser.newPage({ viewport: { width: 800, height: 600 }, deviceScaleFactor: 1 });
  page.on('pageerror', (e) => console.error(`page error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && console.error(`console: ${m.text()}`));
  for (const name of ['book', 'pdf', 'svg']) {
    const times = [];
    console.error(`measuring ${name}`);
    for (let i = 0; i <= runs; ++i) {
      await page.goto(`${server.url}${name}.html`);
      await page.waitForFunction('window.t1 !== undefined', null, { timeout: 20000 });
      if (i > 0) times.push(await page.evaluate('window.t1 - window.t0'));  // the first run fills the cache
    }
    results[name] = median(times);
  }
  // Double click on Jupiter, then Back, RUNS times: from the press to the page painted.
  await page.goto(`${server.url}book.html`);
  await page.waitForFunction('window.t1 !== undefined');
  const box = await page.evaluate(`document.getElementById('e').shadowRoot.querySelector('canvas').getBoundingClientRect().toJSON()`);
  const home = JSON.parse(execFileSync(tvx, ['render', book, '--format', 'json', '-o', path.join(scratch, 'h.json')]) && fs.readFileSync(path.join(scratch, 'h.json'), 'utf8'));
  const jupiter = home.graphics.find((g) => g.kind === 'idea' && g.label.join(' ') === 'Jupiter');
  const x = box.x + (jupiter.rect[0] + jupiter.rect[2]) / 2, y = box.y + (jupiter.rect[1] + jupiter.rect[3]) / 2;
  const changes = [];
  for (let i = 0; i < runs; ++i) {
    await page.evaluate(`(() => { const b = document.getElementById('e'); window.p0 = b.painted;
      b.shadowRoot.querySelector('canvas').addEventListener('pointerdown', () => { window.d0 = performance.now(); },
        { once: true, capture: true });
      b.addEventListener('tavix-paint', function f() { if (b.pageName === 'Jupiter') { window.d1 = performance.now();
        b.removeEventListener('tavix-paint', f); } }); window.d1 = undefined; })()`);
    await page.mouse.dblclick(x, y);
    await page.waitForFunction('window.d1 !== undefined', null, { timeout: 10000 });
    changes.push(await page.evaluate('window.d1 - window.d0'));
    await page.evaluate(`document.getElementById('e').session.gotoPage('1')`);
    await page.waitForFunction(`document.getElementById('e').pageName === 'The Solar System' && !document.getElementById('e').painting`);
  }
  results.change = median(changes);
} finally {
  await browser.close();
  server.close();
}
const gz = (f) => zlib.gzipSync(fs.readFileSync(path.join(web, f)), { level: 9 }).length;
results.gzip = gz('tavix.wasm') + gz('tavix.js');
const ms = (v) => `${v.toFixed(1)} ms`;
console.log(`home page painted (script start to picture) ${ms(results.book)}   aim < 300 ms`);
console.log(`  the same page, PDF by PDF.js              ${ms(results.pdf)}   ratio ${(results.book / results.pdf).toFixed(2)}`);
console.log(`  the same page, SVG picture                ${ms(results.svg)}   ratio ${(results.book / results.svg).toFixed(2)}`);
console.log(`double click to the next page painted      ${ms(results.change)}   aim < 50 ms`);
console.log(`tavix.wasm + tavix.js gzipped              ${(results.gzip / 1024).toFixed(0)} KB   aim < 1024 KB`);
