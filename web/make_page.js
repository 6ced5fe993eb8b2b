// Makes the page: the template with the version, the module in base64, and the VHDL function
// that reads a listing, taken from the VHDL example so that the two never differ, put in; then
// the hashes of its one script and one style sheet, which its Content-Security-Policy allows,
// and nothing else.
// Usage: node make_page.js TEMPLATE MODULE VERSION VHDL_EXAMPLE PAGE
'use strict';
const crypto = require('node:crypto');
const fs = require('node:fs');
const [template, wasm, version, vhdlExample, page] = process.argv.slice(2);
const readListing = fs.readFileSync(vhdlExample, 'utf8')
    .match(/^ *-- The words of a hexwords listing[^]*?^ *end function;$/m)[0]
    .replace(/^ {2}/gm, '');
let text = fs.readFileSync(template, 'utf8')
    .replaceAll('@PROJECT_VERSION@', version)
    .replace('@MODULE_BASE64@', () => fs.readFileSync(wasm).toString('base64'))
    .replace('@VHDL_READ_LISTING@', () => JSON.stringify(readListing));
for (const element of ['script', 'style']) {
    const [, content] = text.match(new RegExp(`<${element}>([^]*?)</${element}>`));
    const hash = crypto.createHash('sha256').update(content).digest('base64');
    text = text.replace(`@${element.toUpperCase()}_HASH@`, `'sha256-${hash}'`);
}
fs.writeFileSync(page, text);
