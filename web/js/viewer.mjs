// The viewer page: opens a book from ?book=ADDRESS, from the file picker or
// from a file dropped on the page, and keeps the page shown and the zoom in
// the address (#page=ID&zoom=N, or zoom=fit), one history entry per page, so
// that the browser's Back and Forward walk the pages shown and a copied
// address opens the same page.

import { splitHistory } from './bridge.mjs';

const ZOOM_COMMANDS = { 50: 0xf0, 75: 0xf1, 100: 0xf2, 150: 0xf3, 200: 0xf4, fit: 0xf5 };

// The page and zoom an address's fragment names.
export function readFragment(hash) {
  const p = new URLSearchParams(String(hash).replace(/^#/, ''));
  const page = p.get('page');
  const zoom = p.get('zoom');
  return {
    page: page && /^\d{1,10}$/.test(page) ? page : null,
    zoom: zoom && Object.hasOwn(ZOOM_COMMANDS, zoom) ? zoom : null,
  };
}

export function writeFragment(page, zoom) {
  const p = new URLSearchParams();
  if (page) p.set('page', page);
  if (zoom && zoom !== '100') p.set('zoom', zoom);
  return '#' + p.toString();
}

const main = document.getElementById('main');
const zoomSelect = document.getElementById('zoom');
let book = null;
let shownPage = null;

function open(src, name) {
  main.replaceChildren();
  book = document.createElement('tvx-book');
  book.setAttribute('src', src);
  book.setAttribute('width', '100%');
  book.setAttribute('height', 'calc(100% - 1.8em)');
  const wanted = readFragment(location.hash);
  if (wanted.page) book.setAttribute('node', wanted.page);
  document.getElementById('title').textContent = name;
  book.addEventListener('tavix-ready', async () => {
    if (wanted.zoom) {
      zoomSelect.value = wanted.zoom;
      await book.session.zoom(ZOOM_COMMANDS[wanted.zoom]);
    }
  });
  book.addEventListener('tavix-paint', () => {
    const ids = splitHistory(book.historyBytes || new Uint8Array(0));
    const page = ids[ids.length - 1];
    if (!page || page === shownPage) return;
    const hash = writeFragment(page, zoomSelect.value);
    if (shownPage === null) history.replaceState({ page }, '', hash);
    else if (readFragment(location.hash).page !== page) history.pushState({ page }, '', hash);
    shownPage = page;
  });
  main.append(book);
}

window.addEventListener('popstate', () => {
  const { page } = readFragment(location.hash);
  if (book?.session && page && page !== shownPage) {
    shownPage = page;
    book.session.gotoPage(page);
  }
});

zoomSelect.addEventListener('change', () => {
  if (!book?.session) return;
  book.session.zoom(ZOOM_COMMANDS[zoomSelect.value]);
  history.replaceState(history.state, '', writeFragment(shownPage, zoomSelect.value));
});

document.getElementById('file').addEventListener('change', (e) => {
  const f = e.target.files[0];
  if (f) open(URL.createObjectURL(f), f.name);
});
document.addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  const f = e.dataTransfer?.files?.[0];
  if (f) open(URL.createObjectURL(f), f.name);
});

const address = new URLSearchParams(location.search).get('book');
if (address) open(address, address);
