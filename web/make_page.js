// Makes the page: the template with the version and the module, in base64, put in.
// Usage: node make_page.js TEMPLATE MODULE VERSION PAGE
'use strict';
const fs = require('node:fs');
const [template, wasm, version, page] = process.argv.slice(2);
const text = fs.readFileSync(template, 'utf8')
    .replaceAll('@PROJECT_VERSION@', version)
    .replace('@MODULE_BASE64@', fs.readFileSync(wasm).toString('base64'));
fs.writeFileSync(page, text);
