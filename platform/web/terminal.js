'use strict';
// The page's side of the game: shows what the game writes as a terminal
// would, and hands it what the player types, a line at a time. Loaded before
// ksiezyc.js, which reads the Module set up here.
//
// For tests and tools: window.gameOutput is the exact text the game has
// written so far (without the echoed input); document.body.dataset.state is
// where the page stands (loading, playing, ended or failed), and
// document.body.dataset.exit main's return value once the game has ended.
(() => {
    const terminal = document.getElementById('terminal');
    const output = document.getElementById('output');
    const entry = document.getElementById('entry');
    const ending = document.getElementById('ending');
    const endingText = document.getElementById('ending-text');
    const again = document.getElementById('again');
    const loading = document.getElementById('loading');
    // The page is ready for typing once this script runs: before, Enter would
    // submit the form as a plain page would.
    entry.disabled = false;
    document.getElementById('send').disabled = false;
    // The game's separator line: a rule that never wraps, heard as a
    // separator, copied as the game's text.
    const separator = Array(37).fill('-').join(' ');

    const decoder = new TextDecoder('utf-8');
    const encoder = new TextEncoder();
    window.gameOutput = '';

    // The newest lines stay on the page, as in a terminal's scrollback
    // (window.gameOutput keeps all): a long game's turns cost as the first's.
    const scrollback = 2000;
    output.dataset.scrollback = String(scrollback);

    // Text reaches the page once a frame, with one scroll; of a burst, only
    // the lines that stay.
    let written = [];
    let pending = [];
    let frameRequested = false;

    // Screen readers hear the text added since they last did, once the game
    // waits for input or has ended, in one piece: from a live log, Chromium
    // reported each new node apart, and Orca put them out of order. Nothing
    // is said until a second after the load event: the browser tells screen
    // readers that the page has loaded a little after that event, and until
    // then Orca drops what a live region says (seen in Chromium and Firefox
    // when the game started early), and the player would miss the opening.
    const spoken = document.getElementById('spoken');
    let unsaid = '';
    let sayDue = false;
    let settled = false;
    window.addEventListener('load', () => setTimeout(() => {
        settled = true;
        requestFrame();
    }, 1000));

    function requestFrame() {
        if (!frameRequested) {
            frameRequested = true;
            requestAnimationFrame(show);
        }
    }

    function decodeWritten(final) {
        // The decoder keeps a sequence split across batches until it is whole.
        const text = decoder.decode(Uint8Array.from(written), { stream: !final });
        written = [];
        window.gameOutput += text;
        queue(text, false);
    }

    function queue(text, typed) {
        if (text !== '') {
            pending.push({ text, typed });
            unsaid += text;
            requestFrame();
        }
    }

    function collect(byte) {
        if (byte === null) {
            return;
        }
        written.push(byte);
        requestFrame();
    }

    // The pending text as lines of pieces, each ended or not.
    function pendingLines() {
        const lines = [{ pieces: [], ended: false }];
        for (const { text, typed } of pending) {
            for (const piece of text.split(/(?<=\n)/)) {
                lines[lines.length - 1].pieces.push({ text: piece, typed });
                if (piece.endsWith('\n')) {
                    lines[lines.length - 1].ended = true;
                    lines.push({ pieces: [], ended: false });
                }
            }
        }
        pending = [];
        if (lines[lines.length - 1].pieces.length === 0) {
            lines.pop();
        }
        return lines;
    }

    // The line not yet ended (a prompt): the next text goes on in it.
    let open = null;

    function lineElement(pieces) {
        const line = open ?? document.createElement('span');
        line.className = 'line';
        const gameText = line.textContent +
            pieces.map((piece) => (piece.typed ? '' : piece.text)).join('');
        if (gameText === separator + '\n' && !line.querySelector('.typed')) {
            line.replaceChildren();
            line.classList.add('separator');
            line.setAttribute('role', 'separator');
            const dashes = document.createElement('span');
            dashes.setAttribute('aria-hidden', 'true');
            dashes.textContent = separator;
            line.append(dashes, '\n');
            return line;
        }
        for (const piece of pieces) {
            if (piece.typed) {
                const typed = document.createElement('span');
                typed.className = 'typed';
                typed.textContent = piece.text;
                line.append(typed);
            } else {
                line.append(piece.text);
            }
        }
        return line;
    }

    function show() {
        frameRequested = false;
        if (written.length) {
            decodeWritten(false);
        }
        let lines = pendingLines();
        if (lines.length > scrollback) {
            lines = lines.slice(-scrollback);
            output.replaceChildren();
            open = null;
        }
        const fragment = document.createDocumentFragment();
        for (const line of lines) {
            const element = lineElement(line.pieces);
            if (element !== open) {
                fragment.append(element);
            }
            open = line.ended ? null : element;
            element.classList.toggle('open', !line.ended);
        }
        output.append(fragment);
        const extra = output.childElementCount - scrollback;
        if (extra > 0) {
            const range = document.createRange();
            range.setStartBefore(output.firstChild);
            range.setEndAfter(output.children[extra - 1]);
            range.deleteContents();
        }
        if (sayDue && settled) {
            say(unsaid);
            unsaid = '';
            sayDue = false;
        }
        terminal.scrollTop = terminal.scrollHeight;
    }

    // One announcement: the lines in order, no separators, a screenful.
    function say(text) {
        const lines = text.split('\n').filter((line) => line.trim() !== '' && line !== separator);
        if (lines.length === 0) {
            return;
        }
        const announcement = document.createElement('p');
        announcement.textContent = lines.slice(-40).join('\n');
        spoken.replaceChildren(announcement);
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

    // Lines typed before the game's first prompt wait for it, so that they
    // are shown, and played, after the opening text.
    let early = [];

    function submit(text) {
        if (document.body.dataset.state === 'loading') {
            early.push(text);
            return;
        }
        queue(text, true);
        send(text);
    }

    // Enter or the send button submits the line.
    document.getElementById('line').addEventListener('submit', (event) => {
        event.preventDefault();
        const text = entry.value;
        entry.value = '';
        submit(text + '\n');
        entry.focus();
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
                submit(text);
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

    function setState(state) {
        document.body.dataset.state = state;
        loading.hidden = state !== 'loading';
    }

    function finish(status, message) {
        decodeWritten(true);
        document.body.dataset.exit = String(status);
        setState('ended');
        if (message) {
            endingText.textContent = message;
        }
        ending.hidden = false;
        // The focus moves from the input line to the button before anything
        // else changes on the page: Orca 43 in Chromium took the move in
        // silence where the line had been disabled or the page redrawn first.
        again.focus();
        entry.disabled = true;
        unsaid += `\n${endingText.textContent}`;
        sayDue = true;
        show();
    }

    // The game could not start: say so, and offer to try again.
    function failed(error) {
        if (document.body.dataset.state !== 'loading') {
            return;
        }
        console.error(error);
        setState('failed');
        entry.disabled = true;
        endingText.textContent =
            'Nie udało się wczytać gry. Sprawdź połączenie z siecią i spróbuj ponownie.';
        again.textContent = 'Spróbuj ponownie';
        ending.hidden = false;
        unsaid = endingText.textContent;
        sayDue = true;
        show();
        again.focus();
    }

    function started() {
        setState('playing');
        const lines = early;
        early = [];
        lines.forEach(submit);
    }

    // The wasm is fetched by the page (in parallel with ksiezyc.js, which the
    // page preloads), so that a failed or broken download is noticed.
    async function instantiate(imports) {
        const response = await fetch('ksiezyc.wasm', { credentials: 'same-origin' });
        if (!response.ok) {
            throw new Error(`ksiezyc.wasm: HTTP ${response.status}`);
        }
        if (response.headers.get('Content-Type') === 'application/wasm') {
            return WebAssembly.instantiateStreaming(response, imports);
        }
        return WebAssembly.instantiate(await response.arrayBuffer(), imports);
    }

    window.Module = {
        // The page starts main itself, to learn how it ended.
        noInitialRun: true,
        stdin: () => null,
        stdout: collect,
        // Called by the game (through Asyncify) whenever it needs input.
        readInput: async (buffer, capacity) => {
            decodeWritten(false);
            if (document.body.dataset.state === 'loading') {
                started();
            }
            if (typed.length === 0 && !inputEnded) {
                sayDue = true;
                requestFrame();
            }
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
        instantiateWasm: (imports, receive) => {
            instantiate(imports).then((result) => receive(result.instance, result.module))
                .catch(failed);
            return {};
        },
        onAbort: (reason) => {
            if (document.body.dataset.state === 'loading') {
                failed(reason);
            } else {
                finish(1, 'Nie udało się uruchomić gry.');
            }
        },
    };

    const script = document.createElement('script');
    script.src = 'ksiezyc.js';
    script.addEventListener('error', () => failed(new Error('ksiezyc.js did not load')));
    document.body.append(script);

    // After one visit the site's files are kept, so the game also starts
    // with no network.
    if ('serviceWorker' in navigator) {
        window.addEventListener('load', () => {
            navigator.serviceWorker.register('sw.js').catch((error) => console.warn(error));
        });
    }

    entry.focus();
})();
