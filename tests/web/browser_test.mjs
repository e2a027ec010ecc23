// Plays the web game in headless Chromium the way a player does: typing each
// line into the page and pressing Enter (or tapping the send button on a
// phone), or Ctrl+D to end input. What the game wrote must be exactly the
// console game's transcript for the same input, and main must return 0. It
// also blocks the wasm, plays offline after one visit, and measures (never
// asserts) the time to the first prompt on a slow link. Puppeteer comes from
// KSIEZYC_NODE_MODULES (the build's pinned copy) or from beside this file.
//
//   node browser_test.mjs [SITE_DIR [SCREENSHOT_DIR]]
// (default: build/web/site, screenshots beside it in build/web/screenshots)
import { mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const puppeteer = createRequire(path.join(process.env.KSIEZYC_NODE_MODULES ?? here, 'x.js'))(
    'puppeteer-core');

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const site = path.resolve(process.argv[2] ?? path.join(root, 'build/web/site'));
const shots = path.resolve(process.argv[3] ?? path.join(site, '../screenshots'));
mkdirSync(shots, { recursive: true });
const prompt = 'Wpisz numer: ';

// Transcripts a keyboard can type (no control characters). Input left
// without a final line end is sent with Ctrl+D; input that runs out before
// the game ends is ended with Ctrl+D on an empty line, as on a terminal.
const games = [
    'status_rest_quit',
    'status_then_quit',
    'several_numbers_on_one_line',
    'ignored_numbers',
    'signs',
    'digit_then_letters',
    'letter_at_first_prompt',
    'build_unavailable',
    'end_of_input',
    'no_final_line_end',
];

// A static host for the site on loopback, compressing as hosts do when asked.
const types = {
    '.html': 'text/html; charset=utf-8', '.css': 'text/css', '.js': 'text/javascript',
    '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json',
    '.png': 'image/png', '.svg': 'image/svg+xml',
};
function serve(dir, { compress = false } = {}) {
    const server = createServer((request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://host').pathname.slice(1));
        const file = path.basename(name) || 'index.html';
        let body;
        try {
            body = readFileSync(path.join(dir, file));
        } catch {
            response.writeHead(404).end();
            return;
        }
        const headers = { 'Content-Type': types[path.extname(file)] ?? 'text/plain' };
        if (compress) {
            body = gzipSync(body, { level: 9 });
            headers['Content-Encoding'] = 'gzip';
        }
        response.writeHead(200, headers).end(body);
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        stop: () => new Promise((done) => {
            server.close(done);
            server.closeAllConnections();
        }),
    })));
}

const state = () => ({
    output: window.gameOutput,
    state: document.body.dataset.state,
    exit: document.body.dataset.exit,
    focused: document.activeElement?.id,
});

// Waits until the game has answered what was typed: it has written more and
// waits at a prompt again, or it has ended.
async function settle(page, before) {
    await page.waitForFunction(
        (length, text) => document.body.dataset.exit !== undefined ||
            (window.gameOutput.length > length && window.gameOutput.endsWith(text)),
        { timeout: 30000 }, before, prompt);
}

async function ctrlD(page) {
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyD');
    await page.keyboard.up('Control');
}

async function open(page, url) {
    await page.goto(url);
    await page.waitForFunction((text) => window.gameOutput?.endsWith(text), {}, prompt);
}

async function play(page, url, name) {
    const input = readFileSync(path.join(root, 'tests/transcripts', `${name}.in`), 'latin1');
    const expected = readFileSync(path.join(root, 'tests/transcripts', `${name}.out`), 'utf8');
    await open(page, url);
    const problems = [];
    if ((await page.evaluate(state)).focused !== 'entry') {
        problems.push('the input line does not have the cursor at the start');
    }
    const lines = input.split('\n');
    const last = lines.pop();
    for (const line of lines) {
        const before = await page.evaluate(state);
        if (before.exit !== undefined) {
            break;
        }
        await page.keyboard.type(line);
        await page.keyboard.press('Enter');
        await settle(page, before.output.length);
    }
    // A number sent without a line end waits, as on a terminal, for what
    // comes after it: here the end of input.
    if (last !== '' && (await page.evaluate(state)).exit === undefined) {
        await page.keyboard.type(last);
        await ctrlD(page);
    }
    if ((await page.evaluate(state)).exit === undefined) {
        await ctrlD(page);
    }
    await page.waitForFunction(() => document.body.dataset.exit !== undefined, { timeout: 30000 });
    const after = await page.evaluate(state);
    if (after.output !== expected) {
        problems.push(`output differs from ${name}.out:\n--- expected ---\n${expected}\n` +
            `--- page ---\n${after.output}`);
    }
    if (after.exit !== '0' || after.state !== 'ended') {
        problems.push(`main returned ${after.exit}, not 0 (page ${after.state})`);
    }
    if (after.focused !== 'again') {
        problems.push('the way to play again does not have the focus after the game');
    }
    return problems;
}

// What the page shows, less the echoed input, must be what the game wrote.
const shownGameText = () => Array.from(document.getElementById('output').childNodes)
    .filter((node) => !(node.classList?.contains('typed')))
    .map((node) => node.textContent).join('');

async function pasteLongLine(page, url) {
    await open(page, url);
    const line = Array.from({ length: 400 }, (_, i) => (i % 2 ? '2' : '1')).join(' ') + ' 0';
    const started = performance.now();
    await page.keyboard.sendCharacter(line);
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.body.dataset.exit !== undefined, { timeout: 60000 });
    const shown = await page.evaluate(shownGameText);
    const milliseconds = performance.now() - started;
    const { output } = await page.evaluate(state);
    console.log(`measure: a pasted line of 401 numbers showed its ${output.length} characters ` +
        `of output in ${milliseconds.toFixed(0)} ms`);
    const problems = [];
    if (shown !== output) {
        problems.push('the page does not show exactly what the game wrote');
    }
    if (!output.endsWith(prompt + 'Koniec gry\n') || output.split(prompt).length !== 402) {
        problems.push('the 401 pasted numbers were not played one per turn');
    }
    return problems;
}

async function playAgainByKeyboard(page, url) {
    await open(page, url);
    await page.keyboard.type('0');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.body.dataset.exit === '0');
    await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
    await page.waitForFunction((text) => window.gameOutput?.endsWith(text), {}, prompt);
    await page.screenshot({ path: path.join(shots, 'screenshot-start.png') });
    const after = await page.evaluate(state);
    return after.exit === undefined && after.focused === 'entry' ? [] :
        ['Enter on "Zagraj ponownie" did not start a new game ready for input'];
}

// A touch phone 360 px wide: the numbers are sent with the on-screen button,
// and every separator line takes one row.
async function phoneWidth(page, url) {
    await page.setViewport({ width: 360, height: 740, isMobile: true, hasTouch: true });
    await open(page, url);
    const problems = [];
    for (const line of ['1', '2']) {
        const before = await page.evaluate(state);
        await page.tap('#entry');
        await page.keyboard.type(line);
        await page.tap('#send');
        await settle(page, before.output.length);
    }
    await page.screenshot({ path: path.join(shots, 'screenshot-phone.png') });
    const seen = await page.evaluate(() => {
        const lineHeight = parseFloat(getComputedStyle(document.getElementById('output')).lineHeight);
        const send = document.getElementById('send').getBoundingClientRect();
        return {
            widths: [document.documentElement.scrollWidth, innerWidth],
            send: [send.width, send.height],
            rules: Array.from(document.querySelectorAll('#output [role=separator]'),
                (rule) => rule.getBoundingClientRect().height / lineHeight),
            output: window.gameOutput,
        };
    });
    if (seen.widths[0] > seen.widths[1]) {
        problems.push(`the page scrolls sideways at phone width: ${seen.widths}`);
    }
    if (Math.min(...seen.send) < 44) {
        problems.push(`the send button is too small to tap: ${seen.send}`);
    }
    if (seen.rules.length < 5 || seen.rules.some((rows) => rows > 1.5)) {
        problems.push(`separators are not one row each: ${seen.rules}`);
    }
    if (!seen.output.includes('Stan Gracza') || !seen.output.includes('odpoczywa')) {
        problems.push('the numbers sent by tapping were not played');
    }
    return problems;
}

// With the wasm blocked, the page says so and offers to try again.
async function blockedWasm(page, url) {
    await page.setRequestInterception(true);
    page.on('request', (request) => (request.url().endsWith('.wasm') ? request.abort()
        : request.continue()));
    const started = performance.now();
    await page.goto(url);
    await page.waitForFunction(() => document.body.dataset.state === 'failed', { timeout: 10000 });
    const seen = await page.evaluate(() => ({
        button: document.getElementById('again').textContent,
        shown: !document.getElementById('ending').hidden,
        focused: document.activeElement?.id,
    }));
    console.log(`measure: the blocked wasm was reported after ${(performance.now() - started)
        .toFixed(0)} ms`);
    return seen.shown && seen.focused === 'again' && seen.button === 'Spróbuj ponownie' ? [] :
        [`no way to try again after a failed load: ${JSON.stringify(seen)}`];
}

// After one visit the game starts and plays with the host gone, "Zagraj
// ponownie" included.
async function offline(page) {
    const host = await serve(site);
    await open(page, host.url);
    await page.evaluate(async () => {
        await navigator.serviceWorker.ready;
        while (!navigator.serviceWorker.controller) {
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
    });
    await host.stop();
    await page.setOfflineMode(true);
    const problems = await play(page, host.url, 'status_rest_quit');
    problems.push(...await playAgainByKeyboard(page, host.url));
    return problems;
}

// Time to the first prompt on a slow link (1.6 Mbps, 150 ms), served plain and
// compressed; a line typed while it loads is played after the opening text.
async function slowLink(page, compress) {
    const host = await serve(site, { compress });
    await page.emulateNetworkConditions({ download: 200000, upload: 93750, latency: 150 });
    const started = performance.now();
    const loaded = page.goto(host.url);
    await page.waitForSelector('#entry:enabled');
    const typedWhile = await page.evaluate(() => document.body.dataset.state);
    await page.type('#entry', '1');
    await page.keyboard.press('Enter');
    await page.waitForFunction((text) => window.gameOutput?.includes(text), { timeout: 60000 },
        prompt);
    console.log(`measure: first prompt after ${(performance.now() - started).toFixed(0)} ms ` +
        `on a 1.6 Mbps, 150 ms link, served ${compress ? 'gzipped' : 'plain'}`);
    await page.waitForFunction(() => window.gameOutput.includes('Stan Gracza'), { timeout: 30000 });
    await loaded;
    const order = await page.evaluate((text) => {
        const typed = document.querySelector('#output .typed');
        return typed?.previousSibling?.textContent.endsWith(text);
    }, prompt);
    await host.stop();
    return typedWhile !== 'loading' || order ? [] :
        ['a line typed while loading was not played after the first prompt'];
}

// Every file of the site, as a first visit downloads it, compressed.
function siteSize() {
    const bytes = readdirSync(site).reduce((sum, file) =>
        sum + gzipSync(readFileSync(path.join(site, file)), { level: 9 }).length, 0);
    console.log(`measure: the site is ${bytes} bytes gzipped`);
    return bytes <= 80000 ? [] : [`the site is ${bytes} bytes gzipped, more than 80000`];
}

const profile = mkdtempSync(path.join(tmpdir(), 'ksiezyc-chromium-'));
const server = await serve(site);
const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    userDataDir: profile,
    // Chromium keeps crash reports and settings under XDG folders: in the
    // scratch profile too, not in the home folder.
    env: { ...process.env, XDG_CONFIG_HOME: profile, XDG_CACHE_HOME: profile },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
let passed = 0;
let failed = 0;
try {
    const checks = [
        ...games.map((name) => [`typed game ${name}`, (page) => play(page, server.url, name)]),
        ['pasted long line', (page) => pasteLongLine(page, server.url)],
        ['play again by keyboard', (page) => playAgainByKeyboard(page, server.url)],
        ['phone width', (page) => phoneWidth(page, server.url)],
        ['blocked wasm', (page) => blockedWasm(page, server.url)],
        ['offline after one visit', (page) => offline(page)],
        ['slow link', (page) => slowLink(page, false)],
        ['slow link, gzipped', (page) => slowLink(page, true)],
        ['site size', async () => siteSize()],
    ];
    for (const [what, check] of checks) {
        // A context of its own for each: no service worker or cache carries over.
        const context = await browser.createBrowserContext();
        const page = await context.newPage();
        page.on('pageerror', (error) => console.log(`  page error: ${error.message}`));
        const problems = await check(page).catch((error) => [String(error)]);
        if (what === 'typed game status_rest_quit') {
            await page.screenshot({ path: path.join(shots, 'screenshot.png') });
        }
        await context.close();
        console.log(`${problems.length ? 'FAIL' : 'ok'}   ${what}`);
        problems.forEach((problem) => console.log(`  ${problem}`));
        problems.length ? ++failed : ++passed;
    }
} finally {
    await browser.close();
    await server.stop();
    rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
