// The three browser engines the page is tested in, each started from
// Debian's packages with its profile in PROFILE (never in the home folder),
// and one way to drive a tab in any of them:
//   Chromium     puppeteer-core over the DevTools protocol
//   Firefox ESR  puppeteer-core over WebDriver BiDi
//   WebKit       WebKitGTK's MiniBrowser through WebKitWebDriver (W3C
//                WebDriver), in an X server of its own (Xvfb)
// A tab calls say() where its engine's driver cannot do what a player does
// and the test does the nearest thing instead.
import { spawn } from 'node:child_process';
import {
    closeSync, existsSync, mkdirSync, openSync, readdirSync, readFileSync, rmSync, writeFileSync,
} from 'node:fs';
import { createServer } from 'node:net';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { Session } from './webdriver.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const phone = { width: 360, height: 740 };
export const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// Whatever a browser writes for itself goes in the profile.
export function profileEnvironment(profile) {
    return {
        ...process.env,
        HOME: profile,
        XDG_CONFIG_HOME: path.join(profile, 'config'),
        XDG_CACHE_HOME: path.join(profile, 'cache'),
        XDG_DATA_HOME: path.join(profile, 'data'),
    };
}

// Processes started in a group of their own are stopped as a group, and the
// group must then be gone: no browser outlives the test.
const groups = new Set();
function stopGroup(pid, signal = 'SIGKILL') {
    try {
        process.kill(-pid, signal);
    } catch {
        // Already gone.
    }
}
async function groupGone(pid) {
    for (let tries = 0; tries < 100; ++tries) {
        try {
            process.kill(-pid, 0);
        } catch {
            groups.delete(pid);
            return true;
        }
        await pause(50);
    }
    stopGroup(pid);
    return false;
}
// At the end of a test, and for a launch that failed half way: every group
// is stopped, and the test ends only once they are gone, reaped here rather
// than left to the system (a screen reader left behind, not yet reaped,
// keeps the next test's from starting). True if every one went.
export async function stopEverything() {
    groups.forEach((pid) => stopGroup(pid));
    return (await Promise.all([...groups].map(groupGone))).every(Boolean);
}
for (const signal of ['SIGINT', 'SIGTERM']) {
    process.on(signal, () => {
        groups.forEach((pid) => stopGroup(pid));
        process.exit(1);
    });
}

// A visible browser (in an X server that DISPLAY in env names) where
// options.env is given, with options.args added to Chromium's.
export async function launch(engine, profile, out, options = {}) {
    if (!['chromium', 'firefox', 'webkit'].includes(engine)) {
        throw new Error(`no browser engine ${engine}: chromium, firefox or webkit`);
    }
    rmSync(profile, { recursive: true, force: true });
    mkdirSync(profile, { recursive: true });
    const browser = engine === 'webkit' ? await launchWebKit(profile, out) :
        await launchPuppeteer(engine, profile, options);
    return {
        ...browser,
        // True once every process the engine started is gone.
        async close() {
            await browser.close().catch(() => {});
            const gone = await Promise.all(browser.groups.map(groupGone));
            rmSync(profile, { recursive: true, force: true });
            return gone.every(Boolean);
        },
    };
}

async function launchPuppeteer(engine, profile, { env = {}, args = [] }) {
    const puppeteer = createRequire(path.join(process.env.KSIEZYC_NODE_MODULES ?? here, 'x.js'))(
        'puppeteer-core');
    const options = engine === 'chromium' ? {
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            ...args],
        // Nothing of the browser's own may take the keyboard from the page: no
        // "controlled by automated test software" bar.
        ignoreDefaultArgs: ['--enable-automation'],
    } : {
        browser: 'firefox',
        executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr',
        // A touch held longer than this is a long press, which clicks
        // nothing: on a busy machine the driver's touch down and up came far
        // enough apart (the line was typed and never sent). A tap here is a
        // tap however slowly the events arrive.
        extraPrefsFirefox: { 'ui.click_hold_context_menus.delay': 600000 },
    };
    const userDataDir = path.join(profile, 'browser');
    if (engine === 'chromium') {
        // Nor an offer to translate the page from Polish, which Chromium makes
        // in a bar of its own a while after the page has loaded, whatever
        // --disable-features says: the profile's setting turns it off.
        mkdirSync(path.join(userDataDir, 'Default'), { recursive: true });
        writeFileSync(path.join(userDataDir, 'Default', 'Preferences'),
            JSON.stringify({ translate: { enabled: false } }));
    }
    const browser = await puppeteer.launch({
        ...options,
        userDataDir,
        env: { ...profileEnvironment(profile), ...env },
        headless: env.DISPLAY === undefined,
    });
    const group = browser.process().pid;
    groups.add(group);
    return {
        version: await browser.version(),
        groups: [group],
        close: () => browser.close(),
        // A context of its own for each tab, no service worker or cache
        // carried over; or, with first, the window the browser opened with,
        // the one a screen reader takes for the active window.
        async newTab(say, { first = false } = {}) {
            const context = first ? browser.defaultBrowserContext() :
                await browser.createBrowserContext();
            const page = first ? (await browser.pages())[0] : await context.newPage();
            page.on('pageerror', (error) => say(`page error: ${error.message}`));
            return new PuppeteerTab(engine, context, page, say);
        },
    };
}

class PuppeteerTab {
    constructor(engine, context, page, say) {
        Object.assign(this, { engine, context, page, say });
    }

    goto(url) {
        return this.page.goto(url);
    }

    evaluate(fn, ...args) {
        return this.page.evaluate(fn, ...args);
    }

    type(text) {
        return this.page.keyboard.type(text);
    }

    press(key) {
        return this.page.keyboard.press(key);
    }

    async ctrlD() {
        await this.page.keyboard.down('Control');
        await this.page.keyboard.press('KeyD');
        await this.page.keyboard.up('Control');
    }

    // Text arriving at once, as a paste or an input method gives it.
    paste(text) {
        if (this.engine === 'chromium') {
            return this.page.keyboard.sendCharacter(text);
        }
        this.say('Firefox\'s driver types one character at a time: the line is inserted ' +
            'into the input line by the page, as a paste is');
        return this.page.evaluate(insertText, text);
    }

    tap(selector) {
        return this.page.tap(selector);
    }

    async openAtPhoneWidth(url) {
        await this.page.setViewport({ ...phone, isMobile: true, hasTouch: true });
        await this.page.goto(url);
    }

    screenshot(file) {
        return this.page.screenshot({ path: file });
    }

    goOffline() {
        return this.page.setOfflineMode(true);
    }

    // How the host blocks the wasm: it drops the connection.
    wasmBlocking() {
        return 'drop';
    }

    close() {
        return this.context.close();
    }
}

// Inserts text where the cursor is, as a paste does: one input event.
function insertText(text) {
    document.execCommand('insertText', false, text);
}

// Whether PORT on loopback is free: a listener can be opened there.
function isFree(port) {
    return new Promise((resolve) => {
        const server = createServer().on('error', () => resolve(false));
        server.listen(port, '127.0.0.1', () => server.close(() => resolve(true)));
    });
}

// A port on loopback for WebKitWebDriver, which takes a number, not a
// socket: one found free is handed to it. It lies below the kernel's range
// of ephemeral ports, the range every port the kernel picks comes from (a
// listener on port 0, each connection's own end), so that only a program
// naming that very port could take it meanwhile.
async function driverPort() {
    const [below] = readFileSync('/proc/sys/net/ipv4/ip_local_port_range', 'utf8').split(/\s+/)
        .map(Number);
    for (let tries = 0; tries < 100; ++tries) {
        const port = 10000 + Math.floor(Math.random() * (below - 10000));
        if (await isFree(port)) {
            return port;
        }
    }
    throw new Error(`no free port on loopback between 10000 and ${below}`);
}

export function start(command, args, env, stdio = 'ignore') {
    const child = spawn(command, args, { env, stdio, detached: true });
    groups.add(child.pid);
    return child;
}

// The first line that CHILD, a process started here, writes on its
// descriptor FD, without its line end.
export function firstLine(child, fd) {
    return new Promise((resolve, reject) => {
        let text = '';
        child.stdio[fd].on('data', (data) => {
            text += data;
            if (text.includes('\n')) {
                resolve(text.slice(0, text.indexOf('\n')));
            }
        });
        child.on('exit', (code) => reject(new Error(`${child.spawnfile} ended with ${code}`)));
    });
}

// Xvfb picks a free display and writes its number on descriptor 3. Without
// -noreset it resets whenever its last client goes, as each tab's browser
// does, and a browser starting meanwhile cannot open the display. A key
// that xdotool presses is released a moment later, or, on a busy machine,
// later than the server's autorepeat delay, which then presses it again
// (seen: a second Return made Orca drop the announcement it was about to
// say); a person's key repeats only when held, so the delay is set to a
// minute.
export async function startXvfb(profile) {
    const xvfb = start('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten',
        'tcp', '-noreset', '-ardelay', '60000'], profileEnvironment(profile),
    ['ignore', 'ignore', 'ignore', 'pipe']);
    return { pid: xvfb.pid, display: `:${await firstLine(xvfb, 3)}` };
}

function miniBrowser() {
    if (process.env.MINIBROWSER) {
        return process.env.MINIBROWSER;
    }
    // WebKitGTK's MiniBrowser, for GTK 3 (webkit2gtk-4.1) or GTK 4 (webkitgtk-6.0).
    for (const lib of readdirSync('/usr/lib').map((name) => path.join('/usr/lib', name))) {
        for (const api of ['webkitgtk-6.0', 'webkit2gtk-4.1']) {
            const binary = path.join(lib, api, 'MiniBrowser');
            if (existsSync(binary)) {
                return binary;
            }
        }
    }
    throw new Error('no MiniBrowser: apt-get install webkit2gtk-driver');
}

async function launchWebKit(profile, out) {
    const binary = miniBrowser();
    const x = await startXvfb(profile);
    const port = await driverPort();
    const env = { ...profileEnvironment(profile), DISPLAY: x.display };
    // Its messages, and MiniBrowser's, are kept beside the screenshots.
    const log = openSync(path.join(out, 'webkitwebdriver.log'), 'w');
    const driver = start('WebKitWebDriver', [`--port=${port}`], env, ['ignore', log, log]);
    closeSync(log);
    let ended = null;
    driver.on('exit', (code, signal) => {
        ended = signal ?? code;
    });
    const url = `http://127.0.0.1:${port}`;
    await poll(async () => ended !== null || (await fetch(`${url}/status`)).ok,
        `WebKitWebDriver did not answer on port ${port}`);
    if (ended !== null) {
        throw new Error(`WebKitWebDriver ended (${ended}) before it answered on port ${port}: ` +
            'see webkitwebdriver.log');
    }
    // Navigation returns at once, the page loading meanwhile: the checks wait
    // for what they need, and by default the driver would take no command
    // until a page on a slow link had loaded.
    const capabilities = {
        pageLoadStrategy: 'none',
        'webkitgtk:browserOptions': { binary, args: ['--automation'] },
    };
    const sessions = new Set();
    const first = await Session.create(url, capabilities);
    await first.close();
    return {
        version: `WebKitGTK ${first.capabilities.browserVersion} (MiniBrowser)`,
        groups: [driver.pid, x.pid],
        async close() {
            await Promise.all([...sessions].map((session) => session.close().catch(() => {})));
            stopGroup(driver.pid, 'SIGTERM');
            stopGroup(x.pid, 'SIGTERM');
        },
        // A browser of its own for each tab.
        async newTab(say) {
            const session = await Session.create(url, capabilities);
            sessions.add(session);
            return new WebDriverTab(session, say, () => sessions.delete(session));
        },
    };
}

// Until ready() is true (an error counts as not yet), for `timeout` ms at most.
export async function poll(ready, failure, timeout = 20000) {
    const end = Date.now() + timeout;
    while (!await ready().catch(() => false)) {
        if (Date.now() > end) {
            throw new Error(failure);
        }
        await pause(20);
    }
}

class WebDriverTab {
    constructor(session, say, closed) {
        Object.assign(this, { session, say, closed, frame: null });
    }

    // Returns once the new document is there (not the old one, which the
    // driver would answer for until then), without waiting for its load.
    async goto(url) {
        await this.evaluate(() => {
            window.leaving = true;
        }).catch(() => {});
        await this.session.navigate(url);
        await poll(() => this.evaluate(() => !window.leaving), `${url} did not open`);
    }

    evaluate(fn, ...args) {
        return this.session.execute(String(fn), args);
    }

    type(text) {
        return this.session.keys(text);
    }

    press(key) {
        return this.session.keys({ Enter: '\uE007' }[key]);
    }

    ctrlD() {
        return this.session.keys('d', ['\uE009']);
    }

    async paste(text) {
        this.say('WebDriver has no paste: the line is inserted into the input line by the ' +
            'page, as a paste is');
        await this.evaluate(insertText, text);
    }

    async tap(selector) {
        await this.session.tap(await this.session.element(selector));
    }

    // The window cannot be narrower than MiniBrowser's toolbar, so the page
    // is laid out at phone width in a frame of that size where it has to be.
    async openAtPhoneWidth(url) {
        await this.session.setWindowSize(phone.width, phone.height);
        await this.goto('about:blank');
        const width = await this.evaluate(() => innerWidth);
        if (width === phone.width) {
            await this.goto(url);
            return;
        }
        this.say(`MiniBrowser's window is no narrower than ${width} px: the page is ` +
            `${phone.width} px wide in a frame`);
        const toolbar = await this.evaluate(() => outerHeight - innerHeight);
        await this.session.setWindowSize(phone.width, phone.height + toolbar);
        await this.goto(`data:text/html,<body style="margin:0"><iframe src="${url}" ` +
            `style="border:0;width:${phone.width}px;height:${phone.height}px" ` +
            'onload="window.frameLoaded = true"></iframe>');
        // Into the frame only once its page has loaded: switched into any
        // sooner, WebKitGTK 2.54's driver never found the game there.
        await poll(() => this.evaluate(() => window.frameLoaded === true),
            `${url} did not open in a frame`);
        this.frame = await this.session.element('iframe');
        await this.session.frame(this.frame);
    }

    async screenshot(file) {
        // What was last laid out, painted: WebKit can otherwise show a frame
        // from before the last scroll.
        await this.evaluate(() => new Promise((resolve) =>
            requestAnimationFrame(() => requestAnimationFrame(resolve))));
        if (!this.frame) {
            writeFileSync(file, await this.session.screenshot());
            return;
        }
        await this.session.parentFrame();
        writeFileSync(file, await this.session.screenshot(this.frame));
        await this.session.frame(this.frame);
    }

    goOffline() {
        this.say('WebKitGTK\'s driver has no offline switch: with the host stopped, ' +
            'every request is refused instead');
    }

    // A dropped connection once made WebKitGTK 2.54's network process fail a
    // libsoup assertion (soup_session_feature_request_queued) and crash,
    // ending the session: a fault of WebKitGTK's, not the page's.
    wasmBlocking() {
        this.say('WebKitGTK\'s network process can crash when a connection drops: the host ' +
            'refuses the wasm with 503 instead');
        return 'refuse';
    }

    async close() {
        await this.session.close();
        this.closed();
    }
}
