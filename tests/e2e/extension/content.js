// Relays between the page (window.postMessage) and the service worker (a runtime port).
// The port opens on the page's first message, so a page that never asks starts no host.
let port = null;

function connect() {
    port = chrome.runtime.connect();
    let told = false;   // the service worker says first when the host went
    port.onMessage.addListener((body) => {
        told ||= body.kind === 'disconnected';
        post(body);
    });
    port.onDisconnect.addListener(() => {
        port = null;
        if (!told) post({ kind: 'disconnected', error: 'the extension closed the connection' });
    });
}

function post(body) {
    window.postMessage({ channel: 'velmor-extension', ...body }, location.origin);
}

window.addEventListener('message', (e) => {
    if (e.source !== window || !e.data || e.data.channel !== 'velmor-page') return;
    if (e.data.kind === 'hello') {
        post({ kind: 'ready' });
    } else if (e.data.kind === 'message') {
        if (!port) connect();
        port.postMessage(e.data.message);
    }
});
