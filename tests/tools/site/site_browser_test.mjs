// The example's site in headless Chromium with scripts off: every page opens
// without a console error, a failed request or a script error; following the
// links from the home page reaches every page the book's symbols lead to; and
// the accessibility tree (read through the browser's own interface) names
// every idea symbol of a page as a link with its label; with scripts on, the
// index's search finds a page by its words. Exits 77 (skipped)
// when there is no Chromium, unless TVX_REQUIRE_BROWSER is set, as the test
// command sets it.
// Usage: node site_browser_test.mjs TVX BOOK SCRATCH
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { fail, filesEndingIn, writeSite } from './site_support.mjs';

const chromium = process.env.TVX_CHROMIUM || '/usr/bin/chromium';
if (!fs.existsSync(chromium)) {
  if (process.env.TVX_REQUIRE_BROWSER) {
    fail(`no browser at ${chromium}`);
    process.exit(1);
  }
  console.log(`skipped: no browser at ${chromium}`);
  process.exit(77);
}
const { chromium: browserType } = await import('playwright-core').catch((e) => {
  console.error(`FAIL: playwright-core is missing (run "npm ci" in tests/tools/site): ${e.message}`);
  process.exit(1);
});

const [tvx, book, scratch] = process.argv.slice(2);
const { site, json } = writeSite(tvx, book, scratch);
const pages = filesEndingIn(site, '.html').filter((f) => f !== 'index.html');
const fileOfId = new Map(pages.map((f) => [Number(f.split(/[-.]/)[0]), f]));

// What each page's symbols are, from the page descriptions: label and target.
const symbolsOf = new Map();
const targets = new Set();
for (const f of filesEndingIn(json, '.json')) {
  const d = JSON.parse(fs.readFileSync(path.join(json, f), 'utf8'));
  const ideas = d.graphics.filter((g) => g.kind === 'idea' && (g.page || g.url));
  symbolsOf.set(fileOfId.get(d.page.id), ideas.map((g) => g.label.map((l) => l.trim()).filter(Boolean).join(' ')));
  for (const g of ideas) if (g.page && fileOfId.has(g.page.id)) targets.add(fileOfId.get(g.page.id));
}

const browser = await browserType.launch({ executablePath: chromium, headless: true, args: ['--no-sandbox'] });
try {
  const context = await browser.newContext({ javaScriptEnabled: false });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(String(e)));
  page.on('requestfailed', (r) => problems.push(`${r.url()}: ${r.failure()?.errorText}`));
  const cdp = await context.newCDPSession(page);

  const link = (n) => ({
    name: n.name?.value ?? '',
    url: (n.properties ?? []).find((p) => p.name === 'url')?.value?.value ?? '',
  });
  // Opens a page; its links as the accessibility tree has them, and those
  // inside the page's picture (the group named "The page ...").
  async function open(file) {
    problems.length = 0;
    await page.goto(pathToFileURL(path.join(site, file)).href);
    const { nodes } = await cdp.send('Accessibility.getFullAXTree');
    for (const p of problems) fail(`${file}: ${p}`);
    const byId = new Map(nodes.map((n) => [n.nodeId, n]));
    const isLink = (n) => !n.ignored && n.role?.value === 'link';
    const picture = nodes.find((n) => n.role?.value === 'group' && (n.name?.value ?? '').startsWith('The page '));
    const inPicture = [];
    for (const stack = picture ? [picture] : []; stack.length;) {
      const n = stack.pop();
      if (isLink(n)) inPicture.push(link(n));
      for (const c of n.childIds ?? []) if (byId.has(c)) stack.push(byId.get(c));
    }
    return { links: nodes.filter(isLink).map(link), inPicture };
  }

  const index = (await open('index.html')).links;
  const homeLink = index.find((l) => l.name !== '' && l.url.endsWith('.html') && !l.url.endsWith('index.html'));
  const home = homeLink ? path.basename(new URL(homeLink.url).pathname) : '';
  if (!fs.existsSync(path.join(site, home))) fail(`index.html names no home page (${home})`);

  const reached = new Set([home]);
  const queue = [home];
  while (queue.length) {
    const file = queue.shift();
    const { links, inPicture } = await open(file);
    const names = inPicture.map((l) => l.name);
    for (const label of symbolsOf.get(file) ?? []) {
      if (!names.includes(label)) fail(`${file}: the picture has no link named "${label}" (it has: ${names.join(' | ')})`);
    }
    for (const l of links) {
      if (!l.url.startsWith('file:')) continue;
      const next = path.basename(new URL(l.url).pathname);
      if (next.endsWith('.html') && next !== 'index.html' && !reached.has(next)) {
        reached.add(next);
        queue.push(next);
      }
    }
  }
  for (const t of targets) if (!reached.has(t)) fail(`${t} is not reached from the home page ${home}`);
  for (const f of pages) if (!reached.has(f)) await open(f);  // every page opens cleanly
  // With scripts on, the index's search finds pages by the words on them.
  const scripted = await browser.newPage();
  const errors = [];
  scripted.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  scripted.on('pageerror', (e) => errors.push(String(e)));
  await scripted.goto(pathToFileURL(path.join(site, 'index.html')).href);
  await scripted.fill('#search-text', 'nitrogen ice');
  const found = await scripted.$$eval('#search-results a', (as) => as.map((a) => a.textContent));
  if (found.join() !== 'Pluto') fail(`searching "nitrogen ice" found [${found.join(', ')}], not Pluto`);
  for (const e of errors) fail(`index.html with scripts: ${e}`);

  if (!process.exitCode) {
    console.log(`${pages.length + 1} pages open cleanly; ${reached.size} reached from ${home}; every symbol is a named link`);
  }
} finally {
  await browser.close();
}
