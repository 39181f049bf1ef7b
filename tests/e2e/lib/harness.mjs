// What the browser test, the demo and the benchmark share: the simulated scanner, the page
// server, the host manifest, and a headless Chromium with the test extension, reached over
// the DevTools protocol. Everything started here is ended by cleanup(), also on failure.
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';

export const kE2eDir = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
export const kExtensionDir = path.join(kE2eDir, 'extension');
export const kPageDir = path.join(kE2eDir, 'page');
export const kHostProgram = 'VelmorQuillonChrLin64';
export const kAddInLibrary = 'VelmorPlovikLin64.so';
const kChromium = '/usr/bin/chromium';
const kStartDeadlineMs = 30000;
const kClaimDeadlineMs = 20000;

// --- cleanup --------------------------------------------------------------------------

const cleanups = [];
export function onCleanup(fn) { cleanups.push(fn); }
export async function cleanup() {
    while (cleanups.length) {
        try { await cleanups.pop()(); } catch (err) { console.error(`cleanup: ${err.message}`); }
    }
}
for (const sig of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
    process.on(sig, () => { cleanup().finally(() => process.exit(128 + os.constants.signals[sig])); });
}

// Waits for promise, or fails after ms saying what it waited for.
export function withDeadline(promise, ms, what) {
    let timer;
    const timeout = new Promise((_, reject) => {
        timer = setTimeout(() => reject(new Error(`timed out after ${ms} ms waiting for ${what}`)), ms);
    });
    return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

// Directory for this run's profile, HOME and logs: the caller's (run.sh makes one and
// removes it) or a fresh one removed at cleanup.
export function workDir() {
    if (process.env.VELMOR_E2E_WORK) return process.env.VELMOR_E2E_WORK;
    const dir = fs.mkdtempSync('/tmp/velmor-e2e-');
    onCleanup(() => fs.rmSync(dir, { recursive: true, force: true }));
    return dir;
}

// Records a pid in the work directory so that run.sh's trap can end it if we die.
function recordPid(work, pid) {
    fs.appendFileSync(path.join(work, 'pids'), `${pid}\n`);
}

// --- the host ---------------------------------------------------------------------------

export function hostPath(hostDir) {
    const host = path.resolve(hostDir, kHostProgram);
    for (const file of [host, path.resolve(hostDir, kAddInLibrary)]) {
        if (!fs.existsSync(file)) throw new Error(`${file} does not exist: build the linux64 preset first`);
    }
    fs.accessSync(host, fs.constants.X_OK);
    return host;
}

// The test extension's identifier, derived from the public key in its manifest exactly as
// the browser (and our build) derives it.
export function extensionId() {
    const manifest = JSON.parse(fs.readFileSync(path.join(kExtensionDir, 'manifest.json'), 'utf8'));
    const hex = createHash('sha256').update(Buffer.from(manifest.key, 'base64')).digest('hex').slice(0, 32);
    return [...hex].map((d) => String.fromCharCode(97 + parseInt(d, 16))).join('');
}

// The native-messaging name the extension connects to; the service worker holds it.
export function hostName() {
    const source = fs.readFileSync(path.join(kExtensionDir, 'service_worker.js'), 'utf8');
    return /kHostName = '([^']+)'/.exec(source)[1];
}

export function hostManifest(host) {
    return {
        name: hostName(),
        description: 'Velmor barcode scanner host',
        path: host,
        type: 'stdio',
        allowed_origins: [`chrome-extension://${extensionId()}/`],
    };
}

// --- the simulated scanner ----------------------------------------------------------------

// A pty whose slave path the page gives the add-in as its Port. write(bytes) takes a Buffer
// or a string of byte values (Latin-1) and resolves with the CLOCK_MONOTONIC time in ns
// taken just before the bytes went into the master side.
export async function startScanner(work) {
    const child = spawn('python3', [path.join(kE2eDir, 'pty_feed.py')], { stdio: ['pipe', 'pipe', 'inherit'] });
    recordPid(work, child.pid);
    onCleanup(() => stopChild(child, 'the simulated scanner'));
    const lines = readline.createInterface({ input: child.stdout });
    const waiting = [];
    let exited = null;
    const fail = (why) => { exited = why; while (waiting.length) waiting.shift().reject(new Error(why)); };
    child.on('exit', (code, signal) => fail(`the simulated scanner exited (${signal || code})`));
    child.on('error', (err) => fail(`the simulated scanner did not start: ${err.message}`));
    lines.on('line', (line) => { const w = waiting.shift(); if (w) w.resolve(line); });
    const nextLine = (what) => withDeadline(new Promise((resolve, reject) => {
        if (exited) reject(new Error(exited)); else waiting.push({ resolve, reject });
    }), 5000, what);

    const slave = await nextLine('the simulated scanner to open its pty');
    return {
        path: slave,
        async write(bytes) {
            const data = Buffer.isBuffer(bytes) ? bytes : Buffer.from(bytes, 'latin1');
            child.stdin.write(data.toString('hex') + '\n');
            const ack = await nextLine(`the simulated scanner to write ${JSON.stringify(data.toString('latin1'))}`);
            return BigInt(ack.split(' ')[1]);
        },
    };
}

// Ends a child: with SIGTERM, or by closing its input when that is how it ends (the host);
// SIGKILL when it is still there after the deadline.
export function stopChild(child, what, { closeInput = false } = {}) {
    if (child.exitCode !== null || child.signalCode !== null) return;
    return withDeadline(new Promise((resolve) => {
        child.once('exit', resolve);
        if (closeInput) child.stdin.end(); else child.kill('SIGTERM');
    }), 5000, `${what} to end`).catch(() => child.kill('SIGKILL'));
}

// --- the page server ------------------------------------------------------------------------

const kTypes = { '.html': 'text/html; charset=utf-8', '.mjs': 'text/javascript', '.js': 'text/javascript' };

export async function startPageServer() {
    const server = http.createServer((req, res) => {
        const name = new URL(req.url, 'http://127.0.0.1').pathname.replace(/^\/$/, '/index.html');
        const file = path.join(kPageDir, path.normalize(name));
        const type = kTypes[path.extname(file)];
        if (!file.startsWith(kPageDir + path.sep) || !type || !fs.existsSync(file)) {
            res.writeHead(404).end();
            return;
        }
        // Cross-origin isolation gives the page's clock its finer resolution (the benchmark).
        res.writeHead(200, { 'content-type': type, 'cache-control': 'no-store',
            'cross-origin-opener-policy': 'same-origin', 'cross-origin-embedder-policy': 'require-corp' });
        fs.createReadStream(file).pipe(res);
    });
    await new Promise((resolve, reject) => server.once('error', reject).listen(0, '127.0.0.1', resolve));
    onCleanup(() => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }));
    return `http://127.0.0.1:${server.address().port}/`;
}

// --- the browser -------------------------------------------------------------------------

const kChromiumFlags = [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

// Starts Chromium with a fresh profile holding the host manifest, and the test extension.
// Resolves with { context, page, log() } once the extension's service worker runs.
export async function startBrowser(work, manifest) {
    if (!fs.existsSync(kChromium)) throw new Error(`no browser at ${kChromium}: tools/setup.sh browser installs it`);
    const profile = path.join(work, 'profile');
    const home = path.join(work, 'home');
    fs.mkdirSync(path.join(profile, 'NativeMessagingHosts'), { recursive: true });
    fs.mkdirSync(home, { recursive: true });
    fs.writeFileSync(path.join(profile, 'NativeMessagingHosts', `${manifest.name}.json`),
        JSON.stringify(manifest, null, 2));

    const logFile = path.join(work, 'chromium.log');
    const logFd = fs.openSync(logFile, 'w');
    const args = [...kChromiumFlags, '--remote-debugging-port=0', `--user-data-dir=${profile}`,
        `--load-extension=${kExtensionDir}`, `--disable-extensions-except=${kExtensionDir}`, 'about:blank'];
    // Its own process group, so that its renderers and the host it starts end with it.
    const child = spawn(kChromium, args, { env: { ...process.env, HOME: home }, detached: true,
        stdio: ['ignore', 'ignore', logFd] });
    fs.closeSync(logFd);
    recordPid(work, `-${child.pid}`);
    const log = () => (fs.existsSync(logFile) ? fs.readFileSync(logFile, 'utf8') : '');
    onCleanup(() => endGroup(child));

    const endpoint = await withDeadline(devToolsEndpoint(profile, child), kStartDeadlineMs,
        'Chromium to open its DevTools port');
    // Loaded here, so that the scripts that drive the host without a browser need no packages.
    const { chromium } = await import('playwright-core');
    const browser = await chromium.connectOverCDP(endpoint);
    onCleanup(() => browser.close());
    const context = browser.contexts()[0];
    const extensionOrigin = `chrome-extension://${extensionId()}/`;
    const isOurs = (w) => w.url().startsWith(extensionOrigin);
    if (!context.serviceWorkers().some(isOurs)) {
        await withDeadline(context.waitForEvent('serviceworker', { predicate: isOurs, timeout: 0 }),
            kStartDeadlineMs, `the test extension's service worker (${extensionOrigin})`);
    }
    const page = context.pages()[0] || await context.newPage();
    return { context, page, log };
}

// Chromium writes the port it chose into DevToolsActivePort in its profile.
function devToolsEndpoint(profile, child) {
    const file = path.join(profile, 'DevToolsActivePort');
    return new Promise((resolve, reject) => {
        const check = () => {
            if (!fs.existsSync(file)) return false;
            const [port, wsPath] = fs.readFileSync(file, 'utf8').split('\n');
            if (!wsPath) return false;
            resolve(`ws://127.0.0.1:${port}${wsPath}`);
            return true;
        };
        const watcher = fs.watch(profile, () => { if (check()) watcher.close(); });
        child.once('exit', (code, signal) => { watcher.close(); reject(new Error(`Chromium exited (${signal || code})`)); });
        if (check()) watcher.close();
    });
}

function endGroup(child) {
    if (child.exitCode !== null || child.signalCode !== null) return;
    return withDeadline(new Promise((resolve) => {
        child.once('exit', resolve);
        try { process.kill(-child.pid, 'SIGTERM'); } catch { resolve(); }
    }), 10000, 'Chromium to end').catch(() => { try { process.kill(-child.pid, 'SIGKILL'); } catch { /* gone */ } });
}

// Opens the page for a scanner on `port` and waits until it has claimed it.
export async function openScannerPage(page, url, port) {
    await page.goto(`${url}?port=${encodeURIComponent(port)}`);
    await page.waitForFunction(() => window.scanner && window.scanner.state !== 'starting', null,
        { timeout: kClaimDeadlineMs }).catch(() => {});
    const state = await page.evaluate(() => window.scanner && { state: window.scanner.state, error: window.scanner.error });
    if (!state || state.state !== 'claimed') {
        const why = !state ? 'its script did not run' : state.error || `still ${state.state} after ${kClaimDeadlineMs} ms`;
        throw new Error(`the page did not claim ${port}: ${why}\n${await pageLog(page)}`);
    }
}

export async function pageLog(page) {
    const lines = await page.evaluate(() => (window.scanner ? window.scanner.log : [])).catch(() => []);
    return `what the page saw:\n${lines.map((l) => `  ${l}`).join('\n') || '  (nothing)'}`;
}
