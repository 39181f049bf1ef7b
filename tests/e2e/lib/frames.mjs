// The host's framing: a 4-byte length in the machine's byte order (little-endian here),
// then that many bytes of UTF-8 JSON.
import os from 'node:os';

const kLittle = os.endianness() === 'LE';

export function encodeFrame(message) {
    const text = Buffer.from(JSON.stringify(message), 'utf8');
    const prefix = Buffer.alloc(4);
    if (kLittle) prefix.writeUInt32LE(text.length); else prefix.writeUInt32BE(text.length);
    return Buffer.concat([prefix, text]);
}

// Feed it the stream's chunks; it calls onFrame(text) for every whole frame, in order.
export class FrameDecoder {
    constructor(onFrame) {
        this.onFrame = onFrame;
        this.buffer = Buffer.alloc(0);
    }

    push(chunk) {
        this.buffer = this.buffer.length ? Buffer.concat([this.buffer, chunk]) : chunk;
        while (this.buffer.length >= 4) {
            const n = kLittle ? this.buffer.readUInt32LE(0) : this.buffer.readUInt32BE(0);
            if (this.buffer.length < 4 + n) break;
            const text = this.buffer.toString('utf8', 4, 4 + n);
            this.buffer = this.buffer.subarray(4 + n);
            this.onFrame(text);
        }
    }
}
