// The browser's side of the plug-in interface: loads the WebAssembly program
// once per page, answers the plug-in's calls on the browser (NPN_GetURL,
// NPN_Status) for the book that made them, and offers each book's element the
// calls a browser makes (NPP_New, NPP_SetWindow, the stream, events,
// NPP_Destroy) as one BookSession.
//
// The program has one stack and may be waiting, unwound, for a person's answer
// (a message box, a menu) or for the next event of a modal loop, so calls never
// overlap: each waits for the one before (`exclusive`). While a modal loop
// waits, the next pointer or key event goes straight to it instead of queueing.
// A trap in the program (WebAssembly.RuntimeError, an abort) breaks it for the
// whole page: every book shows the error, nothing is called again, the page
// stays usable.

import { checkAddress } from './url_policy.mjs';
import { Desktop } from './desktop.mjs';

export const BLOCK = 1023;  // the largest block the plug-in is handed at once

class Program {
  constructor() {
    this.books = new Map();  // book number -> the element's handler
    this.chain = Promise.resolve();
    this.broken = null;
    this.waiter = null;
    this.busy = 0;
    this.desktop = new Desktop((id) => this.books.get(id) || this.books.values().next().value);
  }

  async load(base, createModule) {
    const self = this;
    this.m = await createModule({
      locateFile: (path) => base + path,
      tavixBrowser: {
        getURL: (id, url, target) => self.getURL(id, url, target),
        status: (id, text) => self.books.get(id)?.status(text),
        waitInput: (ms) => self.waitInput(ms),
      },
      tavixDesktop: this.desktop,
      onAbort: (what) => self.fail(new WebAssembly.RuntimeError(`abort: ${what}`)),
      print: () => {},
      printErr: (t) => console.debug('tavix:', t),
    });
    const e = await this.exclusive((m) => m.ccall('tvx_start', 'number', [], [], { async: true }));
    if (e !== 0) throw new Error(`the plug-in did not start (error ${e})`);
    // Timers of the books (their clock is the page's) fall due between events.
    setInterval(() => {
      if (this.busy || this.broken || this.books.size === 0) return;
      this.exclusive((m) => m.ccall('tvx_pump', 'number', [], [], { async: true }), true)
        .then((n) => n > 0 && this.changed(), () => {});
    }, 100);
  }

  // Runs `task(module)` when every earlier call is done; unless `quiet` (a
  // call that only reads), the books are told afterwards that they may have
  // changed.
  exclusive(task, quiet = false) {
    const run = async () => {
      if (this.broken) throw this.broken;
      this.busy++;
      try {
        return await task(this.m);
      } catch (e) {
        throw this.fail(e);
      } finally {
        this.busy--;
      }
    };
    const p = this.chain.then(run, run);
    this.chain = p.then(() => quiet || this.changed(), () => {});
    return p;
  }

  call(name, types, args) {
    return this.exclusive((m) => m.ccall(name, 'number', types, args, { async: true }));
  }

  // A failure inside a call. A trap (WebAssembly.RuntimeError, an abort)
  // breaks the program for good and every book says so; any other error is
  // the caller's to report.
  fail(e) {
    if (this.broken) return this.broken;
    const trap = e instanceof WebAssembly.RuntimeError || /abort|unreachable|memory access/i.test(String(e?.message));
    if (!trap) return e;
    this.broken = new Error(`The book viewer stopped: ${e.message || e}`);
    for (const b of this.books.values()) b.failed(this.broken.message);
    return this.broken;
  }

  changed() {
    for (const b of this.books.values()) b.changed();
  }

  waitInput(ms) {
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        this.waiter = null;
        resolve(null);
      }, ms);
      this.waiter = (event) => {
        clearTimeout(timer);
        this.waiter = null;
        resolve(event);
      };
    });
  }

  input(event) {
    if (this.waiter) {
      this.waiter(event);
      return Promise.resolve(0);
    }
    return this.call('tvx_input', ['number', 'number', 'number', 'number', 'number', 'number'], event);
  }

  getURL(id, url, target) {
    const book = this.books.get(id);
    if (!book) return 2;  // NPERR_INVALID_INSTANCE_ERROR
    const verdict = checkAddress(url, book.baseUrl());
    if (!verdict.ok) {
      book.status(verdict.reason);
      return 1;  // NPERR_GENERIC_ERROR
    }
    // Opened once the program's call is over: navigating may end the page.
    setTimeout(() => book.open(verdict.href, target || '_self'), 0);
    return 0;
  }

  bytes(m, length) {
    const at = m.ccall('tvx_result', 'number', [], []);
    return m.HEAPU8.slice(at, at + length);
  }

  text(m, length) {
    return new TextDecoder().decode(this.bytes(m, length));
  }

  // Copies `bytes` into the program's memory for the time of `use(pointer)`.
  async withBuffer(m, bytes, use) {
    const p = m._malloc(Math.max(bytes.length, 1));
    try {
      m.HEAPU8.set(bytes, p);
      return await use(p);
    } finally {
      m._free(p);
    }
  }
}

let program = null;

// The program of this page, loaded on first use from the folder at `base`.
export function loadProgram(base, createModule) {
  if (!program) {
    const p = new Program();
    program = p.load(base, createModule).then(() => p);
  }
  return program;
}

const encoder = new TextEncoder();
function cString(text) {
  const b = encoder.encode(String(text));
  const out = new Uint8Array(b.length + 1);
  out.set(b);
  return out;
}

// One book on the page, as the browser's instance of the plug-in.
export class BookSession {
  // `handler`: { status(text), open(url, target), changed(), failed(message), baseUrl() }.
  constructor(prog, handler) {
    this.p = prog;
    this.handler = handler;
    this.id = 0;
  }

  // NPP_New with the tag's parameters ([[name, value], ...]) and saved data.
  async create(params, saved) {
    const parts = [];
    for (const [n, v] of params) parts.push(cString(n), cString(v));
    const block = new Uint8Array(parts.reduce((s, b) => s + b.length, 0));
    let at = 0;
    for (const b of parts) {
      block.set(b, at);
      at += b.length;
    }
    const savedBytes = saved || new Uint8Array(0);
    const id = await this.p.exclusive((m) =>
      this.p.withBuffer(m, block, (a) =>
        this.p.withBuffer(m, savedBytes, (s) =>
          m.ccall('tvx_new', 'number', ['number', 'number', 'number', 'number', 'number'],
                  [params.length, a, block.length, s, savedBytes.length], { async: true }))));
    if (id <= 0) throw new Error(`The plug-in refused the book (error ${-id})`);
    this.id = id;
    this.p.books.set(id, this.handler);
    return id;
  }

  setWindow(width, height) {
    return this.p.call('tvx_set_window', ['number', 'number', 'number'], [this.id, width, height]);
  }

  // The whole stream: NPP_NewStream, blocks of at most BLOCK bytes as the
  // plug-in is ready for them, NPP_DestroyStream.
  stream(url, bytes, reason = 0) {
    return this.p.exclusive(async (m) => {
      const ccall = (n, t, a) => m.ccall(n, 'number', t, a, { async: true });
      const e = await this.p.withBuffer(m, cString(url), (u) =>
        ccall('tvx_stream_new', ['number', 'number', 'number'], [this.id, u, bytes.length]));
      if (e !== 0) return e;
      const buffer = m._malloc(BLOCK);
      try {
        let done = 0;
        while (done < bytes.length) {
          const ready = await ccall('tvx_stream_ready', ['number'], [this.id]);
          if (ready <= 0) break;
          const n = Math.min(ready, BLOCK, bytes.length - done);
          m.HEAPU8.set(bytes.subarray(done, done + n), buffer);
          const taken = await ccall('tvx_stream_write', ['number', 'number', 'number', 'number'],
                                    [this.id, done, n, buffer]);
          if (taken <= 0) break;
          done += Math.min(taken, n);
        }
      } finally {
        m._free(buffer);
      }
      return ccall('tvx_stream_end', ['number', 'number'], [this.id, reason]);
    });
  }

  mouse(message, x, y, keys) {
    return this.p.input([this.id, 1, message, Math.round(x), Math.round(y), keys]);
  }

  key(virtualKey, ch, modifiers) {
    return this.p.input([this.id, 2, virtualKey, ch, modifiers, 0]);
  }

  pump() {
    return this.p.call('tvx_pump', [], []);
  }

  picture() {
    return this.p.exclusive((m) => {
      const n = m.ccall('tvx_picture', 'number', ['number'], [this.id]);
      return n > 0 ? JSON.parse(this.p.text(m, n)) : null;
    }, true);
  }

  symbols() {
    return this.p.exclusive(
      (m) => JSON.parse(this.p.text(m, m.ccall('tvx_symbols', 'number', ['number'], [this.id]))), true);
  }

  // The page history in the saved-data form (splitHistory reads it).
  history() {
    return this.p.exclusive((m) => {
      const n = m.ccall('tvx_history', 'number', ['number'], [this.id]);
      return n > 0 ? this.p.bytes(m, n) : new Uint8Array(0);
    }, true);
  }

  // Shows the page `name` names (an id or a page name).
  gotoPage(name) {
    return this.p.exclusive((m) =>
      this.p.withBuffer(m, cString(name), (s) =>
        m.ccall('tvx_goto', 'number', ['number', 'number'], [this.id, s], { async: true })));
  }

  zoom(command) {
    return this.p.call('tvx_zoom', ['number', 'number'], [this.id, command]);
  }

  // NPP_Destroy; the saved data handed back (bytes), or null.
  async destroy() {
    if (!this.id) return null;
    const id = this.id;
    this.id = 0;
    try {
      return await this.p.exclusive(async (m) => {
        const n = await m.ccall('tvx_destroy', 'number', ['number'], [id], { async: true });
        return n >= 0 ? this.p.bytes(m, n) : null;
      });
    } finally {
      this.p.books.delete(id);
    }
  }
}

// Saved data: entries each ended by a NUL, then one more NUL.
export function splitHistory(bytes) {
  const out = [];
  let start = 0;
  for (let i = 0; i < bytes.length; ++i) {
    if (bytes[i] !== 0) continue;
    if (i === start) break;
    out.push(new TextDecoder().decode(bytes.subarray(start, i)));
    start = i + 1;
  }
  return out;
}
