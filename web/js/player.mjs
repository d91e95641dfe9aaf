// The player element, <tvx-book src="BOOK.tvx" node="PAGE" color="false"
// target="FRAME" width="W" height="H">: one book as a browser showed it in a
// tag. It makes the plug-in instance with the tag's parameters, fetches the
// book and streams it, sizes the plug-in's window to the element's box again on
// every resize, replays the window's picture on a canvas, sends the person's
// events, and shows the plug-in's status line below the book (role="status").
//
// Beside the canvas, visually hidden, the page's symbols are a list of links in
// reading order (name and where each leads): Tab moves between them, Enter
// opens one as a double click on it would, and the focused symbol is outlined
// on the canvas. The page history is kept in sessionStorage
// (saved_history.mjs) as the page changes, so a reload shows the page last
// shown. A book that cannot be fetched or read shows why in the element; a
// trap of the program shows the error and nothing more is asked of it.

import { BookSession, loadProgram } from './bridge.mjs';
import { paint } from './canvas_renderer.mjs';
import { attachInput } from './input.mjs';
import { loadSaved, storeSaved } from './saved_history.mjs';
import { ensureFont } from './web_font.mjs';

const STYLE = `
:host { display: inline-block; vertical-align: top; position: relative; font: 13px ${'"Liberation Sans", Arial, sans-serif'}; }
.frame { position: relative; overflow: hidden; background: #fff; outline: 1px solid #c8c8c8; }
canvas { display: block; position: absolute; left: 0; top: 0; }
canvas:focus { outline: 2px solid #1a73e8; outline-offset: -2px; }
.status { min-height: 1.4em; padding: 2px 4px; color: #333; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
.message { position: absolute; inset: 0; padding: 1em; background: #fff; color: #8b0000; white-space: pre-wrap; }
.symbols { position: absolute; width: 1px; height: 1px; overflow: hidden; clip-path: inset(50%); white-space: nowrap; margin: 0; padding: 0; }
.focus { position: absolute; border: 2px solid #1a73e8; border-radius: 3px; pointer-events: none; display: none; }
.overlay { position: absolute; inset: 0; pointer-events: none; }
.overlay > * { pointer-events: auto; }
.tvx-box { position: absolute; left: 50%; top: 40%; transform: translate(-50%, -50%); min-width: 16em; max-width: 90%;
  background: #f0f0f0; border: 1px solid #777; box-shadow: 2px 2px 8px #0006; padding: 0 0 .6em; }
.tvx-box-title { background: #000080; color: #fff; padding: .25em .5em; font-weight: bold; }
.tvx-box-text { margin: .8em; white-space: pre-wrap; }
.tvx-box input { margin: 0 .8em .6em; width: calc(100% - 1.6em); box-sizing: border-box; }
.tvx-box-buttons { display: flex; gap: .5em; justify-content: center; }
.tvx-box-buttons button { min-width: 6em; }
.tvx-menu { position: absolute; background: #f0f0f0; border: 1px solid #777; box-shadow: 2px 2px 6px #0005;
  display: flex; flex-direction: column; padding: 2px 0; min-width: 10em; }
.tvx-menu button { text-align: left; border: 0; background: none; padding: .2em .8em; font: inherit; }
.tvx-menu button:focus, .tvx-menu button:hover:not(:disabled) { background: #000080; color: #fff; }
.tvx-menu hr { width: 100%; margin: 2px 0; }
.tvx-menu [aria-checked=true]::before { content: '\\2713'; position: absolute; left: .3em; }
.tvx-menu button { position: relative; }
`;

function size(value, fallback) {
  if (value === null || value === undefined || value === '') return fallback;
  const v = String(value).trim();
  return /^\d+(\.\d+)?$/.test(v) ? `${v}px` : v;
}

export class TavixBook extends HTMLElement {
  static get observedAttributes() { return ['width', 'height']; }

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    root.innerHTML = `<style>${STYLE}</style><div class="frame" part="frame"><canvas tabindex="0" part="canvas"
      aria-roledescription="concept map"></canvas><div class="focus"></div><ul class="symbols"></ul>
      <div class="overlay"></div></div><div class="status" role="status" aria-live="polite" part="status"></div>`;
    this.frame = root.querySelector('.frame');
    this.canvas = root.querySelector('canvas');
    this.statusLine = root.querySelector('.status');
    this.list = root.querySelector('.symbols');
    this.focusBox = root.querySelector('.focus');
    this.layer = root.querySelector('.overlay');
    this.params = null;  // set by the polyfill: the tag's parameters in order
    this.session = null;
    this.painting = false;
    this.dirty = false;
    this.sizeFrame();
  }

  attributeChangedCallback() { this.sizeFrame(); }

  sizeFrame() {
    this.frame.style.width = size(this.getAttribute('width'), '600px');
    this.frame.style.height = size(this.getAttribute('height'), '400px');
  }

  connectedCallback() {
    if (this.started) return;
    this.started = true;
    this.start().catch((e) => this.failed(e.message || String(e)));
  }

  disconnectedCallback() {
    // Moved within the page: keep going. Removed: the instance goes.
    queueMicrotask(() => {
      if (!this.isConnected) this.close();
    });
  }

  // The address of the book, resolved against the page.
  get bookUrl() { return new URL(this.getAttribute('src') || '', document.baseURI).href; }

  // The tag's place among the page's tags of the same book, or its id.
  get tagKey() {
    if (this.getAttribute('tag-id')) return this.getAttribute('tag-id');
    const same = [...document.querySelectorAll('tvx-book')].filter((b) => b.bookUrl === this.bookUrl);
    return String(Math.max(0, same.indexOf(this)));
  }

  tagParameters() {
    if (this.params) return this.params;
    const out = [];
    for (const n of ['node', 'color', 'target']) {
      if (this.hasAttribute(n)) out.push([n, this.getAttribute(n)]);
    }
    return out;
  }

  async start() {
    const src = this.getAttribute('src');
    if (!src) throw new Error('The book has no address (src)');
    const url = this.bookUrl;
    const [program, bytes] = await Promise.all([
      loadProgram(globalThis.tavixBase || new URL('../', import.meta.url).href, globalThis.tavixCreateModule),
      fetch(url).then((r) => {
        if (!r.ok) throw new Error(`Cannot load the book ${src}: ${r.status} ${r.statusText}`);
        return r.arrayBuffer();
      }),
      ensureFont(),
    ]);
    if (!this.isConnected) return;
    this.key = this.tagKey;
    this.session = new BookSession(program, this);
    await this.session.create(this.tagParameters(), loadSaved(url, this.key));
    attachInput(this.canvas, this.session);
    const box = this.frame.getBoundingClientRect();
    await this.session.setWindow(Math.round(box.width), Math.round(box.height));
    this.resizer = new ResizeObserver((entries) => {
      const r = entries[entries.length - 1].contentRect;
      if (this.session?.id) this.session.setWindow(Math.round(r.width), Math.round(r.height));
    });
    this.resizer.observe(this.frame);
    await this.session.stream(url, new Uint8Array(bytes));
    this.shown = true;
    this.dispatchEvent(new CustomEvent('tavix-ready', { bubbles: true, composed: true }));
    window.addEventListener('pagehide', () => this.keepHistory());
  }

  // ---- What the bridge asks of the element ----
  baseUrl() { return document.baseURI; }
  overlay() { return this.layer; }

  status(text) {
    this.statusLine.textContent = text;
    this.dispatchEvent(new CustomEvent('tavix-status', { detail: text, bubbles: true, composed: true }));
  }

  open(url, target) {
    const ev = new CustomEvent('tavix-open', { detail: { url, target }, cancelable: true, bubbles: true, composed: true });
    if (!this.dispatchEvent(ev)) return;
    if (target === '_self') window.location.assign(url);
    else if (target === '_top') window.top.location.assign(url);
    else if (target === '_parent') window.parent.location.assign(url);
    else if (target === '_blank') window.open(url, '_blank', 'noopener');
    else window.open(url, target);
  }

  failed(message) {
    let box = this.shadowRoot.querySelector('.message');
    if (!box) {
      box = document.createElement('div');
      box.className = 'message';
      box.setAttribute('role', 'alert');
      this.frame.append(box);
    }
    box.textContent = message;
    this.dispatchEvent(new CustomEvent('tavix-error', { detail: message, bubbles: true, composed: true }));
  }

  changed() {
    this.dirty = true;
    if (this.painting || !this.session?.id) return;
    this.painting = true;
    requestAnimationFrame(() => this.repaint());
  }

  async repaint() {
    try {
      while (this.dirty && this.session?.id) {
        this.dirty = false;
        const doc = await this.session.picture();
        if (doc) paint(this.canvas, doc);
        await this.refreshSymbols();
        await this.keepHistory();
        if (doc) this.painted = (this.painted || 0) + 1;
        this.dispatchEvent(new CustomEvent('tavix-paint', { bubbles: true, composed: true }));
      }
    } catch {
      // A broken program has said so in the element already.
    } finally {
      this.painting = false;
    }
  }

  async keepHistory() {
    if (!this.session?.id || !this.shown) return;
    try {
      const bytes = await this.session.history();
      if (bytes.length > 1) storeSaved(this.bookUrl, this.key, bytes);
      this.historyBytes = bytes;
    } catch {
      // nothing to keep
    }
  }

  async refreshSymbols() {
    const { page, symbols } = await this.session.symbols();
    if (page !== this.pageName) {
      this.pageName = page;
      this.canvas.setAttribute('aria-label', page ? `Page ${page}` : 'Loading the book');
    }
    const signature = JSON.stringify(symbols);
    if (signature === this.symbolSignature) return;
    this.symbolSignature = signature;
    this.symbols = symbols;
    this.list.replaceChildren();
    symbols.forEach((s, i) => {
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.href = s.url || '#';
      const where = s.url ? `opens ${s.url}` : s.page ? `leads to the page ${s.page}` : 'leads nowhere yet';
      a.textContent = `${s.label || '(no label)'}: ${where}`;
      a.dataset.index = String(i);
      a.addEventListener('click', (e) => {
        e.preventDefault();
        this.openSymbol(i);
      });
      a.addEventListener('focus', () => this.outline(s.box));
      a.addEventListener('blur', () => { this.focusBox.style.display = 'none'; });
      li.append(a);
      this.list.append(li);
    });
  }

  outline([l, t, r, b]) {
    Object.assign(this.focusBox.style, {
      display: 'block', left: `${l - 3}px`, top: `${t - 3}px`, width: `${r - l + 2}px`, height: `${b - t + 2}px`,
    });
  }

  // Opens the symbol as a double click on its centre does.
  openSymbol(index) {
    const s = this.symbols?.[index];
    if (!s) return Promise.resolve();
    const x = (s.box[0] + s.box[2]) / 2, y = (s.box[1] + s.box[3]) / 2;
    this.session.mouse(0x201, x, y, 1);
    this.session.mouse(0x202, x, y, 0);
    this.session.mouse(0x201, x, y, 1);
    return this.session.mouse(0x202, x, y, 0);
  }

  async close() {
    this.resizer?.disconnect();
    if (!this.session?.id) return;
    const session = this.session;
    try {
      const saved = await session.destroy();
      if (saved && saved.length > 1) storeSaved(this.bookUrl, this.key, saved);
    } catch {
      // the program is broken; nothing to keep
    }
  }
}

if (!customElements.get('tvx-book')) customElements.define('tvx-book', TavixBook);
