// The end of tavix.js, the one script a page adds: after the program's loader
// has defined createTavixModule, it starts the tag polyfill (js/polyfill.mjs)
// from the folder tavix.js was loaded from, so the program, the modules and
// the font are found beside it wherever the folder is served.
(function () {
  if (typeof document === 'undefined') return;
  var script = document.currentScript;
  var base = new URL('.', script && script.src ? script.src : location.href).href;
  globalThis.tavixBase = base;
  globalThis.tavixCreateModule = createTavixModule;
  var s = document.createElement('script');
  s.type = 'module';
  s.src = base + 'js/polyfill.mjs';
  document.head.appendChild(s);
})();
