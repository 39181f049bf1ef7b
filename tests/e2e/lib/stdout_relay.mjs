// Stands between the browser and the host for the benchmark: passes both streams through
// unchanged and notes, for every externalEvent, when it left the host's standard output.
//   node stdout_relay.mjs <log file> <host program> [host arguments...]
// Each log line: "<CLOCK_MONOTONIC ns when the bytes arrived> <barcode as JSON>".
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import { FrameDecoder } from './frames.mjs';

const [logFile, host, ...args] = process.argv.slice(2);
const child = spawn(host, args, { stdio: ['pipe', 'pipe', 'inherit'] });
process.stdin.pipe(child.stdin);
child.stdin.on('error', () => {});   // the host may go first; its exit is reported below

let arrival = 0n;
const decoder = new FrameDecoder((text) => {
    const msg = JSON.parse(text);
    if (msg.type === 15 && msg.method === 'externalEvent') {
        fs.appendFileSync(logFile, `${arrival} ${JSON.stringify(msg.params[2])}\n`);
    }
});
child.stdout.on('data', (chunk) => {
    arrival = process.hrtime.bigint();
    process.stdout.write(chunk);
    decoder.push(chunk);
});
child.on('exit', (code, signal) => process.exit(signal ? 1 : code));
