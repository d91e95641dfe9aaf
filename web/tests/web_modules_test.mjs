// The page modules' rules that need no browser, under node: which addresses a
// book may open (every scheme but http:, https: and mailto: refused, however
// it is spelled), where each target opens, and the saved-data form of the page
// history (entries each ended by a NUL, then one more NUL).
// Usage: node web_modules_test.mjs
import { splitHistory } from '../js/bridge.mjs';
import { checkAddress, targetWindow } from '../js/url_policy.mjs';

let failures = 0;
const check = (ok, message) => {
  if (!ok) {
    console.error(`FAIL: ${message}`);
    failures++;
  }
};

const base = 'https://books.example/shelf/page.html';
const followed = [
  ['https://science.nasa.gov/sun/', 'https://science.nasa.gov/sun/'],
  ['HTTP://Example.org/a', 'http://example.org/a'],
  ['mailto:someone@example.org', 'mailto:someone@example.org'],
  ['other.html#x', 'https://books.example/shelf/other.html#x'],
  ['  /top.html  ', 'https://books.example/top.html'],
  ['//cdn.example/b', 'https://cdn.example/b'],
];
for (const [address, href] of followed) {
  const v = checkAddress(address, base);
  check(v.ok && v.href === href, `${JSON.stringify(address)}: expected ${href}, got ${JSON.stringify(v)}`);
}
const refused = [
  'javascript:alert(1)', 'JavaScript:alert(1)', ' javascript:alert(1)', 'java\tscript:alert(1)',
  'java\nscript:alert(1)', '\u0001javascript:alert(1)', 'data:text/html,<script>x</script>', 'file:///etc/passwd',
  'vbscript:msgbox', 'ftp://example.org/', 'blob:https://books.example/1', 'about:blank', '', '   ', 'http://[bad',
];
for (const address of refused) {
  const v = checkAddress(address, base);
  check(!v.ok && typeof v.reason === 'string' && v.reason.length > 0,
        `${JSON.stringify(address)}: expected a refusal, got ${JSON.stringify(v)}`);
}
check(/Refused to open javascript: address/.test(checkAddress('javascript:x', base).reason), 'the refusal names the scheme');

const self = { top: 'TOP', parent: 'PARENT' };
for (const [target, name, win] of [['_self', '_self', self], ['', '_self', self], ['_top', '_top', 'TOP'],
  ['_parent', '_parent', 'PARENT'], ['_blank', '_blank', null], ['side', 'side', null]]) {
  const t = targetWindow(target, self);
  check(t.name === name && t.window === win, `target ${JSON.stringify(target)}: got ${JSON.stringify(t)}`);
}

const bytes = (s) => new TextEncoder().encode(s);
for (const [block, entries] of [['1\u00002\u00008\u0000\u0000', ['1', '2', '8']], ['\u0000', []], ['', []],
  ['1\u00002', ['1']], ['1\u0000\u00009\u0000\u0000', ['1']]]) {
  const got = splitHistory(bytes(block));
  check(JSON.stringify(got) === JSON.stringify(entries), `history ${JSON.stringify(block)}: got ${JSON.stringify(got)}`);
}
console.log(`module checks: ${failures === 0 ? 'passed' : `${failures} failed`}`);
process.exit(failures === 0 ? 0 : 1);
