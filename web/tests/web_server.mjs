// A static file server for the browser tests, on the loopback address: serves
// one folder with the types a browser needs (the program as application/wasm,
// so that it compiles while it downloads).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.wasm': 'application/wasm', '.css': 'text/css', '.ttf': 'font/ttf', '.tvx': 'application/x-tavixBook',
  '.png': 'image/png', '.svg': 'image/svg+xml', '.pdf': 'application/pdf',
};

// Serves the first of `roots` that has the file asked for; resolves with
// { url, close() } once listening on a free port.
export function serve(...roots) {
  const server = http.createServer((req, res) => {
    const rel = path.normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)).replace(/^([/\\])+/, '');
    const file = roots.map((r) => path.join(path.resolve(r), rel))
      .find((f, i) => f.startsWith(path.resolve(roots[i])) && fs.existsSync(f) && fs.statSync(f).isFile());
    if (!file) {
      res.writeHead(404).end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() });
    });
  });
}
