// What the site checks share: writing the example's site and its pages' JSON
// descriptions with the built tvx into a scratch folder, and listing files.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

// Writes the site of `book` into <scratch>/site and every page's description
// into <scratch>/json; returns both folders.
export function writeSite(tvx, book, scratch) {
  fs.rmSync(scratch, { recursive: true, force: true });
  fs.mkdirSync(scratch, { recursive: true });
  const site = path.join(scratch, 'site');
  const json = path.join(scratch, 'json');
  execFileSync(tvx, ['html', book, site], { stdio: ['ignore', 'ignore', 'inherit'] });
  execFileSync(tvx, ['render', '--all', '--format', 'json', '-o', json, book], { stdio: ['ignore', 'ignore', 'inherit'] });
  return { site, json };
}

export function filesEndingIn(folder, tail) {
  return fs.readdirSync(folder).filter((f) => f.endsWith(tail)).sort();
}

export function fail(message) {
  console.error(`FAIL: ${message}`);
  process.exitCode = 1;
}
