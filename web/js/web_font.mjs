// The web font the pictures' text is drawn in: Liberation Sans (regular and
// bold), metric compatible with the platform's width table, loaded from the
// folder's fonts/ when the first book needs it (the page's own text never
// waits for it).

let loading = null;

export function ensureFont() {
  if (!loading) {
    const base = globalThis.tavixBase || new URL('../', import.meta.url).href;
    const faces = [['Regular', 'normal'], ['Bold', 'bold']].map(([file, weight]) => {
      const face = new FontFace('Liberation Sans', `url(${base}fonts/LiberationSans-${file}.ttf)`, { weight });
      document.fonts.add(face);
      return face.load().catch(() => null);  // without it the fallback face draws
    });
    loading = Promise.all(faces);
  }
  return loading;
}
