// The page, opened from file:// in headless Chromium as a user opens it once downloaded: files
// chosen or dropped on it give the listing the native program writes, offered for download under
// the source's name; a source that cannot be read gives its message and nothing to download.
// Usage: node page_test.js PAGE CASES_DIRECTORY [SCREENSHOTS_DIRECTORY]
//   CASES_DIRECTORY holds pairs NAME.txt and NAME.hex, the listing that NAME.txt must give.
// Needs puppeteer-core (from npm, on NODE_PATH) and Debian's chromium.
'use strict';
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const [page, casesDirectory, screenshots] = process.argv.slice(2);

// Flags for a machine with no network and no user session, run as root.
const chromiumFlags = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
    '--no-first-run', '--disable-background-networking', '--disable-component-update',
    '--disable-sync'];

async function waitForOutcome(tab) {
    await tab.waitForFunction(() => !document.getElementById('result').hidden ||
                                    !document.getElementById('error').hidden, { timeout: 120000 });
    return tab.evaluate(() => ({
        error: document.getElementById('error').hidden ? null
                                                        : document.getElementById('error').textContent,
        download: document.getElementById('result').hidden ? null
                                                            : document.getElementById('download').download,
    }));
}

// Clicks the page's download link and returns the file that the browser saved.
async function download(tab, name, directory) {
    const client = await tab.createCDPSession();
    await client.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: directory });
    await tab.click('#download');
    const saved = path.join(directory, name);
    for (let tries = 0; !fs.existsSync(saved) || fs.existsSync(saved + '.crdownload'); ++tries) {
        assert.ok(tries < 1200, `${name} was not downloaded`);
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    return fs.readFileSync(saved);
}

async function convertsEveryCase(tab, downloads) {
    const names = fs.readdirSync(casesDirectory).filter((name) => name.endsWith('.txt'));
    assert.ok(names.length > 0, `no NAME.txt in ${casesDirectory}`);
    for (const name of names) {
        await tab.reload();
        const [chooser] = await Promise.all([tab.waitForFileChooser(), tab.click('#drop')]);
        await chooser.accept([path.join(casesDirectory, name)]);
        const expectedName = name.replace(/\.txt$/, '.hex');
        assert.deepEqual(await waitForOutcome(tab), { error: null, download: expectedName });
        const listing = await download(tab, expectedName, downloads);
        assert.ok(listing.equals(fs.readFileSync(path.join(casesDirectory, expectedName))),
                  `${expectedName} differs from the native program's listing`);
        console.log(`ok: ${name} gives ${expectedName}, ${listing.length} bytes`);
    }
}

// A file that was chosen and then removed from the disk before the page read it, dropped on the
// page: the browser cannot read it, as with a file on a disk that has gone. Its size is asked for
// before it is removed, so that the browser has noted the file as chosen, whenever it would
// otherwise do so: a browser that noted it only on reading would find no file and list nothing.
async function reportsUnreadableSource(tab, scratch) {
    await tab.reload();
    const removed = path.join(scratch, 'notes.txt');
    fs.writeFileSync(removed, 'HI\n');
    const holder = await tab.evaluateHandle(() => {
        const input = document.createElement('input');
        input.type = 'file';
        return input;
    });
    await holder.uploadFile(removed);
    assert.equal(await tab.evaluate((input) => input.files[0].size, holder), 3);
    fs.unlinkSync(removed);
    await tab.evaluate((input) => {
        const files = new DataTransfer();
        files.items.add(input.files[0]);
        document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: files, bubbles: true }));
    }, holder);
    assert.deepEqual(await waitForOutcome(tab), { error: 'Error reading notes.txt', download: null });
    console.log('ok: a source that cannot be read gives "Error reading notes.txt" and no download');
}

// The page at a laptop's width and a phone's, with a listing shown, for a person to look at.
async function takeScreenshots(tab) {
    fs.mkdirSync(screenshots, { recursive: true });
    for (const [name, width, height, phone] of [['laptop', 1366, 900, false], ['phone', 390, 844, true]]) {
        await tab.setViewport({ width, height, deviceScaleFactor: phone ? 2 : 1, isMobile: phone,
                                hasTouch: phone });
        await tab.reload();
        const [chooser] = await Promise.all([tab.waitForFileChooser(), tab.click('#drop')]);
        await chooser.accept([path.join(casesDirectory, 'sample.txt')]);
        await waitForOutcome(tab);
        await tab.screenshot({ path: path.join(screenshots, `page-${name}.png`), fullPage: true });
    }
}

async function main() {
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'hexwords-page-'));
    const browser = await puppeteer.launch({
        executablePath: '/usr/bin/chromium', args: chromiumFlags,
        userDataDir: path.join(scratch, 'profile'),
    });
    try {
        const tab = await browser.newPage();
        const problems = [];
        tab.on('pageerror', (error) => problems.push(error.message));
        await tab.goto('file://' + path.resolve(page));
        fs.mkdirSync(path.join(scratch, 'downloads'));
        await convertsEveryCase(tab, path.join(scratch, 'downloads'));
        await reportsUnreadableSource(tab, scratch);
        if (screenshots) await takeScreenshots(tab);
        assert.deepEqual(problems, [], 'the page raised errors');
    } finally {
        await browser.close();
        fs.rmSync(scratch, { recursive: true, force: true });
    }
}

main().catch((error) => {
    console.log(`FAIL: ${error.message}`);
    process.exitCode = 1;
});
