// Run before a test program of the browser build starts under node. The
// programs read their settings from the environment (the log folder, the
// profile, the temporary folder), and the WebAssembly runtime's environment
// starts with its own defaults only, so the process's variables are copied in.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (var name in process.env) ENV[name] = process.env[name];
});
