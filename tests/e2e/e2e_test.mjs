// Browser test: a barcode written into the simulated scanner reaches a page in headless
// Chromium through the test extension and the Chrome host.
//   node e2e_test.mjs <directory of the built host>
import {
    cleanup, hostManifest, hostPath, openScannerPage, pageLog, startBrowser, startPageServer,
    startScanner, workDir,
} from './lib/harness.mjs';

const kScanDeadlineMs = 10000;

// Each case writes its bytes (Latin-1: one character a byte) into the pty in one write and
// expects these codes, in order.
const kScans = [
    { name: 'a first code ended by CR reaches the page', bytes: '4006381333931\r', codes: ['4006381333931'] },
    { name: 'a second code ended by LF follows it', bytes: 'SCAN-0002\n', codes: ['SCAN-0002'] },
    { name: 'two codes in one write arrive as two events, in order', bytes: '111\r222\r', codes: ['111', '222'] },
    { name: 'bytes above 0x7F arrive as the characters of their values', bytes: 'A\xC4\xFF\r', codes: ['A\u00C4\u00FF'] },
];

// Chromium's error output, where the host's own error output lands too, without the noise
// of a machine that has no desktop bus.
function browserLog(text) {
    const lines = text.split('\n').filter((l) => l && !/dbus|DBus/.test(l)).slice(-20);
    return `Chromium's and the host's error output (last lines):\n${indent(lines.join('\n') || '(none)')}`;
}

const results = [];
function report(name, error) {
    results.push({ name, error });
    console.log(error ? `FAIL - ${name}\n${indent(error)}` : `ok - ${name}`);
}
const indent = (text) => String(text).split('\n').map((l) => `    ${l}`).join('\n');

async function main() {
    const host = hostPath(process.argv[2] || '.');
    const work = workDir();
    const scanner = await startScanner(work);
    const url = await startPageServer();
    const { page, log } = await startBrowser(work, hostManifest(host));
    // The first failure shows what the page and the browser saw; later ones refer to it.
    let shown = false;
    const seenSoFar = async () => {
        if (shown) return '(page and browser output: see the first failure)';
        shown = true;
        return `${await pageLog(page)}\n${browserLog(log())}`;
    };

    try {
        await openScannerPage(page, url, scanner.path);
        report('the page claims the simulated scanner through the host');
    } catch (err) {
        report('the page claims the simulated scanner through the host', `${err.message}\n${browserLog(log())}`);
        for (const scan of kScans) report(scan.name, 'not run: the page has no claimed scanner');
        return;
    }
    const siteId = await page.evaluate(() => window.scanner.siteId ?? null);

    for (const scan of kScans) {
        const before = await page.evaluate(() => window.scanner.events.length);
        const want = before + scan.codes.length;
        await scanner.write(scan.bytes);
        let error = null;
        try {
            await page.waitForFunction((n) => window.scanner.events.length >= n || window.scanner.state === 'failed',
                want, { timeout: kScanDeadlineMs });
            const state = await page.evaluate(() => window.scanner.state);
            if (state === 'failed') throw new Error('the page lost its host');
            const got = (await page.evaluate(() => window.scanner.events)).slice(before);
            const expected = scan.codes.map((data) => ({ source: 'Scandor', message: 'Barcode', data, clsId: siteId }));
            const seen = got.map(({ source, message, data, clsId }) => ({ source, message, data, clsId }));
            if (JSON.stringify(seen) !== JSON.stringify(expected)) {
                error = `expected ${JSON.stringify(expected)}\n got ${JSON.stringify(seen)}`;
            }
        } catch (err) {
            const got = (await page.evaluate(() => window.scanner.events)).slice(before).map((e) => e.data);
            error = `waited up to ${kScanDeadlineMs} ms for ${JSON.stringify(scan.codes)} after writing ` +
                `${JSON.stringify(scan.bytes)} into ${scanner.path}; the page got ${JSON.stringify(got)}` +
                ` (${err.message.split('\n')[0]})\n${await seenSoFar()}`;
        }
        report(scan.name, error);
    }
}

let exitCode = 0;
try {
    await main();
} catch (err) {
    report('the browser test runs', err.stack || err.message);
} finally {
    await cleanup();
    const failed = results.filter((r) => r.error).length;
    console.log(`${results.length - failed} passed, ${failed} failed`);
    exitCode = failed || !results.length ? 1 : 0;
}
process.exit(exitCode);
