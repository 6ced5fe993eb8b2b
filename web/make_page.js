// Makes the page: the template with the version, the module in base64, and the VHDL function
// that reads a listing, taken from the VHDL example so that the two never differ, put in.
// Usage: node make_page.js TEMPLATE MODULE VERSION VHDL_EXAMPLE PAGE
'use strict';
const fs = require('node:fs');
const [template, wasm, version, vhdlExample, page] = process.argv.slice(2);
const readListing = fs.readFileSync(vhdlExample, 'utf8')
    .match(/^ *-- The words of a hexwords listing[^]*?^ *end function;$/m)[0]
    .replace(/^ {2}/gm, '');
const text = fs.readFileSync(template, 'utf8')
    .replaceAll('@PROJECT_VERSION@', version)
    .replace('@MODULE_BASE64@', () => fs.readFileSync(wasm).toString('base64'))
    .replace('@VHDL_READ_LISTING@', () => JSON.stringify(readListing));
fs.writeFileSync(page, text);
