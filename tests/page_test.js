// The page, opened from file:// as a user opens it once downloaded, in one of three engines:
// Chromium and Firefox through puppeteer-core, WebKit (WebKitGTK's MiniBrowser, Safari's engine)
// through WebKitWebDriver and selenium-webdriver. In each, every chosen file gives the listing
// that the native program writes, saved through the page's real download link, with its words,
// lines and the characters it leaves out, by kind; and, for a listing of up to 100,000 words,
// the Quartus .mif and the Vivado .coe of its words, the same as srec_cat's and the awk recipe's
// of docs/hardware.md. In Chromium also: text typed into the box, the
// Verilog and VHDL declarations, loaded by Icarus and GHDL as the page shows them, with the Copy
// button, the progress of a long conversion, a source that cannot be read, every control from
// the keyboard, and axe-core's WCAG 2.1 A and AA rules before and after a conversion.
// Usage: node page_test.js ENGINE PAGE CASES_DIRECTORY [SCREENSHOTS_DIRECTORY]
//   ENGINE is chromium, firefox or webkit (which needs a display: run it under xvfb-run).
//   CASES_DIRECTORY holds pairs NAME.txt and NAME.hex, the listing that NAME.txt must give;
//   typed.txt, if there, is also typed into the box in Chromium.
// Needs puppeteer-core, selenium-webdriver and axe-core (from npm, on NODE_PATH) and Debian's
// chromium, firefox-esr, webkit2gtk-driver, iverilog, ghdl and srecord.
'use strict';
const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
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
        open: (url = pageUrl) => tab.goto(url),
        choose: async (file) => (await tab.$('#source')).uploadFile(file),
        run: (body, ...args) => tab.evaluate(new Function(body), ...args),
        forgetErrors: () => problems.splice(0),
        outcome: async () => (await tab.waitForFunction(new Function(outcomeScript),
                                                         { timeout: 120000 })).jsonValue(),
        download: async (name, link = 'download') => {
            await tab.click('#' + link);
            return savedFile(downloads, name);
        },
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
        open: (url = pageUrl) => driver.get(url),
        choose: (file) => driver.findElement(By.id('source')).sendKeys(file),
        run: (body, ...args) => driver.executeScript(body, ...args),
        forgetErrors: () => {},
        outcome: () => driver.wait(() => driver.executeScript(outcomeScript), 120000),
        download: async (name, link = 'download') => {
            await driver.findElement(By.id(link)).click();
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

// What a listing leaves out, by kind: as the page names one and more, and which bytes they are.
const droppedKinds = [
    ['lower-case letter', 'lower-case letters', (byte) => byte >= 0x61 && byte <= 0x7a],
    ['of the symbols [\\]^_`{|}~', 'of the symbols [\\]^_`{|}~',
        (byte) => '[\\]^_`{|}~'.includes(String.fromCharCode(byte))],
    ['tab or carriage return', 'tabs or carriage returns', (byte) => byte === 9 || byte === 13],
    ['other control byte', 'other control bytes', (byte) => (byte < 32 && ![9, 10, 13].includes(byte)) || byte === 0x7f],
];

const escaped = (text) => text.replace(/[\\^$.*+?()[\]{}|]/g, '\\$&');

// The page's account of what the source left out, in characters: the bytes of each ASCII kind;
// the characters outside ASCII, as a browser decodes the source, and the bytes from 0x80 on that
// make none (the test's sources hold no U+FFFD of their own); a few of each kind shown; and the
// reminder that capitals and digits keep their words where letters were dropped.
function checkDropped(text, source) {
    const counts = droppedKinds.map(() => 0);
    for (const byte of source) {
        const kind = droppedKinds.findIndex(([, , isOfKind]) => isOfKind(byte));
        if (kind >= 0) ++counts[kind];
    }
    const outside = [...new TextDecoder().decode(source)].filter((character) => character.codePointAt(0) >= 0x80 &&
                                                                               character !== '\ufffd');
    const high = source.filter((byte) => byte >= 0x80).length;
    const notUtf8 = high - outside.reduce((sum, character) => sum + Buffer.byteLength(character), 0);
    const kinds = [...droppedKinds.map(([one, more], kind) => [one, more, counts[kind]]),
        ['character outside ASCII', 'characters outside ASCII', outside.length],
        ['byte from 0x80 on that is not UTF-8', 'bytes from 0x80 on that are not UTF-8', notUtf8]];
    const total = kinds.reduce((sum, [, , count]) => sum + count, 0);
    const named = (count, one, more) => `${count.toLocaleString('en')} ${count === 1 ? one : more}`;
    if (total === 0) {
        assert.equal(text, 'Every character of the source gave a memory word or a line.');
        return;
    }
    assert.ok(text.startsWith(`${named(total, 'character', 'characters')} of the source left no memory word: `), text);
    for (const [one, more, count] of kinds) {
        assert.equal(text.includes(` ${one}`) || text.includes(` ${more}`), count > 0, text);
        if (count > 0) assert.ok(text.includes(named(count, one, more)), text);
    }
    // Each character shown of a kind is one of the source's, of that kind: a character itself, or
    // a byte as 0xHH.
    const asByte = (shown) => /^0x[0-9A-F]{2}$/.test(shown) ? parseInt(shown.slice(2), 16) : shown.charCodeAt(0);
    const ofKind = [...droppedKinds.map(([one, more, isOfKind]) => [one, more, (shown) =>
        (shown.length === 1 || shown.startsWith('0x')) && isOfKind(asByte(shown)) && source.includes(asByte(shown))]),
        ['character outside ASCII', 'characters outside ASCII', (shown) => outside.includes(shown)],
        ['byte from 0x80 on that is not UTF-8', 'bytes from 0x80 on that are not UTF-8',
            (shown) => /^0x[89A-F][0-9A-F]$/.test(shown) && source.includes(asByte(shown))]];
    for (const [one, more, isShownRight] of ofKind) {
        const shown = text.match(new RegExp(`(?:${escaped(one)}|${escaped(more)}), such as (.*?)(?:; |\\. [A-Z]|\\.$)`));
        if (shown) {
            for (const item of shown[1].split(/, | and /)) assert.ok(isShownRight(item), `${item} in: ${text}`);
        }
    }
    assert.equal(text.includes('Capitals and digits keep their words'), counts[0] + outside.length > 0, text);
}

// The Quartus .mif and the Vivado .coe of a listing, as srec_cat and the awk recipe of
// docs/hardware.md write them; the .mif from its first line that is not a comment.
function vendorFilesOf(listing) {
    const run = (command, ...args) => {
        const { status, stdout, stderr } = childProcess.spawnSync(command, args, { encoding: 'utf8' });
        assert.equal(status, 0, `${command}: ${stderr}`);
        return stdout;
    };
    const recipe = fs.readFileSync(path.join(__dirname, '..', 'docs', 'hardware.md'), 'utf8')
        .match(/^awk '(BEGIN \{ print "memory_initialization_radix[^\n]*)' notes\.hex >notes\.coe$/m)[1];
    return { mif: run('srec_cat', listing, '-vmem', '-o', '-', '-mif', '16').replace(/^(--.*\n)*/, ''),
             coe: run('awk', recipe, listing) };
}

// Every case gives its listing through the download, the words and lines that it holds, and
// what its source left out.
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
        assert.match(await browser.text('words'), words === 0 ? /^The listing holds no memory words/
            : new RegExp(`^${words.toLocaleString('en')} memory words in ${lines.toLocaleString('en')} lines\\.`));
        checkDropped(await browser.text('dropped'), fs.readFileSync(path.join(casesDirectory, name)));
        const listing = await browser.download(expectedName);
        assert.ok(listing.equals(expected), `${expectedName} differs from the native program's listing`);
        let vendors = '';
        if (words > 0 && words <= 100000) {
            const made = vendorFilesOf(path.join(casesDirectory, expectedName));
            const stem = expectedName.replace(/\.hex$/, '');
            const mif = (await browser.download(`${stem}.mif`, 'download-mif')).toString();
            assert.equal(mif.replace(/^(--.*\n)*/, ''), made.mif, `${stem}.mif differs from srec_cat's`);
            const coe = (await browser.download(`${stem}.coe`, 'download-coe')).toString();
            assert.equal(coe, made.coe, `${stem}.coe differs from the awk recipe's`);
            vendors = `, and its .mif and .coe`;
        }
        console.log(`ok: ${name} gives ${expectedName}, ${listing.length} bytes, ${words} words${vendors}`);
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

// The words that a declaration, pasted as the page shows it, loads from the listing beside it,
// in the order the memory holds them, and all else that the simulator says (such as a warning
// that the memory's depth is not the listing's): Verilog's in a module that Icarus runs, VHDL's
// context clauses above an entity and the rest in its architecture, which GHDL runs.
function loadedWords(language, declaration, listing, words) {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'hexwords-declaration-'));
    fs.copyFileSync(listing, path.join(work, path.basename(listing)));
    const run = (command, ...args) => {
        const { status, stdout, stderr } = childProcess.spawnSync(command, args, { cwd: work, encoding: 'utf8' });
        assert.equal(status, 0, `${command} ${args.join(' ')}: ${stdout}${stderr}`);
        return stdout + stderr;
    };
    let said;
    if (language === 'verilog') {
        fs.writeFileSync(path.join(work, 'pasted.v'), `module pasted;\n${declaration}\n` +
            `integer index;\ninitial for (index = 0; index < ${words}; index = index + 1) $display("%h", rom[index]);\n` +
            'endmodule\n');
        run('iverilog', '-g2005', '-o', 'pasted', 'pasted.v');
        said = run('vvp', '-n', 'pasted');
    } else {
        const [context, declarations] = declaration.split(/^(?=-- In the architecture)/m);
        fs.writeFileSync(path.join(work, 'pasted.vhd'), `${context}entity pasted is\nend entity;\n\n` +
            `architecture test of pasted is\n${declarations}\nbegin\n  process\n    variable text : line;\n` +
            '  begin\n    for index in rom\'range loop\n      hwrite(text, rom(index));\n' +
            '      writeline(output, text);\n    end loop;\n    wait;\n  end process;\nend architecture;\n');
        run('ghdl', '-a', '--std=08', 'pasted.vhd');
        said = run('ghdl', '--elab-run', '--std=08', 'pasted');
    }
    fs.rmSync(work, { recursive: true });
    return said.toLowerCase().split(/\s+/).filter((word) => word !== '');
}

// sample.txt: its words and lines, and a declaration of exactly that depth in Verilog and, as
// chosen from the keyboard, in VHDL, each of which loads every word of the listing in order, and
// which Copy puts on the clipboard; the choice holds for the next conversion.
async function declaresMemoryOfListing({ tab, choose, outcome, open }) {
    await open();
    await choose(path.join(casesDirectory, 'sample.txt'));
    await outcome();
    const listing = path.join(casesDirectory, 'sample.hex');
    const { words, lines } = wordsAndLines(fs.readFileSync(listing));
    const listed = fs.readFileSync(listing, 'utf8').split(/\s+/).filter((word) => word !== '');
    assert.deepEqual(await shownMemory(tab), {
        words: `${words} memory words in ${lines} lines. To load them, declare a memory of ${words} words:`,
        declaration: `reg [15:0] rom [0:${words - 1}];\ninitial $readmemh("sample.hex", rom);`,
    });
    assert.deepEqual(loadedWords('verilog', (await shownMemory(tab)).declaration, listing, words), listed);
    await tab.focus('#verilog');
    await tab.keyboard.press('ArrowRight');
    assert.equal(await tab.evaluate(() => document.activeElement.id), 'vhdl');
    const vhdl = (await shownMemory(tab)).declaration;
    assert.match(vhdl, new RegExp('^-- At the top of the file:\nlibrary ieee;\n[^]*\n-- In the architecture, before its begin:\n' +
                                  `type rom_words is array \\(0 to ${words - 1}\\) of std_logic_vector\\(15 downto 0\\);\n`));
    assert.ok(vhdl.endsWith('\nconstant rom : rom_words := read_listing("sample.hex");'), vhdl);
    assert.deepEqual(loadedWords('vhdl', vhdl, listing, words), listed);
    await tab.keyboard.press('Tab');
    assert.equal(await tab.evaluate(() => document.activeElement.id), 'copy');
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.getElementById('copied').textContent === 'Copied.');
    assert.equal(await tab.evaluate(() => navigator.clipboard.readText()), vhdl);
    await tab.type('#text', 'HI');
    await tab.waitForFunction(() => document.getElementById('download').download === 'text.hex');
    assert.ok((await shownMemory(tab)).declaration.endsWith('read_listing("text.hex");'));
    console.log(`ok: sample.txt has ${words} words in ${lines} lines, declared in Verilog and VHDL, ` +
                'each loading every word, and copied');
}

// A long conversion, of 200 MB: its progress shows part way, in the result's place, announced
// and clean by axe-core; its result then replaces it. Typing while another runs stops it for good.
async function showsProgress({ tab, scratch, open, choose, outcome }) {
    const large = path.join(scratch, 'large.txt');
    const chunk = Buffer.from('HELLO, ROM! Only capitals keep their words.\n'.repeat(20000));
    const file = fs.openSync(large, 'w');
    while (fs.fstatSync(file).size < 200e6) fs.writeSync(file, chunk);
    fs.closeSync(file);
    const megabytes = (fs.statSync(large).size / 1e6).toFixed(1);
    const partWay = () => tab.waitForFunction(() => {
        const bar = document.getElementById('progress');
        return !document.getElementById('progress-block').hidden && bar.value > 0 && bar.value < 1;
    }, { timeout: 60000, polling: 20 });
    // Whether the progress shows, what it and the screen reader's announcement say, and whether
    // a result shows.
    const progress = () => tab.evaluate(() => [!document.getElementById('progress-block').hidden,
        ...['progress-label', 'progress-text', 'announce'].map((id) => document.getElementById(id).textContent),
        !document.getElementById('result').hidden]);

    await open();
    const started = Date.now();
    await choose(large);
    await partWay();
    const [shown, label, text, announced, resultShown] = await progress();
    assert.deepEqual([shown, label, announced, resultShown],
                     [true, 'Converting large.txt…', 'Converting large.txt…', false]);
    assert.match(text, new RegExp(`^[1-9][0-9]?% of ${megabytes} MB$`));
    assert.deepEqual(await axeViolations(tab), [], 'axe-core finds violations while the progress shows');
    assert.deepEqual(await outcome(), { error: null, download: 'large.hex' });
    const seconds = (Date.now() - started) / 1000;
    const [shownAfter, , , announcedAfter, resultShownAfter] = await progress();
    assert.deepEqual([shownAfter, announcedAfter, resultShownAfter], [false, '', true]);

    await choose(large);
    await partWay();
    await tab.type('#text', 'HI');
    await tab.waitForFunction(() => document.getElementById('download').download === 'text.hex');
    await pause(1500 * seconds);
    assert.deepEqual(await outcome(), { error: null, download: 'text.hex' });
    assert.equal((await progress())[0], false);
    fs.rmSync(large);
    console.log(`ok: 200 MB in ${seconds.toFixed(1)} s, with its progress shown part way; typing stopped it`);
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
    assert.deepEqual(await shownMemory(tab), { words: '2 memory words in 1 line. To load them, declare a memory of 2 words:',
                                               declaration: 'reg [15:0] rom [0:1];\ninitial $readmemh("text.hex", rom);' });
    await tab.evaluate(() => { document.getElementById('text').value = ''; });
    await tab.type('#text', 'x');
    await tab.waitForFunction(() => document.getElementById('preview').textContent === '');
    await tab.type('#text', 'Y');
    await tab.waitForFunction(() => document.getElementById('preview').textContent === '5900 ');
    assert.equal((await shownMemory(tab)).words, '1 memory word in 1 line. To load it, declare a memory of 1 word:');
    await tab.evaluate(() => { document.getElementById('text').value = ''; });
    await tab.type('#text', 'xyz');
    await tab.waitForFunction(() => document.getElementById('preview').textContent === '');
    assert.deepEqual(await shownMemory(tab), { words: 'The listing holds no memory words, so there is nothing to ' +
        'load, and no memory to declare: a memory of no words is not one that Verilog, VHDL or a vendor\'s IP can have.',
                                               declaration: null });
    assert.equal(await tab.evaluate(() => document.getElementById('vendor-files').hidden), true);
    await tab.click('#text', { clickCount: 3 });
    await tab.keyboard.press('Backspace');
    await tab.waitForFunction(() => document.getElementById('result').hidden);
    console.log('ok: typed text gives the program\'s listing of its UTF-8 bytes, as text.hex');
}

// From the keyboard alone: Tab reaches the file input, the text box, the download links of the
// listing and of its .mif and .coe, the language of the declaration and Copy, in that order; text
// is typed, Enter downloads and copies, and Space opens the file chooser.
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
    await next('download-mif');
    await next('download-coe');
    await tab.keyboard.press('Enter');
    assert.equal((await saved('text.coe')).toString(),
                 'memory_initialization_radix=16;\nmemory_initialization_vector=\n4800,\n4900;\n');
    await next('verilog');
    await next('copy');
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.getElementById('copied').textContent === 'Copied.');
    await tab.keyboard.down('Shift');
    await next('verilog');
    await next('download-coe');
    await next('download-mif');
    await next('download');
    await next('text');
    await next('source');
    await tab.keyboard.up('Shift');
    const [chooser] = await Promise.all([tab.waitForFileChooser(), tab.keyboard.press('Space')]);
    await chooser.accept([path.join(casesDirectory, 'sample.txt')]);
    await tab.waitForFunction(() => document.getElementById('download').download === 'sample.hex');
    console.log('ok: from the keyboard alone, every control in order, each doing its work');
}

// The violations of WCAG 2.1 A and AA that axe-core finds on the page as it is now. axe-core is
// run as the test's own script, which the page's Content-Security-Policy does not govern.
async function axeViolations(tab) {
    await tab.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
    return tab.evaluate(async () => (await window.axe.run(document, {
        runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
    })).violations.map((violation) => `${violation.id}: ${violation.help}`));
}

// No violation that axe-core finds, before a conversion and after one.
async function passesAxe({ tab, open, choose, outcome }) {
    await open();
    assert.deepEqual(await axeViolations(tab), [], 'axe-core finds violations before a conversion');
    await choose(path.join(casesDirectory, 'sample.txt'));
    await outcome();
    assert.deepEqual(await axeViolations(tab), [], 'axe-core finds violations after a conversion');
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

// Every way out of a page that a script in it can try, to the server at arguments[0], each
// request named by its path; the form last, as it would take the page away.
const tryEveryWayOut = `
    const origin = arguments[0];
    const attempt = (way) => { try { const pending = way(); if (pending && pending.catch) pending.catch(() => {}); } catch {} };
    attempt(() => fetch(origin + '/fetch'));
    attempt(() => { const request = new XMLHttpRequest(); request.open('GET', origin + '/xhr'); request.send(); });
    attempt(() => { new Image().src = origin + '/image'; });
    const element = (name, attributes) => document.body.append(Object.assign(document.createElement(name), attributes));
    attempt(() => element('script', { src: origin + '/script' }));
    attempt(() => element('link', { rel: 'stylesheet', href: origin + '/stylesheet' }));
    attempt(() => element('iframe', { src: origin + '/frame' }));
    attempt(() => navigator.sendBeacon(origin + '/beacon', 'text'));
    attempt(() => new WebSocket(origin.replace('http:', 'ws:') + '/websocket'));
    attempt(() => new EventSource(origin + '/eventsource'));
    setTimeout(() => attempt(() => {
        const form = Object.assign(document.createElement('form'), { method: 'post', action: origin + '/form' });
        document.body.append(form);
        form.submit();
    }), 500);`;
const waysOut = ['beacon', 'eventsource', 'fetch', 'form', 'frame', 'image', 'script', 'stylesheet',
    'websocket', 'xhr'];

// After a conversion, a script in the page tries every way out to a server on this machine, and
// the server receives nothing. The same script in the page without its Content-Security-Policy
// reaches the server every way, so the test would see a way that the policy let through.
async function sendsNothing(browser) {
    const reached = new Set();
    const server = http.createServer((request, response) => {
        reached.add(request.url.slice(1));
        response.writeHead(204).end();
    });
    server.on('upgrade', (request, socket) => { reached.add(request.url.slice(1)); socket.destroy(); });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const origin = `http://127.0.0.1:${server.address().port}`;
    const reachedAfterConversion = async (url) => {
        reached.clear();
        await browser.open(url);
        await browser.choose(path.join(casesDirectory, 'sample.txt'));
        await browser.outcome();
        await browser.run(tryEveryWayOut, origin);
        await pause(2000);
        browser.forgetErrors(); // the refusals, and the replies that the page may not read
        return [...reached].sort();
    };
    try {
        const unprotected = path.join(browser.scratch, 'unprotected.html');
        fs.writeFileSync(unprotected, fs.readFileSync(page, 'utf8').replace(/<meta http-equiv="Content-Security-Policy"[^>]*>/, ''));
        assert.deepEqual(await reachedAfterConversion('file://' + unprotected), waysOut,
                         'without its policy, the page did not reach the server every way');
        assert.deepEqual(await reachedAfterConversion(pageUrl), [], 'the page reached the server');
    } finally {
        server.close();
    }
    console.log(`ok: ${waysOut.length} ways out all refused; without the page's policy, all ${waysOut.length} reach the server`);
}

async function main() {
    const browser = engine === 'webkit' ? await webkitTab() : await puppeteerTab(engine);
    try {
        console.log(`--- ${browser.version}`);
        await convertsEveryCase(browser);
        await sendsNothing(browser);
        if (engine === 'chromium') {
            await declaresMemoryOfListing(browser);
            await showsProgress(browser);
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
