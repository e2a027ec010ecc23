// The site's static host for the browser tests, on loopback.
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import { pause } from './browsers.mjs';

// A static host for the site on loopback, compressing as hosts do when asked;
// it can also block the wasm (blockWasm: 'drop' drops the connection, as a
// blocked request is; 'refuse' answers 503), hold it back until told to let
// it go, or serve over a slow link. The host does these, not the browser,
// so that every engine sees them the same way.
const types = {
    '.html': 'text/html; charset=utf-8', '.css': 'text/css', '.js': 'text/javascript',
    '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json',
    '.png': 'image/png', '.svg': 'image/svg+xml',
};
export function serve(dir, { compress = false, blockWasm: blocked = false, holdWasm = false,
    link = null } = {}) {
    let blockWasm = blocked;
    let letGo;
    const held = holdWasm ? new Promise((resolve) => {
        letGo = resolve;
    }) : null;
    const server = createServer(async (request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://host').pathname.slice(1));
        const file = path.basename(name) || 'index.html';
        if (blockWasm && file.endsWith('.wasm')) {
            ++host.refused;
            if (blockWasm === 'refuse') {
                response.writeHead(503).end();
            } else {
                request.socket.destroy();
            }
            return;
        }
        if (held && file.endsWith('.wasm')) {
            ++host.held;
            await held;
        }
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
        if (!link) {
            response.writeHead(200, headers).end(body);
            return;
        }
        await pause(link.latency);
        response.writeHead(200, headers);
        const chunk = 16384;
        for (let at = 0; at < body.length && !response.destroyed; at += chunk) {
            response.write(body.subarray(at, at + chunk));
            await pause(chunk / link.bytesPerSecond * 1000);
        }
        response.end();
    });
    const host = {
        refused: 0,
        held: 0,
        unblock: () => {
            blockWasm = false;
        },
        release: () => letGo?.(),
        stop: () => new Promise((done) => {
            hosts.delete(host);
            letGo?.();
            server.close(done);
            server.closeAllConnections();
        }),
    };
    hosts.add(host);
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
        host.url = `http://127.0.0.1:${server.address().port}/`;
        resolve(host);
    }));
}
// Hosts still up when the test ends (a check that failed half way) are
// stopped then.
export const hosts = new Set();

