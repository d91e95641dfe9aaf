// The desktop of the browser build: message boxes, prompts and popup menus
// shown as HTML over the book that asks, each answered by the person there.
// Every question is a promise; the program waits for it with its stack unwound
// (web/host/web_desktop.h). `bookOf(id)` gives the asking book's element
// handler, whose overlay() is the layer over its canvas.

// Buttons of a message box by its type's low four bits, with their answers.
const IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
const BUTTONS = [
  [['OK', IDOK]],
  [['OK', IDOK], ['Cancel', IDCANCEL]],
  [['Abort', IDABORT], ['Retry', IDRETRY], ['Ignore', IDIGNORE]],
  [['Yes', IDYES], ['No', IDNO], ['Cancel', IDCANCEL]],
  [['Yes', IDYES], ['No', IDNO]],
  [['Retry', IDRETRY], ['Cancel', IDCANCEL]],
];

function el(tag, attrs = {}, text) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  if (text !== undefined) e.textContent = text;
  return e;
}

export class Desktop {
  constructor(bookOf) {
    this.bookOf = bookOf;
  }

  layer(id) {
    const book = this.bookOf(id);
    return book ? book.overlay() : document.body;
  }

  messageBox(id, text, caption, type) {
    const buttons = BUTTONS[type & 0xf] || BUTTONS[0];
    const defIndex = Math.min((type >> 8) & 0xf, buttons.length - 1);
    const layer = this.layer(id);
    return new Promise((resolve) => {
      const box = el('div', { class: 'tvx-box', role: 'alertdialog', 'aria-modal': 'true' });
      const title = el('div', { class: 'tvx-box-title', id: `tvx-box-${id}-${Date.now()}` }, caption);
      box.setAttribute('aria-labelledby', title.id);
      box.append(title, el('p', { class: 'tvx-box-text' }, text));
      const row = el('div', { class: 'tvx-box-buttons' });
      const done = (answer) => {
        box.remove();
        resolve(answer);
      };
      buttons.forEach(([label, answer], i) => {
        const b = el('button', { type: 'button', 'data-answer': String(answer) }, label);
        b.addEventListener('click', () => done(answer));
        row.append(b);
        if (i === defIndex) queueMicrotask(() => b.focus());
      });
      box.addEventListener('keydown', (e) => {
        e.stopPropagation();
        if (e.key !== 'Escape') return;
        const cancel = buttons.find(([, a]) => a === IDCANCEL) || (buttons.length === 1 ? buttons[0] : null);
        if (cancel) done(cancel[1]);
      });
      box.append(row);
      layer.append(box);
    });
  }

  // The text typed, or null when cancelled.
  inputBox(id, title, prompt, initial) {
    const layer = this.layer(id);
    return new Promise((resolve) => {
      const box = el('form', { class: 'tvx-box', role: 'dialog', 'aria-modal': 'true', 'aria-label': title });
      const field = el('input', { type: 'text', 'aria-label': prompt });
      field.value = initial;
      const ok = el('button', { type: 'submit' }, 'OK');
      const cancel = el('button', { type: 'button' }, 'Cancel');
      const done = (v) => {
        box.remove();
        resolve(v);
      };
      box.addEventListener('submit', (e) => {
        e.preventDefault();
        done(field.value);
      });
      cancel.addEventListener('click', () => done(null));
      box.addEventListener('keydown', (e) => {
        e.stopPropagation();
        if (e.key === 'Escape') done(null);
      });
      const row = el('div', { class: 'tvx-box-buttons' });
      row.append(ok, cancel);
      box.append(el('div', { class: 'tvx-box-title' }, title), el('p', { class: 'tvx-box-text' }, prompt), field, row);
      layer.append(box);
      queueMicrotask(() => field.focus());
    });
  }

  // `items`: "id|flags|text" lines (web/host/web_desktop.h). The command
  // chosen, or 0.
  popupMenu(id, items, x, y) {
    const layer = this.layer(id);
    return new Promise((resolve) => {
      const menu = el('div', { class: 'tvx-menu', role: 'menu' });
      menu.style.left = `${x}px`;
      menu.style.top = `${y}px`;
      let depth = 0;
      const entries = [];
      for (const line of items.split('\n')) {
        if (!line) continue;
        const [cmd, flags, ...rest] = line.split('|');
        const text = rest.join('|').replace(/&(.)/g, '$1').split('\t')[0];
        if (flags.includes('<')) {
          depth--;
          continue;
        }
        if (flags.includes('s')) {
          menu.append(el('hr', { role: 'separator' }));
          continue;
        }
        const item = el('button', { type: 'button', role: flags.includes('c') ? 'menuitemcheckbox' : 'menuitem' }, text);
        item.style.paddingLeft = `${0.8 + depth}em`;
        if (flags.includes('c')) item.setAttribute('aria-checked', 'true');
        if (flags.includes('g') || flags.includes('>')) item.disabled = true;
        else item.addEventListener('click', () => done(Number(cmd)));
        if (flags.includes('>')) depth++;
        menu.append(item);
        entries.push(item);
      }
      // A press anywhere else dismisses the menu (the path, not the target:
      // inside the book's shadow tree the document sees only the book).
      const away = (e) => {
        if (!e.composedPath().includes(menu)) done(0);
      };
      const done = (answer) => {
        document.removeEventListener('pointerdown', away, true);
        menu.remove();
        resolve(answer);
      };
      menu.addEventListener('keydown', (e) => {
        e.stopPropagation();
        if (e.key === 'Escape') done(0);
      });
      setTimeout(() => document.addEventListener('pointerdown', away, true), 0);
      layer.append(menu);
      queueMicrotask(() => entries.find((b) => !b.disabled)?.focus());
    });
  }
}
