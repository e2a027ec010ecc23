// Plays the web game in one browser engine the way a player does: typing
// each line into the page and pressing Enter (or tapping the send button on
// a phone), or Ctrl+D to end input. What the game wrote must be exactly the
// console game's transcript for the same input, and main must return 0. It
// also blocks the wasm, plays offline after one visit, and measures (never
// asserts) the time to the first prompt on a slow link. The engines and how
// each is driven are in browsers.mjs.
//
//   node browser_test.mjs chromium|firefox|webkit [SITE_DIR [OUT_DIR]]
// (default: build/web/site; screenshots, and the browser's profile while it
// runs, in OUT_DIR, by default build/web/tests/browser-ENGINE)
import { mkdirSync, readdirSync, readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launch, poll, stopEverything } from './browsers.mjs';
import { hosts, serve } from './host.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const engine = process.argv[2];
if (!['chromium', 'firefox', 'webkit'].includes(engine)) {
    console.error('usage: node browser_test.mjs chromium|firefox|webkit [SITE_DIR [OUT_DIR]]');
    process.exit(2);
}
const site = path.resolve(process.argv[3] ?? path.join(root, 'build/web/site'));
const out = path.resolve(process.argv[4] ?? path.join(root, `build/web/tests/browser-${engine}`));
mkdirSync(out, { recursive: true });
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

// Waits until fn(...args), run in the page, is true. Asked again until then:
// every engine's driver can run a function, and a page being replaced
// answers with an error meanwhile.
function waitFor(tab, fn, args = [], timeout = 30000) {
    return poll(() => tab.evaluate(fn, ...args),
        `timed out after ${timeout} ms waiting for ${fn}`, timeout);
}

// Nothing is undefined here: WebDriver hands it back as null.
const state = () => ({
    output: window.gameOutput,
    state: document.body.dataset.state,
    exit: document.body.dataset.exit ?? null,
    focused: document.activeElement?.id ?? null,
});

// Waits until the game has answered what was typed: it has written more and
// waits at a prompt again, or it has ended.
function settle(tab, before) {
    return waitFor(tab, (length, text) => document.body.dataset.exit !== undefined ||
        (window.gameOutput.length > length && window.gameOutput.endsWith(text)), [before, prompt])
        .catch(async (error) => {
            // Where the line was: still in the input line (not sent), or sent and not answered.
            const seen = await tab.evaluate(() => ({
                entry: document.getElementById('entry').value,
                focused: document.activeElement?.id ?? null,
                output: window.gameOutput.slice(-40),
            })).catch((why) => String(why));
            throw new Error(`${error.message}; the page: ${JSON.stringify(seen)}`);
        });
}

const ended = () => document.body.dataset.exit !== undefined;

async function open(tab, url) {
    await tab.goto(url);
    await waitFor(tab, (text) => window.gameOutput?.endsWith(text), [prompt]);
}

async function play(tab, url, name) {
    const input = readFileSync(path.join(root, 'tests/transcripts', `${name}.in`), 'latin1');
    const expected = readFileSync(path.join(root, 'tests/transcripts', `${name}.out`), 'utf8');
    await open(tab, url);
    const problems = [];
    if ((await tab.evaluate(state)).focused !== 'entry') {
        problems.push('the input line does not have the cursor at the start');
    }
    const lines = input.split('\n');
    const last = lines.pop();
    for (const line of lines) {
        const before = await tab.evaluate(state);
        if (before.exit !== null) {
            break;
        }
        await tab.type(line);
        await tab.press('Enter');
        await settle(tab, before.output.length);
    }
    // A number sent without a line end waits, as on a terminal, for what
    // comes after it: here the end of input.
    if (last !== '' && !await tab.evaluate(ended)) {
        await tab.type(last);
        await tab.ctrlD();
    }
    if (!await tab.evaluate(ended)) {
        await tab.ctrlD();
    }
    await waitFor(tab, ended);
    const after = await tab.evaluate(state);
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
    const ending = await tab.evaluate(() => {
        const box = document.getElementById('ending').getBoundingClientRect();
        return [box.top, box.bottom, innerHeight];
    });
    // A pixel's slack: Chromium places it a fraction past the bottom.
    if (ending[0] < 0 || ending[1] > ending[2] + 1) {
        problems.push(`the end of the game is not all in view: ${ending}`);
    }
    return problems;
}

// What the page shows, less the echoed input: the newest lines of what the
// game wrote; and how many lines it keeps.
const shown = () => {
    const output = document.getElementById('output').cloneNode(true);
    output.querySelectorAll('.typed').forEach((typed) => typed.remove());
    return { text: output.textContent, lines: output.childElementCount,
        scrollback: Number(document.getElementById('output').dataset.scrollback) };
};

// Arms the page to time the next turn: from Enter in the input line to the
// frame after the next prompt reached the screen; window.turnTime then holds
// the milliseconds.
const timeNextTurn = (text) => {
    window.turnTime = undefined;
    const before = window.gameOutput.length;
    const entry = document.getElementById('entry');
    entry.addEventListener('keydown', function armed(event) {
        if (event.key !== 'Enter') {
            return;
        }
        entry.removeEventListener('keydown', armed);
        const started = performance.now();
        const check = () => {
            const last = document.getElementById('output').lastElementChild;
            if (window.gameOutput.length > before && last?.textContent === text) {
                requestAnimationFrame(() => {
                    window.turnTime = performance.now() - started;
                });
            } else {
                requestAnimationFrame(check);
            }
        };
        requestAnimationFrame(check);
    });
};

async function timedTurn(tab, move) {
    await tab.evaluate(timeNextTurn, prompt);
    await tab.type(move);
    await tab.press('Enter');
    await waitFor(tab, () => window.turnTime !== undefined);
    return tab.evaluate(() => window.turnTime);
}

// A long game: 10,000 turns pasted as one line, a typed turn before and
// after it timed (measured, never asserted), and the page keeps no more
// than its scrollback, the newest of it the end of what the game wrote.
async function longGame(tab, url) {
    await open(tab, url);
    const fresh = await timedTurn(tab, '1');
    const turns = 10000;
    const line = Array.from({ length: turns }, (_, i) => (i % 2 ? '2' : '1')).join(' ');
    const started = performance.now();
    await tab.paste(line);
    await tab.press('Enter');
    await waitFor(tab, (count, text) => window.gameOutput.split(text).length === count &&
        document.getElementById('output').lastElementChild?.textContent === text,
    [turns + 3, prompt], 60000);
    const pasted = performance.now() - started;
    const after = await timedTurn(tab, '1');
    console.log(`measure: ${turns} pasted turns played and shown in ${pasted.toFixed(0)} ms; ` +
        `a typed turn took ${fresh.toFixed(1)} ms on a fresh page and ${after.toFixed(1)} ms ` +
        `after them (${(after / fresh).toFixed(2)}x)`);
    await tab.type('0');
    await tab.press('Enter');
    await waitFor(tab, ended);
    const page = await tab.evaluate(shown);
    const { output } = await tab.evaluate(state);
    const problems = [];
    // Bounded as a terminal's is: a few thousand lines.
    if (!(page.scrollback > 0 && page.scrollback <= 10000) || page.lines > page.scrollback) {
        problems.push(`the page keeps ${page.lines} lines, its scrollback is ${page.scrollback}`);
    }
    // Whole lines: what is shown starts at the start of a line the game wrote.
    const before = output.slice(0, output.length - page.text.length);
    if (page.lines < Math.min(page.scrollback, 1000) || !output.endsWith(page.text) ||
            !(before === '' || before.endsWith('\n'))) {
        problems.push('the page does not show the newest lines of what the game wrote');
    }
    if (!output.endsWith(prompt + 'Koniec gry\n') || output.split(prompt).length !== turns + 4) {
        problems.push(`the ${turns} pasted numbers were not played one per turn`);
    }
    return problems;
}

// Enter on "Zagraj ponownie" loads the page afresh: the mark left on the old
// one is gone, and the new game waits for input.
async function playAgainByKeyboard(tab, url) {
    await open(tab, url);
    await tab.type('0');
    await tab.press('Enter');
    await waitFor(tab, () => document.body.dataset.exit === '0');
    const button = await tab.evaluate(() => document.activeElement?.textContent);
    await tab.evaluate(() => {
        window.beforeReload = true;
    });
    await tab.press('Enter');
    await waitFor(tab, (text) => !window.beforeReload && window.gameOutput?.endsWith(text),
        [prompt]);
    await tab.screenshot(path.join(out, 'screenshot-start.png'));
    const after = await tab.evaluate(state);
    return button === 'Zagraj ponownie' && after.exit === null && after.focused === 'entry' ?
        [] : ['Enter on "Zagraj ponownie" did not start a new game ready for input'];
}

// A touch phone 360 px wide: the numbers are sent with the on-screen button,
// and every separator line takes one row.
async function phoneWidth(tab, url) {
    await tab.openAtPhoneWidth(url);
    await waitFor(tab, (text) => window.gameOutput?.endsWith(text), [prompt]);
    const problems = [];
    for (const line of ['1', '2']) {
        const before = await tab.evaluate(state);
        await tab.tap('#entry');
        await tab.type(line);
        await tab.tap('#send');
        await settle(tab, before.output.length);
    }
    await tab.screenshot(path.join(out, 'screenshot-phone.png'));
    const seen = await tab.evaluate(() => {
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
    if (seen.widths[1] !== 360) {
        problems.push(`the page is ${seen.widths[1]} px wide, not 360`);
    }
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

// With the wasm blocked, the page says so and offers to try again; once the
// wasm comes through, trying again starts the game.
async function blockedWasm(tab) {
    const blocked = await serve(site, { blockWasm: tab.wasmBlocking() });
    const started = performance.now();
    await tab.goto(blocked.url);
    await waitFor(tab, () => document.body.dataset.state === 'failed', [], 60000).catch(async (error) => {
        const seen = await tab.evaluate(state).catch((why) => String(why));
        throw new Error(`${error.message}; ${blocked.refused} requests for the wasm refused; the ` +
            `page: ${JSON.stringify(seen)}`);
    });
    console.log(`measure: the blocked wasm was reported after ${(performance.now() - started)
        .toFixed(0)} ms`);
    const seen = await tab.evaluate(() => ({
        button: document.getElementById('again').textContent,
        shown: !document.getElementById('ending').hidden,
        focused: document.activeElement?.id,
    }));
    const problems = seen.shown && seen.focused === 'again' && seen.button === 'Spróbuj ponownie' ?
        [] : [`no way to try again after a failed load: ${JSON.stringify(seen)}`];
    blocked.unblock();
    await tab.press('Enter');
    await waitFor(tab, (text) => window.gameOutput?.endsWith(text), [prompt]).catch(() =>
        problems.push('"Spróbuj ponownie" did not start the game once the wasm came through'));
    await blocked.stop();
    return problems;
}

// After one visit the game starts and plays with the host gone, "Zagraj
// ponownie" included.
async function offline(tab) {
    const host = await serve(site);
    await open(tab, host.url);
    await tab.evaluate(async () => {
        await navigator.serviceWorker.ready;
        while (!navigator.serviceWorker.controller) {
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
    });
    await host.stop();
    await tab.goOffline();
    const problems = await play(tab, host.url, 'status_rest_quit');
    problems.push(...await playAgainByKeyboard(tab, host.url));
    return problems;
}

// Time to the first prompt on a slow link (1.6 Mbps, 150 ms), served plain and
// compressed: measured, never asserted.
async function slowLink(tab, compress) {
    const host = await serve(site, { compress, link: { bytesPerSecond: 200000, latency: 150 } });
    const started = performance.now();
    await tab.goto(host.url);
    await waitFor(tab, (text) => window.gameOutput?.endsWith(text), [prompt], 60000);
    console.log(`measure: first prompt after ${(performance.now() - started).toFixed(0)} ms ` +
        `on a 1.6 Mbps, 150 ms link, served ${compress ? 'gzipped' : 'plain'}`);
    await host.stop();
    return [];
}

// A line typed while the game loads (the host holds the wasm back until it
// has been typed) waits, and is played after the opening text.
async function typedWhileLoading(tab) {
    const host = await serve(site, { holdWasm: true });
    // Puppeteer's navigation ends at the load event, which the held wasm,
    // preloaded, holds back too.
    const loaded = tab.goto(host.url);
    await waitFor(tab, () => document.getElementById('entry')?.disabled === false);
    await tab.type('1');
    await tab.press('Enter');
    const before = await tab.evaluate(state);
    const problems = [];
    if (before.state !== 'loading' || before.output !== '' || host.held === 0) {
        problems.push(`the game did not wait for the wasm: ${JSON.stringify(before)}`);
    }
    host.release();
    await loaded;
    await waitFor(tab, () => window.gameOutput?.includes('Stan Gracza'));
    // The page shows text once a frame, and a browser may be slow to give
    // one to a window nobody looks at.
    await waitFor(tab, () => document.querySelector('#output .typed') !== null);
    const order = await tab.evaluate((text) => {
        const typed = document.querySelector('#output .typed');
        return typed?.previousSibling?.textContent.endsWith(text);
    }, prompt);
    if (!order) {
        problems.push('a line typed while loading was not played after the first prompt');
    }
    await host.stop();
    return problems;
}

// Every file of the site, as a first visit downloads it, compressed.
function siteSize() {
    const bytes = readdirSync(site).reduce((sum, file) =>
        sum + gzipSync(readFileSync(path.join(site, file)), { level: 9 }).length, 0);
    console.log(`measure: the site is ${bytes} bytes gzipped`);
    return bytes <= 81000 ? [] : [`the site is ${bytes} bytes gzipped, more than 81000`];
}

const server = await serve(site);
let passed = 0;
let failed = 0;
let browser;
try {
    browser = await launch(engine, path.join(out, 'profile'), out);
    console.log(`engine: ${browser.version}`);
    const checks = [
        ...games.map((name) => [`typed game ${name}`, (tab) => play(tab, server.url, name)]),
        ['long game', (tab) => longGame(tab, server.url)],
        ['play again by keyboard', (tab) => playAgainByKeyboard(tab, server.url)],
        ['phone width', (tab) => phoneWidth(tab, server.url)],
        ['blocked wasm', (tab) => blockedWasm(tab)],
        ['offline after one visit', (tab) => offline(tab)],
        ['slow link', (tab) => slowLink(tab, false)],
        ['slow link, gzipped', (tab) => slowLink(tab, true)],
        ['typed while loading', (tab) => typedWhileLoading(tab)],
    ];
    for (const [what, check] of checks) {
        const notes = [];
        const tab = await browser.newTab((note) => notes.push(note));
        let timer;
        const problems = await Promise.race([
            check(tab),
            new Promise((_, reject) => {
                timer = setTimeout(() => reject(new Error('no end after 120 s')), 120000);
            }),
        ]).catch((error) => [String(error)]).finally(() => clearTimeout(timer));
        if (what === 'typed game status_rest_quit') {
            await tab.screenshot(path.join(out, 'screenshot.png'));
        }
        await tab.close();
        console.log(`${problems.length ? 'FAIL' : 'ok'}   ${what}`);
        notes.forEach((note) => console.log(`  note: ${note}`));
        problems.forEach((problem) => console.log(`  ${problem}`));
        problems.length ? ++failed : ++passed;
    }
} catch (error) {
    console.log(`FAIL   ${engine}: ${error.stack}`);
    ++failed;
} finally {
    if (browser && !await browser.close()) {
        console.log(`FAIL   ${engine}'s processes went on after it was closed; killed`);
        ++failed;
    }
    await stopEverything();
    await Promise.all([...hosts].map((host) => host.stop()));
}
const sizeProblems = siteSize();
console.log(`${sizeProblems.length ? 'FAIL' : 'ok'}   site size`);
sizeProblems.forEach((problem) => console.log(`  ${problem}`));
sizeProblems.length ? ++failed : ++passed;
console.log(`${engine}: ${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
