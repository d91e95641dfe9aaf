// The browser build in headless Chromium, as a person uses it: a page embeds
// the example book with <embed> and another with <object>; the first picture is
// compared with the PNG "tvx render" draws of the same page; a double click on
// a symbol (its box from "tvx render --format json") opens its page, named on
// the status line; Back returns; a symbol's web address is opened in the tag's
// target, a javascript: one is refused on the status line; the element is
// resized; a reload shows the page last shown; a damaged book and a missing one
// show their message in the element while the page keeps working.
// Screenshots go to SCRATCH. Exits 77 (skipped) without Chromium unless
// TVX_REQUIRE_BROWSER is set.
// Usage: node web_browser_test.mjs WEB_DIR TVX BOOK SCRATCH
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve } from './web_server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [web, tvx, exampleBook, scratch] = process.argv.slice(2);
const chromium = process.env.TVX_CHROMIUM || '/usr/bin/chromium';
let failures = 0;
function check(ok, message) {
  if (!ok) {
    console.error(`FAIL: ${message}`);
    failures++;
  }
  return ok;
}
if (!fs.existsSync(chromium)) {
  if (process.env.TVX_REQUIRE_BROWSER) {
    console.error(`FAIL: no browser at ${chromium}`);
    process.exit(1);
  }
  console.log(`skipped: no browser at ${chromium}`);
  process.exit(77);
}
// playwright-core as the site checks install it (tests/tools/site, "npm ci").
const require = createRequire(path.join(here, '../../tests/tools/site/package.json'));
const { chromium: browserType } = require('playwright-core');

// ---- The books and the pages, in a scratch folder served beside the build ----
fs.rmSync(scratch, { recursive: true, force: true });
fs.mkdirSync(scratch, { recursive: true });
const run = (...args) => execFileSync(tvx, args, { stdio: ['ignore', 'pipe', 'inherit'] }).toString();
fs.copyFileSync(exampleBook, path.join(scratch, 'book.tvx'));
fs.copyFileSync(exampleBook, path.join(scratch, 'viewer-book.tvx'));
// A copy whose Mercury leads to a script address, and a damaged copy.
fs.copyFileSync(exampleBook, path.join(scratch, 'hostile.tvx'));
run('attr', path.join(scratch, 'hostile.tvx'), 'Mercury', 'URL', 'javascript:alert(document.cookie)');
const bytes = fs.readFileSync(exampleBook);
const damaged = Buffer.from(bytes);
for (let i = 64; i < damaged.length; i += 7) damaged[i] ^= 0x5a;
fs.writeFileSync(path.join(scratch, 'damaged.tvx'), damaged);
run('render', exampleBook, '-o', path.join(scratch, 'home.png'));
run('render', exampleBook, '-o', path.join(scratch, 'home.json'));
const home = JSON.parse(fs.readFileSync(path.join(scratch, 'home.json'), 'utf8'));
const ideas = home.graphics.filter((g) => g.kind === 'idea');
const label = (g) => g.label.join(' ');
const centre = (g) => [(g.rect[0] + g.rect[2]) / 2, (g.rect[1] + g.rect[3]) / 2];
const jupiter = ideas.find((g) => label(g) === 'Jupiter');
const sun = ideas.find((g) => label(g) === 'Sun');
const mercury = ideas.find((g) => label(g) === 'Mercury');

const W = 640, H = 480;
fs.writeFileSync(path.join(scratch, 'tags.html'), `<!DOCTYPE html><meta charset="utf-8"><title>tags</title>
<style>body{margin:0} embed,object,tvx-book{margin:0}</style><script src="tavix.js"></script>
<div style="display:flex;gap:8px;align-items:flex-start">
<embed id="e" src="book.tvx" type="application/x-tavixBook" width="${W}" height="${H}" target="_blank">
<object id="o" type="application/x-tavixBook" data="book.tvx" width="400" height="300">
  <param name="node" value="Jupiter"><param name="target" value="side"></object>
</div>`);
fs.writeFileSync(path.join(scratch, 'hostile.html'), `<!DOCTYPE html><meta charset="utf-8"><title>hostile</title>
<script src="tavix.js"></script><embed id="h" src="hostile.tvx" width="${W}" height="${H}">
<embed id="d" src="damaged.tvx" width="300" height="200"><embed id="m" src="missing.tvx" width="300" height="200">`);

const server = await serve(scratch, web);
const browser = await browserType.launch({ executablePath: chromium, headless: true, args: ['--no-sandbox'] });
const started = Date.now();
try {
  const context = await browser.newContext({ viewport: { width: 1100, height: 560 }, deviceScaleFactor: 1 });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(String(e)));
  await page.addInitScript(() => {
    window.opened = [];
    document.addEventListener('tavix-open', (e) => {
      window.opened.push(e.detail);
      e.preventDefault();
    });
  });
  const book = (id) => `document.getElementById('${id}')`;
  const statusOf = (id) => page.evaluate(`${book(id)}.shadowRoot.querySelector('[role=status]').textContent`);
  const painted = (id) => page.evaluate(`${book(id)}?.painted || 0`);
  const waitPaint = async (id, after) => {
    await page.waitForFunction(`(${book(id)}?.painted || 0) > ${after} && !${book(id)}.painting`, null, { timeout: 8000 });
  };
  const waitStatus = (id, text) =>
    page.waitForFunction(([i, t]) => document.getElementById(i)?.shadowRoot.querySelector('[role=status]')
      .textContent.includes(t), [id, text], { timeout: 8000 }).then(() => true, () => false);
  const shownPage = (id) => page.evaluate(`(() => { const b = ${book(id)}.historyBytes || []; const s = new TextDecoder()
    .decode(new Uint8Array(b)).split('\\0').filter(Boolean); return s[s.length - 1]; })()`);
  const at = async (id, [x, y]) => {
    const r = await page.evaluate(`${book(id)}.shadowRoot.querySelector('canvas').getBoundingClientRect().toJSON()`);
    return [r.x + x, r.y + y];
  };
  const dblclick = async (id, p) => {
    const [x, y] = await at(id, p);
    await page.mouse.dblclick(x, y);
  };

  // ---- First paint of both tags ----
  await page.goto(server.url + 'tags.html');
  await waitPaint('e', 0);
  await waitPaint('o', 0);
  await page.screenshot({ path: path.join(scratch, '1-tags.png') });
  check((await page.$$('embed, object')).length === 0, 'the book tags were not replaced');
  check(await shownPage('o') === '8', `the <object> with node=Jupiter shows page ${await shownPage('o')}, not 8`);

  // ---- The picture against tvx render's PNG of the same page ----
  const png = fs.readFileSync(path.join(scratch, 'home.png')).toString('base64');
  const cmp = await page.evaluate(async ([id, data]) => {
    const canvas = document.getElementById(id).shadowRoot.querySelector('canvas');
    const img = await createImageBitmap(await (await fetch(`data:image/png;base64,${data}`)).blob());
    // The page window's area above its scroll bar and the plug-in's strip.
    const w = Math.min(canvas.width, img.width) - 20, h = Math.min(canvas.height, img.height) - 60;
    const ref = new OffscreenCanvas(w, h).getContext('2d');
    ref.drawImage(img, 0, 0);
    const a = canvas.getContext('2d').getImageData(0, 0, w, h).data, b = ref.getImageData(0, 0, w, h).data;
    // 4 x 4 blocks of grey: anti-aliasing moves edges, not figures.
    let differ = 0, inked = 0, blocks = 0;
    for (let y = 0; y + 4 <= h; y += 4) {
      for (let x = 0; x + 4 <= w; x += 4) {
        let sa = 0, sb = 0;
        for (let j = 0; j < 4; ++j) for (let i = 0; i < 4; ++i) {
          const k = ((y + j) * w + x + i) * 4;
          sa += a[k] + a[k + 1] + a[k + 2];
          sb += b[k] + b[k + 1] + b[k + 2];
        }
        blocks++;
        if (Math.abs(sa - sb) / 48 > 40) differ++;
        if (sb / 48 < 200) inked++;
      }
    }
    return { differ, inked, blocks };
  }, ['e', png]);
  check(cmp.inked > cmp.blocks * 0.03, `the reference picture is nearly empty (${cmp.inked} of ${cmp.blocks} blocks inked)`);
  check(cmp.differ < cmp.blocks * 0.02, `the canvas differs from tvx render's PNG in ${cmp.differ} of ${cmp.blocks} blocks`);

  // ---- A double click opens Jupiter's page; Back returns ----
  let n = await painted('e');
  await dblclick('e', centre(jupiter));
  await waitPaint('e', n);
  const named = await page.evaluate(`${book('e')}.shadowRoot.querySelector('canvas').getAttribute('aria-label')`);
  check(named === 'Page Jupiter', `after a double click on Jupiter the book is named "${named}"`);
  check(await shownPage('e') === '8', `the page shown is ${await shownPage('e')}, not Jupiter's (8)`);
  await page.screenshot({ path: path.join(scratch, '2-jupiter.png') });
  n = await painted('e');
  await page.mouse.click(...await at('e', [W - 95, H - 11]));  // the Back button
  await page.waitForFunction(`${book('e')}.painted > ${n}`, null, { timeout: 8000 }).catch(() => {});
  await page.waitForTimeout(100);
  check(await shownPage('e') === '1', `after Back the page shown is ${await shownPage('e')}, not the home page (1)`);

  // ---- Web addresses: the tag's target; symbols reached by keyboard ----
  // The Sun leads to a page and an address: the plug-in asks which, in HTML
  // over the book, and the person answers Yes (the address).
  const answer = async (id, button) => {
    const b = page.locator(`#${id} [role=alertdialog] button`, { hasText: button });
    await b.waitFor({ timeout: 8000 });
    return b.click();
  };
  await dblclick('e', centre(sun));
  await page.locator('#e [role=alertdialog]').waitFor({ timeout: 8000 });
  await page.screenshot({ path: path.join(scratch, '2b-which-one.png') });
  check((await page.locator('#e [role=alertdialog]').textContent()).includes('Which One?'), 'no "Which One?" box');
  await answer('e', 'Yes');
  await page.waitForFunction('window.opened.length > 0', null, { timeout: 8000 }).catch(() => {});
  const opened = await page.evaluate('window.opened');
  check(opened.length === 1 && opened[0].url === sun.url && opened[0].target === '_blank',
        `the Sun opened ${JSON.stringify(opened)}, not ${sun.url} in _blank`);
  const links = await page.evaluate(`[...${book('e')}.shadowRoot.querySelectorAll('.symbols a')].map((a) => a.textContent)`);
  check(links.length === ideas.length && links.some((t) => t.startsWith('Jupiter: leads to the page Jupiter')),
        `the symbol list is ${JSON.stringify(links)}`);
  await page.focus('#e');
  await page.evaluate(`${book('e')}.shadowRoot.querySelector('canvas').focus()`);
  let tabs = 0;
  for (; tabs < 20; ++tabs) {
    await page.keyboard.press('Tab');
    const f = await page.evaluate(`${book('e')}.shadowRoot.activeElement?.textContent || ''`);
    if (f.startsWith('Jupiter')) break;
  }
  n = await painted('e');
  await page.keyboard.press('Enter');
  await page.waitForFunction(`${book('e')}.painted > ${n}`, null, { timeout: 8000 }).catch(() => {});
  check(tabs < 20 && await shownPage('e') === '8', `Tab to Jupiter (${tabs} presses) and Enter show page ${await shownPage('e')}`);

  // ---- Resize: the plug-in's window follows the element ----
  n = await painted('e');
  await page.evaluate(`${book('e')}.setAttribute('width', '500')`);
  await waitPaint('e', n);
  const size = await page.evaluate(`${book('e')}.shadowRoot.querySelector('canvas').width`);
  check(size === 500, `after resizing to 500 the picture is ${size} wide`);
  await page.screenshot({ path: path.join(scratch, '3-resized.png') });

  // ---- The page's popup menu, in HTML over the book, answered by the person ----
  await page.mouse.click(...await at('e', [40, 40]), { button: 'right' });
  const menu = page.locator('#e [role=menu]');
  await menu.waitFor({ timeout: 8000 });
  const items = await menu.locator('button').allTextContents();
  check(['Color', '200%', 'Fit to window', 'Refresh'].every((t) => items.includes(t)), `the popup menu has ${items}`);
  n = await painted('e');
  await menu.locator('button', { hasText: '200%' }).click();
  await waitPaint('e', n);
  check(!(await menu.isVisible()), 'the popup menu stayed after its choice');
  await page.screenshot({ path: path.join(scratch, '3b-zoomed.png') });
  const big = await page.evaluate(`${book('e')}.symbols.find((s) => s.label === 'Jupiter')?.box`);
  check(big && big[2] - big[0] > 1.8 * (jupiter.rect[2] - jupiter.rect[0]), `at 200% Jupiter's box is ${big}`);

  // ---- Reload: the page last shown comes back ----
  const before = await shownPage('e');
  await page.reload();
  await waitPaint('e', 0);
  await page.waitForTimeout(200);
  check(await shownPage('e') === before && before === '8', `after reload page ${await shownPage('e')} is shown, not ${before}`);

  // ---- The viewer: the address follows the page; Back and Forward walk them ----
  // (A book of its own: the tags' visits left Jupiter as the last page shown of theirs.)
  await page.goto(server.url + 'viewer.html?book=viewer-book.tvx');
  await page.waitForFunction(`document.querySelector('tvx-book')?.painted > 0 && location.hash.includes('page=1')`,
                             null, { timeout: 8000 }).catch(() => {});
  await page.evaluate(`document.querySelector('tvx-book').id = 'v'`);
  await dblclick('v', centre(jupiter));
  await page.waitForFunction(`location.hash.includes('page=8')`, null, { timeout: 8000 }).catch(() => {});
  const afterClick = await page.evaluate('location.hash');
  await page.screenshot({ path: path.join(scratch, '5-viewer.png') });
  const pageOf = () => page.evaluate(`document.getElementById('v')?.pageName`);
  let afterBack = '', afterForward = '';
  if (check(afterClick.includes('page=8'), `viewer: after the click the address ends ${afterClick}`)) {
    await page.evaluate('history.back()');
    await page.waitForFunction(`${book('v')}?.pageName === 'The Solar System'`, null, { timeout: 8000 }).catch(() => {});
    afterBack = `${await page.evaluate('location.hash')} ${await pageOf()}`;
    await page.evaluate('history.forward()');
    await page.waitForFunction(`${book('v')}?.pageName === 'Jupiter'`, null, { timeout: 8000 }).catch(() => {});
    afterForward = await pageOf();
    await page.selectOption('#zoom', 'fit');
  }
  const zoomed = await page.evaluate('location.hash');
  check(afterBack === '#page=1 The Solar System' && afterForward === 'Jupiter' && zoomed === '#page=8&zoom=fit',
        `viewer: after Back "${afterBack}", after Forward "${afterForward}", zoomed "${zoomed}"`);

  // ---- Hostile and damaged books ----
  // The damaged book's message is a box over it; while it waits for the person
  // the other books wait too (one program), the page itself does not.
  await page.goto(server.url + 'hostile.html');
  await page.locator('#d [role=alertdialog]').waitFor({ timeout: 8000 }).catch(() => {});
  await page.waitForFunction(`!!${book('m')}.shadowRoot.querySelector('.message')`, null, { timeout: 8000 }).catch(() => {});
  await page.screenshot({ path: path.join(scratch, '4-damaged.png') });
  const damagedSays = await page.evaluate(`${book('d')}.shadowRoot.querySelector('[role=alertdialog]')?.textContent || ''`);
  check(damagedSays.length > 0, 'the damaged book shows no message');
  console.log(`damaged book: ${damagedSays.replace(/\s+/g, ' ').slice(0, 200)}`);
  const missingSays = await page.evaluate(`${book('m')}.shadowRoot.querySelector('.message')?.textContent || ''`);
  check(missingSays.includes('404'), `the missing book says "${missingSays}"`);
  check(await page.evaluate('document.title') === 'hostile', 'the page stopped answering');
  for (let i = 0; i < 10; ++i) {
    const b = page.locator('#d [role=alertdialog] button').first();
    if (!(await b.waitFor({ timeout: 500 }).then(() => true, () => false))) break;
    await b.click();
  }
  await waitPaint('h', 0);
  await page.evaluate('window.opened = []');
  await dblclick('h', centre(mercury));
  await answer('h', 'Yes');
  check(await waitStatus('h', 'Refused to open javascript: address'), `the javascript: address: status "${await statusOf('h')}"`);
  check((await page.evaluate('window.opened')).length === 0, 'the javascript: address was opened');
  check(problems.length === 0, `page errors: ${problems.join('; ')}`);

} finally {
  await browser.close();
  server.close();
}
console.log(`browser checks: ${failures === 0 ? 'passed' : `${failures} failed`} in ${Date.now() - started} ms`);
process.exit(failures === 0 ? 0 : 1);
