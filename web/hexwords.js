#!/usr/bin/env node
// hexwords as a node command: the WebAssembly module beside this file, run under node's WASI
// with the whole file system open to it, from the directory the command was started in.
'use strict';
const { readFileSync } = require('node:fs');
const path = require('node:path');

// Runs a WASI module with these arguments, argument 0 first, and returns its exit status.
function run(modulePath, args) {
    process.removeAllListeners('warning'); // node calls its WASI experimental: not the user's news
    // node's fast calls into WASI may start the garbage collector inside them, and node then
    // crashes once a module's memory has grown (nodejs/node#46777): the module makes few calls,
    // and takes the slow ones.
    require('node:v8').setFlagsFromString('--no-turbo-fast-api-calls');
    const { WASI } = require('node:wasi');
    const wasi = new WASI({ version: 'preview1', args, env: { PWD: process.cwd() },
                            preopens: { '/': '/' }, returnOnExit: true });
    const compiled = new WebAssembly.Module(readFileSync(modulePath));
    return wasi.start(new WebAssembly.Instance(compiled, wasi.getImportObject()));
}

module.exports = { run };
if (require.main === module) {
    process.exitCode = run(path.join(__dirname, 'hexwords.wasm'), ['hexwords', ...process.argv.slice(2)]);
}
