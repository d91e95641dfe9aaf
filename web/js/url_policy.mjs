// Which addresses a book may open. A book comes from anywhere, so the address a
// symbol leads to is hostile until shown otherwise: only http:, https: and
// mailto: addresses and relative ones (resolved against the book's page) are
// followed; javascript:, data:, file:, vbscript: and every other scheme are
// refused, so a book can never run script in the page or reach local files.

const FOLLOWED = new Set(['http:', 'https:', 'mailto:']);

// { ok: true, href } for an address to follow, { ok: false, reason } otherwise.
export function checkAddress(address, base) {
  const text = String(address ?? '').trim();
  if (text === '') return { ok: false, reason: 'The address is empty' };
  // Control characters and blanks inside a scheme hide it from a naive check
  // ("java\tscript:"); the URL parser drops them, so judge what it makes.
  let url;
  try {
    url = new URL(text, base);
  } catch {
    return { ok: false, reason: `"${text}" is not an address` };
  }
  if (!FOLLOWED.has(url.protocol)) {
    return { ok: false, reason: `Refused to open ${url.protocol} address "${text}"` };
  }
  return { ok: true, href: url.href };
}

// Where the browser opens an address for a target: the window or frame to use.
export function targetWindow(target, self = window) {
  const t = String(target || '_self');
  if (t === '_self') return { window: self, name: '_self' };
  if (t === '_top') return { window: self.top, name: '_top' };
  if (t === '_parent') return { window: self.parent, name: '_parent' };
  return { window: null, name: t };  // _blank or a frame's name: window.open
}
