// The person's pointer, wheel and keys on a book's canvas, handed to the book
// as the platform's window messages: presses, releases and moves with the
// key-state word (the platform makes double clicks of two presses by its own
// timing and distance), the wheel as line scrolls, keys as virtual keys with
// their character.

const WM_MOUSEMOVE = 0x200, WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202;
const WM_RBUTTONDOWN = 0x204, WM_RBUTTONUP = 0x205;
const MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_ALT = 0x100;

const NAMED_KEYS = {
  Enter: 0x0d, Escape: 0x1b, Backspace: 0x08, Tab: 0x09, ' ': 0x20, Delete: 0x2e, Insert: 0x2d,
  ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Home: 0x24, End: 0x23,
  PageUp: 0x21, PageDown: 0x22, F1: 0x70,
};

function keyState(e) {
  let k = 0;
  if (e.buttons & 1) k |= MK_LBUTTON;
  if (e.buttons & 2) k |= MK_RBUTTON;
  if (e.shiftKey) k |= MK_SHIFT;
  if (e.ctrlKey) k |= MK_CONTROL;
  return k;
}

export function virtualKey(e) {
  if (NAMED_KEYS[e.key] !== undefined) return NAMED_KEYS[e.key];
  if (/^[a-z]$/i.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
  if (/^[0-9]$/.test(e.key)) return e.key.charCodeAt(0);
  return 0xe5;  // a character without a key of its own
}

// Sends `canvas`'s events to `session` (bridge.mjs BookSession).
export function attachInput(canvas, session) {
  const at = (e) => {
    const r = canvas.getBoundingClientRect();
    return [e.clientX - r.left, e.clientY - r.top];
  };
  canvas.addEventListener('pointerdown', (e) => {
    if (e.button !== 0 && e.button !== 2) return;
    canvas.focus({ preventScroll: true });
    canvas.setPointerCapture?.(e.pointerId);
    const [x, y] = at(e);
    session.mouse(e.button === 0 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, x, y, keyState(e));
    e.preventDefault();
  });
  canvas.addEventListener('pointerup', (e) => {
    if (e.button !== 0 && e.button !== 2) return;
    const [x, y] = at(e);
    session.mouse(e.button === 0 ? WM_LBUTTONUP : WM_RBUTTONUP, x, y, keyState(e));
  });
  let pendingMove = null;
  canvas.addEventListener('pointermove', (e) => {
    // One move per frame is all a person can see.
    const first = pendingMove === null;
    pendingMove = [...at(e), keyState(e)];
    if (!first) return;
    requestAnimationFrame(() => {
      const [x, y, k] = pendingMove;
      pendingMove = null;
      session.mouse(WM_MOUSEMOVE, x, y, k);
    });
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    const lines = Math.max(1, Math.min(10, Math.round(Math.abs(e.deltaY || e.deltaX) / 40)));
    const horizontal = Math.abs(e.deltaX) > Math.abs(e.deltaY) || e.shiftKey;
    const d = horizontal ? e.deltaX || e.deltaY : e.deltaY;
    for (let i = 0; i < lines; ++i) session.p.input([session.id, horizontal ? 4 : 3, d > 0 ? 1 : -1, 0, 0, 0]);
  }, { passive: false });
  canvas.addEventListener('keydown', (e) => {
    if (e.key === 'Tab') return;  // Tab moves between the page's symbols
    const ch = e.key.length === 1 ? e.key.charCodeAt(0) & 0xff : (e.key === 'Enter' ? 13 : 0);
    let mods = 0;
    if (e.shiftKey) mods |= MK_SHIFT;
    if (e.ctrlKey) mods |= MK_CONTROL;
    if (e.altKey) mods |= MK_ALT;
    session.key(virtualKey(e), ch, mods);
    e.preventDefault();
  });
}
