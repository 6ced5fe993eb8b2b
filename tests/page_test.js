// The page, opened from file:// as a user opens it once downloaded, in one of three engines:
// Chromium and Firefox through puppeteer-core, WebKit (WebKitGTK's MiniBrowser, Safari's engine)
// through WebKitWebDriver and selenium-webdriver. In each, every chosen file gives the listing
// that the native program writes, saved through the page's real download link. In Chromium
// also: text typed into the box, the words and lines and the Verilog declaration with its Copy
// button, a source that cannot be read, every control from the keyboard, and axe-core's WCAG 2.1
// A and AA rules before and after a conversion.
// Usage: node page_test.js ENGINE PAGE CASES_DIRECTORY [SCREENSHOTS_DIRECTORY]
//   ENGINE is chromium, firefox or webkit (which needs a display: run it under xvfb-run).
//   CASES_DIRECTORY holds pairs NAME.txt and NAME.hex, the listing that NAME.txt must give;
//   typed.txt, if there, is also typed into the box in Chromium.
// Needs puppeteer-core, selenium-webdriver and axe-core (from npm, on NODE_PATH) and Debian's
// chromium, firefox-esr and webkit2gtk-driver.
'use strict';
const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

const [engine, page, casesDirectory, screenshots] = process.argv.slice(2);
const pageUrl = 'file://' + path.resolve(page);

// Flags for a machine with no network and no user session, run as root.
const chromiumFlags = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
    '--no-first-run', '--disable-background-networking', '--disable-component-update',
    '--disable-sync'];

const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// The file that a browser saves as name in directory, once it is complete; it is then removed,
// so that the next download of that name is not saved under another.
async function savedFile(directory, name) {
    const saved = path.join(directory, name);
    const partial = (file) => /\.(crdownload|part|wkdownload)$/.test(file);
    let size = -1;
    for (let tries = 0; ; ++tries) {
        assert.ok(tries < 1200, `${name} was not downloaded`);
        const complete = fs.existsSync(saved) && !fs.readdirSync(directory).some(partial);
        if (complete && fs.statSync(saved).size === size) {
            const content = fs.readFileSync(saved);
            fs.rmSync(saved);
            return content;
        }
        size = complete ? fs.statSync(saved).size : -1;
        await pause(100);
    }
}

// What the page shows once a conversion has ended: the error, or the name of the download.
const outcomeScript = `
    const shown = (id) => !document.getElementById(id).hidden;
    return shown('result') || shown('error')
        ? { error: shown('error') ? document.getElementById('error').textContent : null,
            download: shown('result') ? document.getElementById('download').download : null }
        : null;`;

// Each engine behind the same few steps.
async function puppeteerTab(browserName) {
    const puppeteer = require('puppeteer-core');
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'hexwords-page-'));
    const downloads = path.join(scratch, 'downloads');
    fs.mkdirSync(downloads);
    const browser = browserName === 'chromium'
        ? await puppeteer.launch({ executablePath: '/usr/bin/chromium', args: chromiumFlags,
                                   userDataDir: path.join(scratch, 'profile') })
        : await puppeteer.launch({
            browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
            extraPrefsFirefox: { 'browser.download.dir': downloads, 'browser.download.folderList': 2,
                                 'browser.download.useDownloadDir': true,
                                 'browser.download.always_ask_before_handling_new_types': false } });
    const tab = await browser.newPage();
    const problems = [];
    tab.on('pageerror', (error) => problems.push(error.message));
    if (browserName === 'chromium') {
        const client = await tab.createCDPSession();
        await client.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
        await browser.defaultBrowserContext().overridePermissions(pageUrl,
            ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    }
    return {
        tab, scratch, version: await browser.version(),
        open: () => tab.goto(pageUrl),
        choose: async (file) => (await tab.$('#source')).uploadFile(file),
        outcome: async () => (await tab.waitForFunction(new Function(outcomeScript),
                                                         { timeout: 120000 })).jsonValue(),
        download: async (name) => { await tab.click('#download'); return savedFile(downloads, name); },
        saved: (name) => savedFile(downloads, name),
        text: (id) => tab.$eval(`#${id}`, (element) => element.textContent),
        close: async () => {
            await browser.close();
            fs.rmSync(scratch, { recursive: true, force: true });
            assert.deepEqual(problems, [], 'the page raised errors');
        },
    };
}

async function freePort() {
    return new Promise((resolve) => {
        const server = net.createServer().listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
    });
}

// WebKitGTK's MiniBrowser saves downloads in its home folder: here, one of the test's own.
async function webkitTab() {
    const { Builder, By, Capabilities } = require('selenium-webdriver');
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'hexwords-page-'));
    const port = await freePort();
    const server = childProcess.spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`],
                                      { env: { ...process.env, HOME: scratch }, stdio: 'ignore' });
    const capabilities = new Capabilities();
    capabilities.set('browserName', 'MiniBrowser');
    capabilities.set('webkitgtk:browserOptions', {
        binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] });
    let driver;
    for (let tries = 0; !driver; ++tries) {
        try {
            driver = await new Builder().usingServer(`http://127.0.0.1:${port}`)
                .withCapabilities(capabilities).build();
        } catch (error) {
            if (tries === 50) throw error;
            await pause(200); // the driver is still starting
        }
    }
    const found = await driver.getCapabilities();
    return {
        scratch, version: `${found.get('browserName')}/${found.get('browserVersion')}`,
        open: () => driver.get(pageUrl),
        choose: (file) => driver.findElement(By.id('source')).sendKeys(file),
        outcome: () => driver.wait(() => driver.executeScript(outcomeScript), 120000),
        download: async (name) => {
            await driver.findElement(By.id('download')).click();
            return savedFile(scratch, name);
        },
        saved: (name) => savedFile(scratch, name),
        text: (id) => driver.findElement(By.id(id)).getAttribute('textContent'),
        close: async () => {
            await driver.quit();
            server.kill();
            fs.rmSync(scratch, { recursive: true, force: true });
        },
    };
}

// Every case gives its listing through the download, and the words and lines that it holds.
async function convertsEveryCase(browser) {
    const names = fs.readdirSync(casesDirectory).filter((name) => name.endsWith('.txt'));
    assert.ok(names.length > 0, `no NAME.txt in ${casesDirectory}`);
    for (const name of names) {
        await browser.open();
        await browser.choose(path.join(casesDirectory, name));
        const expectedName = name.replace(/\.txt$/, '.hex');
        assert.deepEqual(await browser.outcome(), { error: null, download: expectedName });
        const expected = fs.readFileSync(path.join(casesDirectory, expectedName));
        const { words, lines } = wordsAndLines(expected);
        assert.match(await browser.text('words'),
                     new RegExp(`^${words.toLocaleString('en')} words in ${lines.toLocaleString('en')} lines\\.`));
        const listing = await browser.download(expectedName);
        assert.ok(listing.equals(expected), `${expectedName} differs from the native program's listing`);
        console.log(`ok: ${name} gives ${expectedName}, ${listing.length} bytes, ${words} words`);
    }
}

// The words of a listing and its lines, as hardware tools count them.
function wordsAndLines(listing) {
    const lineFeeds = listing.filter((byte) => byte === 10).length;
    const endsLine = listing.length === 0 || listing[listing.length - 1] === 10;
    return { words: (listing.length - lineFeeds) / 5, lines: lineFeeds + (endsLine ? 0 : 1) };
}

const shownMemory = (tab) => tab.evaluate(() => ({
    words: document.getElementById('words').textContent,
    declaration: document.getElementById('declaration-block').hidden ? null
                                                                     : document.getElementById('declaration').textContent,
}));

// sample.txt: its words and lines, and a declaration of exactly that depth, which Copy puts on
// the clipboard from the keyboard.
async function declaresMemoryOfListing({ tab, choose, outcome, open }) {
    await open();
    await choose(path.join(casesDirectory, 'sample.txt'));
    await outcome();
    const { words, lines } = wordsAndLines(fs.readFileSync(path.join(casesDirectory, 'sample.hex')));
    assert.deepEqual(await shownMemory(tab), {
        words: `${words} words in ${lines} lines. To load them, declare a memory of ${words} words:`,
        declaration: `reg [15:0] rom [0:${words - 1}];\ninitial $readmemh("sample.hex", rom);`,
    });
    await tab.focus('#copy');
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.getElementById('copied').textContent === 'Copied.');
    assert.equal(await tab.evaluate(() => navigator.clipboard.readText()),
                 await tab.evaluate(() => document.getElementById('declaration').textContent));
    console.log(`ok: sample.txt has ${words} words in ${lines} lines, declared and copied`);
}

// Text typed into the box gives the program's listing of its UTF-8 bytes, named text.hex;
// text without a word says so and declares nothing; an emptied box shows no listing.
async function listsTypedText({ tab, open, outcome, download }) {
    const typed = path.join(casesDirectory, 'typed.txt');
    await open();
    await tab.type('#text', fs.readFileSync(typed, 'utf8'));
    assert.deepEqual(await outcome(), { error: null, download: 'text.hex' });
    const listing = await download('text.hex');
    assert.ok(listing.equals(fs.readFileSync(typed.replace(/\.txt$/, '.hex'))),
              'the typed text\'s listing differs from the native program\'s');
    await tab.evaluate(() => { document.getElementById('text').value = ''; });
    await tab.type('#text', 'only lower case');
    await tab.waitForFunction(() => document.getElementById('preview').textContent === '0000 0000 ');
    assert.deepEqual(await shownMemory(tab), { words: '2 words in 1 line. To load them, declare a memory of 2 words:',
                                               declaration: 'reg [15:0] rom [0:1];\ninitial $readmemh("text.hex", rom);' });
    await tab.evaluate(() => { document.getElementById('text').value = ''; });
    await tab.type('#text', 'xyz');
    await tab.waitForFunction(() => document.getElementById('preview').textContent === '');
    assert.deepEqual(await shownMemory(tab),
                     { words: 'The listing holds no words, so there is nothing to load.', declaration: null });
    await tab.click('#text', { clickCount: 3 });
    await tab.keyboard.press('Backspace');
    await tab.waitForFunction(() => document.getElementById('result').hidden);
    console.log('ok: typed text gives the program\'s listing of its UTF-8 bytes, as text.hex');
}

// From the keyboard alone: Tab reaches the file input, the text box, the download link and Copy,
// in that order; text is typed, Enter downloads and copies, and Space opens the file chooser.
async function worksFromKeyboard({ tab, open, outcome, saved }) {
    await open();
    const focused = () => tab.evaluate(() => document.activeElement.id);
    const next = async (id, key = 'Tab') => {
        await tab.keyboard.press(key);
        assert.equal(await focused(), id, `${key} did not reach #${id}`);
    };
    await next('source');
    await next('text');
    await tab.keyboard.type('HI');
    await outcome();
    await next('download');
    await tab.keyboard.press('Enter');
    assert.equal((await saved('text.hex')).toString(), '4800 4900 ');
    await next('copy');
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.getElementById('copied').textContent === 'Copied.');
    await tab.keyboard.down('Shift');
    await next('download');
    await next('text');
    await next('source');
    await tab.keyboard.up('Shift');
    const [chooser] = await Promise.all([tab.waitForFileChooser(), tab.keyboard.press('Space')]);
    await chooser.accept([path.join(casesDirectory, 'sample.txt')]);
    await tab.waitForFunction(() => document.getElementById('download').download === 'sample.hex');
    console.log('ok: from the keyboard alone, every control in order, each doing its work');
}

// No violation of WCAG 2.1 A or AA that axe-core finds, before a conversion and after one.
async function passesAxe({ tab, open, choose, outcome }) {
    const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
    const violations = async () => {
        await tab.addScriptTag({ content: axeSource });
        const found = await tab.evaluate(async () => (await window.axe.run(document, {
            runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
        })).violations.map((violation) => `${violation.id}: ${violation.help}`));
        return found;
    };
    await open();
    assert.deepEqual(await violations(), [], 'axe-core finds violations before a conversion');
    await choose(path.join(casesDirectory, 'sample.txt'));
    await outcome();
    assert.deepEqual(await violations(), [], 'axe-core finds violations after a conversion');
    console.log('ok: axe-core finds no violation of WCAG 2.1 A or AA, before and after a conversion');
}

// A file that was chosen and then removed from the disk before the page read it, dropped on the
// page: the browser cannot read it, as with a file on a disk that has gone. Its size is asked for
// before it is removed, so that the browser has noted the file as chosen, whenever it would
// otherwise do so: a browser that noted it only on reading would find no file and list nothing.
async function reportsUnreadableSource({ tab, scratch, open, outcome }) {
    await open();
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
    assert.deepEqual(await outcome(), { error: 'Error reading notes.txt', download: null });
    console.log('ok: a source that cannot be read gives "Error reading notes.txt" and no download');
}

// The page at a laptop's width and a phone's, light and dark, with a listing shown, for a person
// to look at.
async function takeScreenshots({ tab, open, choose, outcome }) {
    fs.mkdirSync(screenshots, { recursive: true });
    for (const scheme of ['light', 'dark']) {
        await tab.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
        for (const [name, width, height, phone] of [['laptop', 1366, 900, false], ['phone', 390, 844, true]]) {
            await tab.setViewport({ width, height, deviceScaleFactor: phone ? 2 : 1, isMobile: phone,
                                    hasTouch: phone });
            await open();
            await choose(path.join(casesDirectory, 'sample.txt'));
            await outcome();
            await tab.screenshot({ path: path.join(screenshots, `page-${name}-${scheme}.png`),
                                   fullPage: true });
        }
    }
}

async function main() {
    const browser = engine === 'webkit' ? await webkitTab() : await puppeteerTab(engine);
    try {
        console.log(`--- ${browser.version}`);
        await convertsEveryCase(browser);
        if (engine === 'chromium') {
            await declaresMemoryOfListing(browser);
            await listsTypedText(browser);
            await worksFromKeyboard(browser);
            await passesAxe(browser);
            await reportsUnreadableSource(browser);
            if (screenshots) await takeScreenshots(browser);
        }
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.log(`FAIL (${engine}): ${error.message}`);
    process.exitCode = 1;
});
