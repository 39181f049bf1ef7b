// One host process per page connection: the content script connects, we start the host with
// connectNative and relay both ways until either side goes; the page learns why the host went.
const kHostName = 'velmor.quillon';

chrome.runtime.onConnect.addListener((page) => {
    const host = chrome.runtime.connectNative(kHostName);
    host.onMessage.addListener((message) => page.postMessage({ kind: 'message', message }));
    host.onDisconnect.addListener(() => {
        const error = chrome.runtime.lastError ? chrome.runtime.lastError.message : 'the host closed its output';
        page.postMessage({ kind: 'disconnected', error });
        page.disconnect();
    });
    page.onMessage.addListener((message) => host.postMessage(message));
    page.onDisconnect.addListener(() => host.disconnect());
});
