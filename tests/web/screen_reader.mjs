// Plays the web game as a blind player does: Orca, the screen reader of
// Debian and GNOME, reads the page in a visible browser in an X server of
// its own, with the accessibility bus of a session bus of its own, and its
// speech goes to a file (orca/ksiezyc_speech.py stands in for the
// synthesizer). Moves are typed with xdotool, as a keyboard types them.
// The opening must be said before the first move. For each move, what Orca
// says must hold the move's new text (the echoed number, the game's answer,
// the new menu, the prompt) in order, ending with the prompt, and nothing
// older; the end of the game must be said.
//
//   node screen_reader.mjs firefox|chromium [SITE_DIR [OUT_DIR]]
// OUT_DIR (build/web/tests/screen-reader-ENGINE) holds the processes' home
// and runtime folders, what Orca said, its debug log, what the browser sent
// on the accessibility bus (orca/bus_record.py) and a screenshot.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, openSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import {
    firstLine, launch, pause, poll, profileEnvironment, start, startXvfb, stopEverything,
} from './browsers.mjs';
import { hosts, serve } from './host.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../..');
const engine = process.argv[2];
if (!['chromium', 'firefox'].includes(engine)) {
    console.error('usage: node screen_reader.mjs firefox|chromium [SITE_DIR [OUT_DIR]]');
    process.exit(2);
}
const site = path.resolve(process.argv[3] ?? path.join(root, 'build/web/site'));
const out = path.resolve(process.argv[4] ?? path.join(root, `build/web/tests/screen-reader-${engine}`));
rmSync(out, { recursive: true, force: true });
const home = path.join(out, 'home');
const runtime = path.join(out, 'runtime');
mkdirSync(home, { recursive: true });
mkdirSync(runtime, { recursive: true, mode: 0o700 });
const speechLog = path.join(out, 'speech.log');
const busLog = path.join(out, 'bus.log');
writeFileSync(speechLog, '');
const prompt = 'Wpisz numer: ';
const separator = Array(37).fill('-').join(' ');

// What Orca has said: [kind, text] for each utterance (key echo aside).
function spoken() {
    return readFileSync(speechLog, 'utf8').split('\n').filter(Boolean)
        .map((line) => line.split('\t'))
        .filter(([kind]) => kind === 'speak' || kind === 'say-all')
        .map(([kind, text]) => [kind, text.replaceAll('\\n', '\n')]);
}

// What was said from utterance FROM on, as one line of words, joined by SEP.
const heardSince = (from, sep = ' ') => words(spoken().slice(from).map(([, text]) => text).join(sep));

// Speech that has stopped: nothing new for a second and a half.
async function quiet(timeout = 20000) {
    let size = -1;
    let since = Date.now();
    const started = Date.now();
    while (Date.now() - started < timeout) {
        const now = readFileSync(speechLog).length;
        if (now !== size) {
            size = now;
            since = Date.now();
        } else if (Date.now() - since >= 1500) {
            return;
        }
        await pause(100);
    }
}

function runQuiet(command, args, env) {
    return execFileSync(command, args, { env, stdio: ['ignore', 'pipe', 'pipe'] }).toString();
}

// Types with the X server's keyboard, into the window that has the focus.
function xtype(env, ...args) {
    runQuiet('xdotool', args, env);
}

// The desktop a screen reader needs: X, a session bus, the accessibility bus
// on it, switched on, and Orca speaking into the file.
async function startDesktop() {
    const x = await startXvfb(home);
    const env = { ...profileEnvironment(home), XDG_RUNTIME_DIR: runtime, DISPLAY: x.display };
    // The pointer waits in the corner away from the browser's window (see below).
    const [width, height] = runQuiet('xdotool', ['getdisplaygeometry'], env).trim().split(' ');
    xtype(env, 'mousemove', String(width - 1), String(height - 1));
    const bus = start('dbus-daemon', ['--session', '--nofork', '--print-address=1'], env,
        ['ignore', 'pipe', 'ignore']);
    env.DBUS_SESSION_BUS_ADDRESS = await firstLine(bus, 1);
    start('/usr/libexec/at-spi-bus-launcher', ['--launch-immediately'], env);
    await poll(async () => runQuiet('dbus-send', ['--session', '--print-reply', '--dest=org.a11y.Bus',
        '/org/a11y/bus', 'org.a11y.Bus.GetAddress'], env), 'the accessibility bus did not start');
    runQuiet('dbus-send', ['--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus',
        'org.freedesktop.DBus.Properties.Set', 'string:org.a11y.Status', 'string:IsEnabled',
        'variant:boolean:true'], env);

    const settings = path.join(out, 'orca');
    mkdirSync(settings, { recursive: true });
    const speech = {
        speechServerFactory: 'ksiezyc_speech',
        speechFactoryModules: ['ksiezyc_speech'],
        speechServerInfo: null,
        enableSpeech: true,
        enableTutorialMessages: false,
    };
    writeFileSync(path.join(settings, 'user-settings.conf'), JSON.stringify({
        general: { firstStart: false, startingProfile: ['Default', 'default'], ...speech },
        profiles: { default: { profile: ['Default', 'default'], ...speech } },
        pronunciations: {},
        keybindings: {},
    }, null, 2));
    // Orca writes its debug file in blocks: its last lines, the ones that
    // tell why it stopped following, would be lost when it is stopped.
    writeFileSync(path.join(settings, 'orca-customizations.py'),
        'from orca import debug\nif debug.debugFile:\n    debug.debugFile.reconfigure(line_buffering=True)\n');
    // Orca 51 keeps its settings in GSettings, not in that file: the same
    // ones, in a key file of its own (no dconf here).
    const keyfile = path.join(env.XDG_CONFIG_HOME, 'glib-2.0', 'settings');
    mkdirSync(keyfile, { recursive: true });
    writeFileSync(path.join(keyfile, 'keyfile'), [
        '[org/gnome/orca/default/speech]',
        `speech-server-factory='${speech.speechServerFactory}'`,
        'enable=true',
        'speak-tutorial-messages=false',
    ].join('\n') + '\n');
    const log = openSync(path.join(out, 'orca.log'), 'w');
    // orca/pgrep: Orca counts only the Orcas of its own PID namespace.
    start('orca', ['-u', settings, '--debug-file', path.join(out, 'orca-debug.log')], {
        ...env,
        PATH: `${path.join(here, 'orca')}:${env.PATH}`,
        PYTHONPATH: path.join(here, 'orca'),
        GSETTINGS_BACKEND: 'keyfile',
        PYTHONDONTWRITEBYTECODE: '1', // a release packs the source tree
        KSIEZYC_SPEECH_LOG: speechLog,
    }, ['ignore', log, log]);
    // Orca takes its time to start on a busy machine (once over 30 s).
    await poll(async () => spoken().length > 0, 'Orca said nothing: see orca.log and orca-debug.log',
        120000);
    // Beside Orca, what the browser sends it.
    const recorded = openSync(busLog, 'w');
    start('/usr/bin/python3', [path.join(here, 'orca', 'bus_record.py')], env,
        ['ignore', recorded, recorded]);
    await poll(async () => readFileSync(busLog, 'utf8').startsWith('ready\n'),
        'the accessibility bus recorder did not start: see bus.log');
    return env;
}

// Orca's mode as it last said it: in focus mode keys go to the page; in
// browse mode Orca takes them for its own commands ("1": the first heading).
function orcaMode() {
    const said = spoken().map(([, text]) => text.trim().replace(/\.$/, ''))
        .filter((text) => text === 'Focus mode' || text === 'Browse mode');
    return said.at(-1) ?? 'no mode said';
}

// Whether what is typed reaches the input line: the page has the keyboard
// there, and Orca passes the keys on.
async function typingReachesEntry(tab) {
    return orcaMode() === 'Focus mode' && await tab.evaluate(() => document.hasFocus() &&
        document.activeElement?.id === 'entry');
}

// What the browser lately sent on the accessibility bus, each event with
// what Orca's debug log says it made of it: not received, ignored (and
// why), queued and not yet handled, or handled (and its first word on it).
// The recorder and Orca hear the same events in the same order, so the
// events of one type are paired in turn.
function busTrail(count = 12) {
    const sent = readFileSync(busLog, 'utf8').split('\n').slice(1).filter(Boolean)
        .map((line) => line.split('\t')).filter(([, type, , , , text]) =>
            !(type.includes('text-changed') && text === '\ufffc'));
    const log = readFileSync(path.join(out, 'orca-debug.log'), 'utf8').split('\n');
    // An event's text may go on over several lines of the log.
    const receipt = /^(\S+) - EVENT MANAGER: ((\S+) for .* \((-?\d+), -?\d+, (.*))$/;
    const received = log.map((line, at) => [at, line.match(receipt)]).filter(([, m]) => m);
    const cursor = {};
    // HH:MM:SS.ffffff as seconds of the day. Orca hears an event after the
    // recorder or just before it, never long before: an earlier receipt of
    // the same kind is another event's.
    const seconds = (time) => time.split(':').reduce((sum, part) => sum * 60 + Number(part), 0);
    const verdict = ([time, type, detail, role, name, text]) => {
        // Orca 48 names an object [role: 'name'] or [role], Orca 43 [role | name].
        const objects = [`[${role}${name ? `: '${name}'` : ''}]`, `[${role} | ${name}]`];
        // An insertion is told apart by its text; Orca names an added object.
        const inserted = type.includes('text-changed') ? text.split('\\n')[0].slice(0, 30) : '';
        const found = received.find(([at, m]) => at > (cursor[type] ?? -1) &&
            seconds(m[1]) >= seconds(time) - 1 &&
            objects.some((object) => m[2].startsWith(`${type} for ${object} `)) &&
            m[4] === detail && m[5].startsWith(inserted));
        if (!found) {
            return 'not received';
        }
        const [at, m] = found;
        cursor[type] = at;
        const said = log.slice(at + 1, at + 5).find((line) => /Ignoring|Queueing/.test(line)) ?? '';
        if (said.includes('Ignoring')) {
            return `ignored at ${m[1]}: ${said.replace(/^\S+ - /, '')}`;
        }
        const dequeued = [`Dequeued ${m[2]}`,
            ...objects.map((object) => `Dequeued ${type} ${object} (${detail},`)];
        const start = log.findIndex((line, i) => i > at && dequeued.some((d) => line.includes(d)));
        if (start < 0) {
            return `received at ${m[1]}, not yet handled`;
        }
        const end = log.findIndex((line, i) => i > start &&
            /^\^{5} (FINISHED|PROCESS OBJECT EVENT)/.test(line));
        const handled = log.slice(start, end < 0 ? undefined : end).find((line) =>
            /obsoleted by|WEB: (Event ignored|Ignoring)|Changing locus|existing locus/.test(line));
        return `received at ${m[1]}, handled at ${log[start].slice(0, 15)}` +
            (handled ? `: ${handled.replace(/^\S+ - /, '').slice(0, 120)}` : '');
    };
    const lines = sent.map((event) => [event, verdict(event)]).slice(-count)
        .map(([[time, type, detail, role, name, text], orca]) => `  ${time} ${type} ${detail} ` +
            `${role} "${name}"${text ? ` "${text.slice(0, 30)}"` : ''}: Orca ${orca}`);
    return received.length ? lines : [...lines, '  (no events found in Orca\'s debug log)'];
}

// The browser's windows on the accessibility bus, as "APP: frame NAME".
const windowsOnBus = (env) => runQuiet('/usr/bin/python3', [path.join(here, 'orca', 'focused.py'),
    'windows'], env).split('\n').filter((line) => / frame "/.test(line) && !line.startsWith('orca:'));

// Where the keyboard is: the focused object of each application on the
// accessibility bus (Debian's python3 has pyatspi), Orca's mode and last
// words, and what the browser sent and Orca made of it.
function keyboardIsAt(env) {
    let focused;
    try {
        focused = runQuiet('/usr/bin/python3', [path.join(here, 'orca', 'focused.py')],
            env).trim() || 'no object has the focus';
    } catch (error) {
        focused = `unknown (${error.message.split('\n')[0]})`;
    }
    const said = spoken().slice(-6).map(([, text]) => text.slice(0, 60)).join(' | ');
    return `${focused}; Orca: ${orcaMode()}; lately said: ${said}\nthe accessibility bus:\n` +
        busTrail().join('\n');
}

// The lines a move adds to the screen, as a listener hears them: without
// blank lines and the separator, spaces as one.
const words = (text) => text.replace(/\s+/g, ' ').trim();
const heardLines = (text) => text.split('\n').map(words)
    .filter((line) => line !== '' && line !== words(separator));

// What the page has put in its announcement region, and whether it is
// shown: where the page stands when Orca did not say what it should have.
const pageAnnounced = (tab) => tab.evaluate(() => JSON.stringify({
    announced: document.getElementById('spoken').textContent.slice(-80),
    visibility: document.visibilityState,
}));

// The opening is checked as a move is, but Orca says more around it (the
// window, the page, the input line), so it need not end with the prompt.
function checkMove(move, added, said, opening = false) {
    const problems = [];
    const heard = words(said.map(([, text]) => text).join(' '));
    let at = 0;
    for (const line of heardLines(`${move}\n${added}`)) {
        const found = heard.indexOf(line, at);
        if (found < 0) {
            problems.push(`"${line}" was not said after what came before it`);
        } else {
            at = found + line.length;
        }
    }
    const menus = (text) => text.split('Co chcesz zrobic?').length - 1;
    if (menus(heard) > menus(added)) {
        problems.push(`an earlier menu was said again (${menus(heard)} menus for ${menus(added)})`);
    }
    if (!opening && added.endsWith(prompt) && !heard.endsWith(words(prompt))) {
        problems.push('what was said does not end with the prompt');
    }
    if (move === '0') {
        for (const end of ['Gra zakończona.', 'Zagraj ponownie']) {
            if (!heard.includes(end)) {
                problems.push(`the end of the game ("${end}") was not said`);
            }
        }
    }
    return problems;
}

let failures = 0;
let report;
try {
    const env = await startDesktop();
    const host = await serve(site);
    const browser = await launch(engine, path.join(out, 'browser'), out, {
        env: {
            DISPLAY: env.DISPLAY,
            DBUS_SESSION_BUS_ADDRESS: env.DBUS_SESSION_BUS_ADDRESS,
            XDG_RUNTIME_DIR: runtime,
            // Firefox offers its accessibility tree when asked to this way;
            // Chromium by its switch.
            GNOME_ACCESSIBILITY: '1',
        },
        args: ['--force-renderer-accessibility'],
    });
    const orca = runQuiet('dpkg-query', ['-W', '-f=${Version}', 'orca'], env);
    console.log(`${engine}: ${browser.version}; Orca ${orca}`);
    const tab = await browser.newTab((message) => console.log(`note: ${message}`), { first: true });
    const output = () => tab.evaluate(() => window.gameOutput ?? '');
    // Each problem of WHAT counted, and where the page and the keyboard stood.
    report = async (what, problems) => {
        problems.forEach((problem) => console.log(`FAILED: ${what}: ${problem}`));
        failures += problems.length;
        if (problems.length) {
            console.log(`the page: ${await pageAnnounced(tab)}; the keyboard: ${keyboardIsAt(env)}`);
        }
    };
    // With no window manager the X server gives the keyboard to the window
    // under the pointer. A browser's window that had it before its
    // accessibility was on the bus was never made active for Orca (seen
    // with Firefox): Orca then took the page's announcements for another
    // tab's and said none of them. So the pointer, kept in a corner the
    // window leaves free, goes into the window once the window is on the
    // bus, and Orca says the window.
    const [left, top, right, bottom] = await tab.evaluate(() => [screenX, screenY,
        screenX + outerWidth, screenY + outerHeight]);
    const corner = runQuiet('xdotool', ['getmouselocation', '--shell'], env);
    const [cornerX, cornerY] = ['X', 'Y'].map((axis) => Number(corner.match(`${axis}=(\\d+)`)[1]));
    if (cornerX >= left && cornerX < right && cornerY >= top && cornerY < bottom) {
        throw new Error(`the browser's window (${left},${top} to ${right},${bottom}) covers the ` +
            `pointer's corner (${cornerX},${cornerY})`);
    }
    let windows = [];
    await poll(async () => (windows = windowsOnBus(env)).length > 0, '').catch(() => {
        throw new Error(`the browser's window did not come on the accessibility bus: ${keyboardIsAt(env)}`);
    });
    // Orca says the window by its title, which holds the application's
    // name ("Mozilla Firefox frame"; Orca 51 leaves the role out).
    const names = windows.map((line) => line.split(':')[0]);
    const middle = await tab.evaluate(() => [screenX + outerWidth / 2,
        screenY + outerHeight - innerHeight / 2].map(Math.round));
    xtype(env, 'mousemove', String(middle[0]), String(middle[1]));
    console.log(`note: the pointer went into the window at ${new Date().toISOString().slice(11, 23)}`);
    await poll(async () => names.some((name) => heardSince(0).includes(name)), '', 30000).catch(() => {
        throw new Error(`Orca did not say the browser's window once it had the keyboard: ${keyboardIsAt(env)}`);
    });
    // The window has the keyboard in its address bar: a click on the empty
    // page gives it to the page, as a player's click or F6 would. The game,
    // once open, puts the cursor in its input line; Orca, behind on a busy machine, may miss it: it drops the
    // browser's report that the page has loaded when that comes within a
    // tenth of a second of the report that loading began, and then says
    // nothing of the input line and stays in browse mode (seen in Chromium;
    // the README tells players). So the player goes there as a keyboard
    // user does, each key once Orca has said where the last one led: Tab to
    // the button after the line, Shift+Tab back, and Orca turns to focus
    // mode. (Pressed sooner, Orca took the focus on the button only after it
    // had left, and the return to the line for no move.)
    await quiet();
    xtype(env, 'click', '1');
    await poll(() => tab.evaluate(() => document.hasFocus()), '').catch(() => {
        throw new Error(`a click did not give the page the keyboard: ${keyboardIsAt(env)}`);
    });
    await tab.goto(host.url);
    await poll(async () => (await output()).endsWith(prompt), 'the game did not start');
    // The player hears the opening before typing anything.
    await poll(async () => heardSince(0).includes(words(prompt)), '', 60000).catch(async () => {
        throw new Error(`the opening was not said; the page: ${await pageAnnounced(tab)}; ` +
            keyboardIsAt(env));
    });
    await quiet();
    // Orca 43 reads the whole page aloud (say-all) when the page has
    // loaded with the focus still on the document, as it does with any
    // page; that is Orca's reading, not the page's, and is left out: the
    // page's own announcement must say the opening, once.
    await report('opening', checkMove('', await output(),
        spoken().filter(([kind]) => kind === 'speak'), true));
    const beforeTab = spoken().length;
    xtype(env, 'key', 'Tab');
    await poll(async () => await tab.evaluate(() => document.activeElement?.id === 'send') &&
        heardSince(beforeTab).includes('Wyślij'), '', 30000).catch(() => {
        throw new Error(`Tab did not take Orca from the input line to the button: ${keyboardIsAt(env)}`);
    });
    xtype(env, 'key', 'shift+Tab');
    await poll(() => typingReachesEntry(tab), '', 30000).catch(() => {
        throw new Error(`Shift+Tab did not give the input line the keyboard: ${keyboardIsAt(env)}`);
    });
    await quiet();
    console.log(`page load: ${heardSince(0, ' | ')}`);

    for (const move of ['1', '2', '7', '0']) {
        const before = await output();
        const mark = spoken().length;
        if (!await typingReachesEntry(tab)) {
            throw new Error(`before move ${move}, the input line had lost the keyboard: ` +
                keyboardIsAt(env));
        }
        xtype(env, 'type', '--delay', '40', move);
        xtype(env, 'key', 'Return');
        await poll(async () => {
            const now = await output();
            return now.length > before.length &&
                (now.endsWith(prompt) || await tab.evaluate(() => document.body.dataset.state === 'ended'));
        }, `the game did not answer ${move}`).catch((error) => {
            throw new Error(`${error.message}; the keyboard was at: ${keyboardIsAt(env)}`);
        });
        // Orca may be slow to start speaking on a busy machine: it is given
        // until the prompt, or all of the end, has been said, then until it
        // stops.
        const last = move === '0' ? ['Gra zakończona.', 'Zagraj ponownie'] : [words(prompt)];
        await poll(async () => last.every((text) => heardSince(mark).includes(text)), '', 60000)
            .catch(() => {});
        await quiet();
        const added = (await output()).slice(before.length);
        const said = spoken().slice(mark);
        console.log(`move ${move}: ${said.map(([, text]) => JSON.stringify(text)).join(' ')}`);
        await report(`move ${move}`, checkMove(move, added, said));
    }
    await tab.page?.screenshot({ path: path.join(out, 'ended.png') });
    if (!await browser.close()) {
        console.log('FAILED: the browser left processes running');
        ++failures;
    }
} catch (error) {
    console.log(`FAILED: ${error.stack ?? error}`);
    ++failures;
} finally {
    await Promise.all([...hosts].map((host) => host.stop()));
    if (!await stopEverything()) {
        console.log('FAILED: processes of the test went on after they were stopped');
        ++failures;
    }
}
if (existsSync(speechLog)) {
    console.log(`what Orca said is in ${speechLog}`);
}
console.log(failures ? `${engine}: ${failures} problem(s)` : `${engine}: every move was said in order`);
process.exit(failures ? 1 : 0);
