// The demo: barcodes from a scanner show up on a web page in headless Chromium, through the
// test extension and the Chrome host, and in this terminal.
//   node demo.mjs <host directory> [--port DEVICE] [--no-browser] [--screenshot FILE.png]
// Without --port a simulated scanner is fed a few sample codes and the demo ends when the
// page has shown them; with --port it shows what the real scanner sends until Ctrl-C.
// --no-browser drives the host straight through its pipes instead of through the browser.
import { spawn } from 'node:child_process';
import { parseArgs } from 'node:util';
import {
    cleanup, extensionId, hostManifest, hostPath, onCleanup, openScannerPage, startBrowser,
    startPageServer, startScanner, stopChild, withDeadline, workDir,
} from './lib/harness.mjs';
import { encodeFrame, FrameDecoder } from './lib/frames.mjs';
import { HostSession } from './page/host_session.mjs';

const kSampleCodes = ['4006381333931', '9780201633610', '5901234123457', 'VELMOR-0042', '0012345678905'];
const kSampleIntervalMs = 700;

const { values: opts, positionals } = parseArgs({
    allowPositionals: true,
    options: { port: { type: 'string' }, 'no-browser': { type: 'boolean' }, screenshot: { type: 'string' } },
});

let seen = 0;
function printScan(data) {
    seen += 1;
    console.log(`scan ${String(seen).padStart(3)}  ${data}`);
}

// The page, through the extension: its console tells us each code it received.
async function throughBrowser(host, work, device) {
    const url = await startPageServer();
    const { page } = await startBrowser(work, hostManifest(host));
    page.on('console', (msg) => {
        const m = /^scan (.*)$/.exec(msg.text());
        if (m) printScan(JSON.parse(m[1]));
    });
    await openScannerPage(page, url, device);
    console.log(`page ${url} is listening on ${device}`);
    return {
        shown: (n) => page.waitForFunction((k) => window.scanner.events.length >= k, n, { timeout: 10000 }),
        screenshot: (file) => page.screenshot({ path: file }),
    };
}

// Straight on the host's pipes, as the browser would talk to it.
async function throughPipes(host, device) {
    const child = spawn(host, [`chrome-extension://${extensionId()}/`], { stdio: ['pipe', 'pipe', 'inherit'] });
    onCleanup(() => stopChild(child, 'the host', { closeInput: true }));
    let waiter = null;
    const session = new HostSession({
        send: (message) => child.stdin.write(encodeFrame(message)),
        log: (text) => { if (process.env.VELMOR_DEMO_VERBOSE) console.log(text); },
        onScan: (scan) => {
            console.log(`externalEvent ${JSON.stringify([scan.source, scan.message, scan.data])}`);
            printScan(scan.data);
            if (waiter && seen >= waiter.n) waiter.resolve();
        },
    });
    const decoder = new FrameDecoder((text) => session.receive(JSON.parse(text)));
    child.stdout.on('data', (chunk) => decoder.push(chunk));
    child.on('exit', (code, signal) => session.disconnected(`host exited with ${signal || code}`));
    child.on('error', (err) => session.disconnected(err.message));
    await session.open(device);
    console.log(`host ${host} is listening on ${device}`);
    return {
        shown: (n) => (seen >= n ? Promise.resolve() : withDeadline(new Promise((resolve) => { waiter = { n, resolve }; }),
            10000, `${n} scans from the host`)),
        screenshot: () => { throw new Error('--screenshot needs the browser'); },
    };
}

async function main() {
    const host = hostPath(positionals[0] || '.');
    const work = workDir();
    const scanner = opts.port ? null : await startScanner(work);
    const device = opts.port || scanner.path;
    const view = opts['no-browser'] ? await throughPipes(host, device) : await throughBrowser(host, work, device);

    if (!scanner) {
        console.log('scan away; Ctrl-C ends the demo');
        await new Promise(() => {});
    }
    for (const [i, code] of kSampleCodes.entries()) {
        await new Promise((resolve) => setTimeout(resolve, kSampleIntervalMs));   // a person's pace
        await scanner.write(`${code}\r`);
        await view.shown(i + 1);
    }
    if (opts.screenshot) {
        await view.screenshot(opts.screenshot);
        console.log(`screenshot: ${opts.screenshot}`);
    }
}

let status = 0;
try {
    await main();
} catch (err) {
    console.error(`demo: ${err.message}`);
    status = 1;
} finally {
    await cleanup();
}
process.exit(status);
