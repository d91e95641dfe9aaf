// The saved data a book hands back when its element goes (its page history),
// kept for the browser session under the book's address and the tag's place on
// the page, so that coming back to the page shows the page last shown. The
// bytes are kept as base64 text in sessionStorage.

const PREFIX = 'tavix:saved:';

function key(bookUrl, tag) {
  return PREFIX + bookUrl + '#' + tag;
}

export function loadSaved(bookUrl, tag) {
  try {
    const text = sessionStorage.getItem(key(bookUrl, tag));
    if (!text) return null;
    const raw = atob(text);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  } catch {
    return null;  // storage refused or damaged: start at the home page
  }
}

export function storeSaved(bookUrl, tag, bytes) {
  try {
    if (!bytes || bytes.length === 0) {
      sessionStorage.removeItem(key(bookUrl, tag));
      return;
    }
    let raw = '';
    for (const b of bytes) raw += String.fromCharCode(b);
    sessionStorage.setItem(key(bookUrl, tag), btoa(raw));
  } catch {
    // Storage full or refused: the next visit starts at the home page.
  }
}
