// The page's side: talks to the host through the test extension's content script with
// window.postMessage, and keeps what it saw in window.scanner for whoever drives the browser.
import { HostSession } from './host_session.mjs';

const kExtensionDeadlineMs = 5000;
const port = new URLSearchParams(location.search).get('port') || '/dev/ttyS0';
const statusBox = document.getElementById('status');
const codes = document.getElementById('codes');
const logBox = document.getElementById('log');

const scanner = window.scanner = { state: 'starting', error: null, port, siteId: null, events: [], log: [] };

function log(text) {
    scanner.log.push(text);
    logBox.textContent += text + '\n';
}

function setState(state, text) {
    scanner.state = state;
    statusBox.className = state;
    statusBox.textContent = text;
}

function show(event) {
    const row = codes.insertRow();
    const time = new Date(performance.timeOrigin + event.at).toLocaleTimeString();
    for (const [cls, text] of [['n', String(scanner.events.length)], ['code', event.data],
                               ['source', `${event.source} / ${event.message}`], ['time', time]]) {
        const cell = row.insertCell();
        cell.className = cls;
        cell.textContent = text;
    }
}

const toExtension = (body) => window.postMessage({ channel: 'velmor-page', ...body }, location.origin);

const session = new HostSession({
    send: (message) => toExtension({ kind: 'message', message }),
    log,
    onScan: (scan) => {
        const event = { ...scan, at: performance.now() };
        scanner.events.push(event);
        show(event);
        console.log(`scan ${JSON.stringify(event.data)}`);
    },
});

let extensionReady;
const ready = new Promise((resolve) => { extensionReady = resolve; });
window.addEventListener('message', (e) => {
    if (e.source !== window || !e.data || e.data.channel !== 'velmor-extension') return;
    const { kind } = e.data;
    if (kind === 'ready') extensionReady();
    else if (kind === 'message') session.receive(e.data.message);
    else if (kind === 'disconnected') {
        session.disconnected(e.data.error);
        if (scanner.state === 'claimed') setState('failed', `host gone: ${e.data.error}`);
    }
});

async function start() {
    toExtension({ kind: 'hello' });
    const timeout = new Promise((_, reject) => setTimeout(
        () => reject(new Error(`the test extension did not answer within ${kExtensionDeadlineMs} ms`)),
        kExtensionDeadlineMs));
    await Promise.race([ready, timeout]);
    log('extension ready');
    scanner.siteId = await session.open(port);
    setState('claimed', `listening on ${port}`);
}

start().catch((err) => {
    scanner.error = err.message;
    log(`failed: ${err.message}`);
    setState('failed', err.message);
});
