// Plays the web game in headless Chromium the way a player does: keyboard
// only, typing each line into the page and pressing Enter, or Ctrl+D to end
// input. What the game wrote must be exactly the console game's transcript
// for the same input, and main must return 0.
//
//   node browser_test.mjs [SITE_DIR [SCREENSHOT_DIR]]
// (default: build/web/site, screenshots beside it in build/web/screenshots)
import { spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

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

function serve(dir) {
    return new Promise((resolve, reject) => {
        const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
            '--directory', dir], { stdio: ['ignore', 'pipe', 'ignore'] });
        server.on('error', reject);
        server.stdout.on('data', (chunk) => {
            const port = /port (\d+)/.exec(chunk.toString())?.[1];
            if (port) {
                resolve({ url: `http://127.0.0.1:${port}/`, stop: () => server.kill() });
            }
        });
    });
}

const state = () => ({
    output: window.gameOutput,
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
    if (after.exit !== '0') {
        problems.push(`main returned ${after.exit}, not 0`);
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

async function phoneWidth(page, url) {
    await page.setViewport({ width: 360, height: 740, isMobile: true, hasTouch: true });
    await open(page, url);
    for (const line of ['1', '2']) {
        const before = await page.evaluate(state);
        await page.keyboard.type(line);
        await page.keyboard.press('Enter');
        await settle(page, before.output.length);
    }
    await page.screenshot({ path: path.join(shots, 'screenshot-phone.png') });
    const widths = await page.evaluate(() => [document.documentElement.scrollWidth, innerWidth]);
    return widths[0] <= widths[1] ? [] : [`the page scrolls sideways at phone width: ${widths}`];
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
    ];
    for (const [what, check] of checks) {
        const page = await browser.newPage();
        page.on('pageerror', (error) => console.log(`  page error: ${error.message}`));
        const problems = await check(page).catch((error) => [String(error)]);
        if (what === 'typed game status_rest_quit') {
            await page.screenshot({ path: path.join(shots, 'screenshot.png') });
        }
        await page.close();
        console.log(`${problems.length ? 'FAIL' : 'ok'}   ${what}`);
        problems.forEach((problem) => console.log(`  ${problem}`));
        problems.length ? ++failed : ++passed;
    }
} finally {
    await browser.close();
    server.stop();
    rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
