// Benchmark of one scan's road: from the write into the simulated scanner to the page's
// receipt of the externalEvent in headless Chromium, beside the same scans as they leave
// the host's standard output (a relay between browser and host notes them); the browser's
// share is the difference.
//   node bench.mjs <host directory> [--scans N]
import fs from 'node:fs';
import path from 'node:path';
import { parseArgs } from 'node:util';
import {
    cleanup, hostManifest, hostPath, kE2eDir, openScannerPage, startBrowser, startPageServer,
    startScanner, workDir,
} from './lib/harness.mjs';

const { values: opts, positionals } = parseArgs({
    allowPositionals: true, options: { scans: { type: 'string', default: '200' } },
});
const kScans = Number(opts.scans);
const kWarmUp = 5;
const kScanDeadlineMs = 10000;

// The page's performance.now() and our CLOCK_MONOTONIC run at the same rate; their offset
// comes from the round trip with the smallest span, which also bounds its error.
async function clockOffset(cdp) {
    let best = null;
    for (let i = 0; i < 200; i += 1) {
        const before = process.hrtime.bigint();
        const { result } = await cdp.send('Runtime.evaluate', { expression: 'performance.now()', returnByValue: true });
        const after = process.hrtime.bigint();
        const pageNow = result.value;
        const span = after - before;
        if (!best || span < best.span) {
            best = { span, offsetNs: BigInt(Math.round(pageNow * 1e6)) - (before + after) / 2n };
        }
    }
    return { offsetNs: best.offsetNs, errorMs: Number(best.span) / 2e6 };
}

function stats(values) {
    const v = [...values].sort((a, b) => a - b);
    const at = (q) => v[Math.min(v.length - 1, Math.floor(q * v.length))];
    return { median: at(0.5), p90: at(0.9), min: v[0], max: v[v.length - 1] };
}

async function main() {
    const host = hostPath(positionals[0] || '.');
    const work = workDir();
    const relayLog = path.join(work, 'relay.log');
    const relay = path.join(work, 'relay-host');
    fs.writeFileSync(relay, `#!/bin/sh\nexec '${process.execPath}' '${path.join(kE2eDir, 'lib', 'stdout_relay.mjs')}' ` +
        `'${relayLog}' '${host}' "$@"\n`, { mode: 0o755 });

    const scanner = await startScanner(work);
    const url = await startPageServer();
    const { page } = await startBrowser(work, hostManifest(relay));
    await openScannerPage(page, url, scanner.path);
    // A bare DevTools session: the shortest round trip into the page, for the clock offset.
    const cdp = await page.context().newCDPSession(page);
    const isolated = await page.evaluate(() => crossOriginIsolated);
    const clockBefore = await clockOffset(cdp);

    const written = new Map();
    for (let i = 1; i <= kWarmUp + kScans; i += 1) {
        const code = `BENCH${String(i).padStart(4, '0')}`;
        const t0 = await scanner.write(`${code}\r`);
        if (i > kWarmUp) written.set(code, t0);
        await page.waitForFunction((n) => window.scanner.events.length >= n, i, { timeout: kScanDeadlineMs })
            .catch(() => { throw new Error(`waited ${kScanDeadlineMs} ms for the page to receive ${code}`); });
    }
    const clockAfter = await clockOffset(cdp);

    const events = await page.evaluate(() => window.scanner.events.map((e) => [e.data, e.at]));
    const atPage = new Map(events.map(([code, at]) => [code, BigInt(Math.round(at * 1e6)) - clockBefore.offsetNs]));
    const atHost = new Map(readRelay(relayLog, written.size + kWarmUp));
    const ms = (ns) => Number(ns) / 1e6;
    const rows = [...written].map(([code, t0]) => {
        if (!atHost.has(code) || !atPage.has(code)) throw new Error(`${code} is missing from the relay's or the page's log`);
        const host = ms(atHost.get(code) - t0);
        const browser = ms(atPage.get(code) - t0);
        return { host, browser, share: browser - host };
    });

    const fmt = (ms) => ms.toFixed(3).padStart(8);
    console.log(`${kScans} scans (after ${kWarmUp} to warm up), one at a time; milliseconds`);
    console.log('                                       median      p90      min      max');
    for (const [label, key] of [['pty write -> host standard output', 'host'],
        ['pty write -> page receives the event', 'browser'], ['browser share (difference)', 'share']]) {
        const s = stats(rows.map((r) => r[key]));
        console.log(`${label.padEnd(37)}${fmt(s.median)} ${fmt(s.p90)} ${fmt(s.min)} ${fmt(s.max)}`);
    }
    console.log(`clock offset page/Node: error bound ${clockBefore.errorMs.toFixed(3)} ms, ` +
        `page clock ${isolated ? 'fine (cross-origin isolated)' : 'coarse (100 us)'}, ` +
        `drift over the run ${ms(clockAfter.offsetNs - clockBefore.offsetNs).toFixed(3)} ms`);
}

// The relay appends each line as the event passes, long before the page can have it.
function readRelay(file, count) {
    const lines = fs.existsSync(file) ? fs.readFileSync(file, 'utf8').split('\n').filter(Boolean) : [];
    if (lines.length < count) throw new Error(`the relay noted ${lines.length} of ${count} events`);
    return lines.map((l) => { const [ns, code] = l.split(' '); return [JSON.parse(code), BigInt(ns)]; });
}

let status = 0;
try {
    await main();
} catch (err) {
    console.error(`bench: ${err.stack || err.message}`);
    status = 1;
} finally {
    await cleanup();
}
process.exit(status);
