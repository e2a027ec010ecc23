// A small W3C WebDriver client: the few commands the browser test sends to a
// driver on loopback (WebKitGTK's WebKitWebDriver), each an HTTP request
// with a JSON body. https://www.w3.org/TR/webdriver2/
const elementKey = 'element-6066-11e4-a52e-4f735466cecf';

export class Session {
    static async create(driver, capabilities) {
        const { sessionId, capabilities: granted } = await request(driver, 'POST', '/session',
            { capabilities: { alwaysMatch: capabilities } });
        return new Session(`${driver}/session/${sessionId}`, granted);
    }

    constructor(url, capabilities) {
        Object.assign(this, { url, capabilities });
    }

    command(method, path, body) {
        return request(this.url, method, path, body);
    }

    navigate(url) {
        return this.command('POST', '/url', { url });
    }

    // Runs a function's source in the page with JSON arguments; a promise it
    // returns is awaited.
    execute(source, args) {
        return this.command('POST', '/execute/sync',
            { script: `return (${source}).apply(null, arguments);`, args });
    }

    async element(selector) {
        const found = await this.command('POST', '/element',
            { using: 'css selector', value: selector });
        return found[elementKey];
    }

    // Keys pressed and released in turn; a key in `held` stays down meanwhile.
    async keys(keys, held = []) {
        const down = (value) => ({ type: 'keyDown', value });
        const up = (value) => ({ type: 'keyUp', value });
        await this.command('POST', '/actions', {
            actions: [{
                type: 'key', id: 'keyboard',
                actions: [...held.map(down), ...[...keys].flatMap((key) => [down(key), up(key)]),
                    ...held.map(up)],
            }],
        });
    }

    // A touch, down and up, at the middle of an element.
    tap(element) {
        return this.command('POST', '/actions', {
            actions: [{
                type: 'pointer', id: 'finger', parameters: { pointerType: 'touch' },
                actions: [
                    { type: 'pointerMove', x: 0, y: 0, origin: { [elementKey]: element } },
                    { type: 'pointerDown', button: 0 },
                    { type: 'pointerUp', button: 0 },
                ],
            }],
        });
    }

    setWindowSize(width, height) {
        return this.command('POST', '/window/rect', { width, height });
    }

    frame(element) {
        return this.command('POST', '/frame', { id: { [elementKey]: element } });
    }

    parentFrame() {
        return this.command('POST', '/frame/parent', {});
    }

    // A PNG of the viewport, or of one element.
    async screenshot(element) {
        const base64 = await this.command('GET',
            element ? `/element/${element}/screenshot` : '/screenshot');
        return Buffer.from(base64, 'base64');
    }

    close() {
        return this.command('DELETE', '');
    }
}

async function request(base, method, path, body) {
    // No command takes a minute: a driver that does not answer is reported.
    const response = await fetch(base + path, {
        method,
        signal: AbortSignal.timeout(60000),
        headers: { 'Content-Type': 'application/json; charset=utf-8' },
        body: body === undefined ? undefined : JSON.stringify(body),
    });
    const { value } = await response.json();
    if (!response.ok) {
        throw new Error(`WebDriver ${method} ${path}: ${value?.error}: ${value?.message}`);
    }
    return value;
}
