// The tag polyfill: what the page's old markup asked a browser to show with the
// plug-in is shown by a player element (player.mjs) instead. Every
// <embed type="application/x-tavixBook" src=...>, every <embed src="....tvx">
// and every <object type="application/x-tavixBook" data=...> (with its
// <param>s) becomes a <tvx-book> at the tag's width and height, handed the
// tag's attributes and parameters in order, as a browser hands them to NPP_New
// (the plug-in reads "node", "color" and "target"). Tags added later are found
// as they arrive.

import './player.mjs';

export const MIME_TYPE = 'application/x-tavixBook';

function isBookAddress(src) {
  if (!src) return false;
  try {
    return new URL(src, document.baseURI).pathname.toLowerCase().endsWith('.tvx');
  } catch {
    return false;
  }
}

export function isBookTag(el) {
  if (el.nodeType !== 1) return false;
  const type = (el.getAttribute('type') || '').trim().toLowerCase();
  if (el.localName === 'embed') return type === MIME_TYPE.toLowerCase() || (!type && isBookAddress(el.getAttribute('src')));
  if (el.localName === 'object') {
    return type === MIME_TYPE.toLowerCase() || (!type && isBookAddress(el.getAttribute('data')));
  }
  return false;
}

// The player for one tag; the tag is replaced by it.
export function replaceTag(tag) {
  const book = document.createElement('tvx-book');
  const params = [];
  for (const a of tag.attributes) params.push([a.name, a.value]);
  if (tag.localName === 'object') {
    for (const p of tag.querySelectorAll(':scope > param')) {
      if (p.getAttribute('name')) params.push([p.getAttribute('name'), p.getAttribute('value') ?? '']);
    }
  }
  const src = tag.localName === 'object' ? tag.getAttribute('data') : tag.getAttribute('src');
  book.setAttribute('src', src || '');
  for (const n of ['width', 'height', 'id', 'class', 'style', 'title']) {
    if (tag.hasAttribute(n)) book.setAttribute(n, tag.getAttribute(n));
  }
  book.params = params;
  tag.replaceWith(book);
  return book;
}

function scan(root) {
  if (isBookTag(root)) {
    replaceTag(root);
    return;
  }
  if (!root.querySelectorAll) return;
  for (const tag of root.querySelectorAll('embed, object')) {
    if (tag.isConnected && isBookTag(tag)) replaceTag(tag);
  }
}

function start() {
  scan(document.documentElement);
  new MutationObserver((records) => {
    for (const r of records) for (const n of r.addedNodes) scan(n);
  }).observe(document.documentElement, { childList: true, subtree: true });
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start, { once: true });
else start();
