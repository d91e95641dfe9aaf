// Every page's JSON Canvas file in the example's site is checked against the
// format's schema (json-canvas.schema.json), and against what a schema cannot
// say: node ids are unique and every edge joins two nodes of the canvas. A few
// documents that break the format make sure the schema does refuse.
// Usage: node canvas_schema_test.mjs TVX BOOK SCRATCH
import Ajv from 'ajv';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { fail, filesEndingIn, writeSite } from './site_support.mjs';

const [tvx, book, scratch] = process.argv.slice(2);
const here = path.dirname(fileURLToPath(import.meta.url));
const schema = JSON.parse(fs.readFileSync(path.join(here, 'json-canvas.schema.json'), 'utf8'));
const validate = new Ajv({ allErrors: true, strict: false }).compile(schema);

const { site } = writeSite(tvx, book, scratch);
const canvases = filesEndingIn(site, '.canvas');
if (canvases.length < 16) fail(`expected a canvas per page, found ${canvases.length}`);
for (const file of canvases) {
  const doc = JSON.parse(fs.readFileSync(path.join(site, file), 'utf8'));
  if (!validate(doc)) fail(`${file}: ${JSON.stringify(validate.errors)}`);
  const ids = new Set();
  for (const n of doc.nodes) {
    if (ids.has(n.id)) fail(`${file}: node id ${n.id} twice`);
    ids.add(n.id);
  }
  for (const e of doc.edges) {
    if (ids.has(e.id)) fail(`${file}: edge id ${e.id} is taken`);
    ids.add(e.id);
    if (!doc.nodes.some((n) => n.id === e.fromNode) || !doc.nodes.some((n) => n.id === e.toNode)) {
      fail(`${file}: edge ${e.id} joins a node the canvas does not have`);
    }
  }
}

const node = { id: 'a', type: 'text', x: 0, y: 0, width: 10, height: 10, text: 'A' };
const broken = [
  { nodes: [{ ...node, x: 1.5 }], edges: [] },
  { nodes: [{ ...node, text: undefined }], edges: [] },
  { nodes: [{ ...node, color: 'red' }], edges: [] },
  { nodes: [{ ...node, type: 'shape' }], edges: [] },
  { nodes: [node], edges: [{ id: 'e', fromNode: 'a', toNode: 'a', fromSide: 'middle' }] },
  { nodes: [node], edges: [{ id: 'e', fromNode: 'a' }] },
];
for (const doc of broken) {
  if (validate(JSON.parse(JSON.stringify(doc)))) fail(`the schema lets through ${JSON.stringify(doc)}`);
}
if (!process.exitCode) console.log(`${canvases.length} canvases follow the JSON Canvas schema`);
