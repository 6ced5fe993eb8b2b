// Times the page converting one file in headless Chromium, from file://: from the moment the file
// is chosen to the moment its listing is offered for download. Prints the seconds.
// Usage: node page_speed.js PAGE SOURCE      (puppeteer-core on NODE_PATH, Debian's chromium)
'use strict';
const path = require('node:path');
const puppeteer = require('puppeteer-core');

async function main() {
    const [page, source] = process.argv.slice(2);
    const browser = await puppeteer.launch({
        executablePath: '/usr/bin/chromium',
        args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    try {
        const tab = await browser.newPage();
        await tab.goto('file://' + path.resolve(page));
        const [chooser] = await Promise.all([tab.waitForFileChooser(), tab.click('#drop')]);
        const started = process.hrtime.bigint();
        await chooser.accept([path.resolve(source)]);
        await tab.waitForFunction(() => !document.getElementById('result').hidden,
                                  { timeout: 600000, polling: 10 });
        console.log((Number(process.hrtime.bigint() - started) / 1e9).toFixed(3));
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.log(`page_speed: ${error.message}`);
    process.exitCode = 1;
});
