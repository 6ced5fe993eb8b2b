// Runs a test program built for WASI under node, as the hexwords command runs its module.
// Usage: node run_wasi_module.js MODULE ARGUMENTS...
'use strict';
const { run } = require('../web/hexwords.js');
process.exitCode = run(process.argv[2], process.argv.slice(2));
