'use strict';
// The page's side of the game: shows what the game writes as a terminal
// would, and hands it what the player types, a line at a time. Loaded before
// ksiezyc.js, which reads the Module set up here.
//
// For tests and tools: window.gameOutput is the exact text the game has
// written so far (without the echoed input), and document.body.dataset.exit
// is main's return value once the game has ended.
(() => {
    const terminal = document.getElementById('terminal');
    const output = document.getElementById('output');
    const entry = document.getElementById('entry');
    const ending = document.getElementById('ending');
    const endingText = document.getElementById('ending-text');
    const again = document.getElementById('again');

    const decoder = new TextDecoder('utf-8');
    const encoder = new TextEncoder();
    window.gameOutput = '';

    // What the game writes arrives a byte at a time; it reaches the page in
    // batches (once a frame, and whenever the game waits for input), so a
    // long burst of output costs one layout, not one per byte.
    let written = [];
    let frameRequested = false;

    function append(text, className) {
        if (text === '') {
            return;
        }
        const last = output.lastChild;
        if (!className && last && last.nodeType === Node.TEXT_NODE) {
            last.appendData(text);
        } else if (className) {
            const span = document.createElement('span');
            span.className = className;
            span.textContent = text;
            output.append(span);
        } else {
            output.append(text);
        }
        terminal.scrollTop = terminal.scrollHeight;
    }

    function showWritten(final) {
        frameRequested = false;
        // The decoder keeps a sequence split across batches until it is whole.
        const text = decoder.decode(Uint8Array.from(written), { stream: !final });
        written = [];
        window.gameOutput += text;
        append(text, null);
    }

    function collect(byte) {
        if (byte === null) {
            return;
        }
        written.push(byte);
        if (!frameRequested) {
            frameRequested = true;
            requestAnimationFrame(() => showWritten(false));
        }
    }

    // Bytes typed and not yet read by the game, and whether input has ended.
    let typed = new Uint8Array(0);
    let inputEnded = false;
    let wakeGame = null;

    function send(text) {
        const bytes = encoder.encode(text);
        const joined = new Uint8Array(typed.length + bytes.length);
        joined.set(typed);
        joined.set(bytes, typed.length);
        typed = joined;
        wake();
    }

    function wake() {
        if (wakeGame) {
            const resolve = wakeGame;
            wakeGame = null;
            resolve();
        }
    }

    function endInput() {
        inputEnded = true;
        entry.disabled = true;
        wake();
    }

    // Enter submits the line, from a keyboard or a phone's on-screen one.
    document.getElementById('line').addEventListener('submit', (event) => {
        event.preventDefault();
        const line = entry.value;
        entry.value = '';
        append(line + '\n', 'typed');
        send(line + '\n');
    });

    entry.addEventListener('keydown', (event) => {
        if (event.ctrlKey && !event.altKey && !event.metaKey &&
                   (event.key === 'd' || event.key === 'D')) {
            // As on a terminal: Ctrl+D on an empty line ends input; with text
            // typed, it sends that text without a line end.
            event.preventDefault();
            const text = entry.value;
            entry.value = '';
            if (text === '') {
                endInput();
            } else {
                append(text, 'typed');
                send(text);
            }
        }
    });

    // Clicking anywhere in the terminal puts the cursor back in the input
    // line, unless the player is selecting text to copy.
    terminal.addEventListener('click', () => {
        const selection = window.getSelection();
        if (!entry.disabled && (!selection || selection.isCollapsed)) {
            entry.focus();
        }
    });

    again.addEventListener('click', () => window.location.reload());

    function finish(status, message) {
        showWritten(true);
        document.body.dataset.exit = String(status);
        entry.disabled = true;
        if (message) {
            endingText.textContent = message;
        }
        ending.hidden = false;
        again.focus();
    }

    window.Module = {
        // The page starts main itself, to learn how it ended.
        noInitialRun: true,
        stdin: () => null,
        stdout: collect,
        // Called by the game (through Asyncify) whenever it needs input.
        readInput: async (buffer, capacity) => {
            showWritten(false);
            while (typed.length === 0 && !inputEnded) {
                await new Promise((resolve) => {
                    wakeGame = resolve;
                });
            }
            const count = Math.min(capacity, typed.length);
            window.Module.HEAPU8.set(typed.subarray(0, count), buffer);
            typed = typed.subarray(count);
            return count;
        },
        onRuntimeInitialized: () => {
            Promise.resolve(window.Module.ccall('main', 'number', [], [], { async: true }))
                .then((status) => finish(status, null))
                .catch((error) => {
                    console.error(error);
                    finish(1, 'Gra przerwana przez błąd.');
                });
        },
        onAbort: () => finish(1, 'Nie udało się uruchomić gry.'),
    };

    entry.focus();
})();
