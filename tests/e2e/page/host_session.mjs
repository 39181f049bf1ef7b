// What a page script does with the Chrome host to reach a scanner: the message sequence from
// init to Claim, and the scans that follow. Shared by the test page (through the extension)
// and by the terminal driver (straight on the host's pipes), so both walk the same road.

const MSG = Object.freeze({
    init: 0, initResult: 1, call: 2, create: 4, error: 11, callback: 15,
});

// Every step waits this long for its answer; the host answers at once when it works.
const kStepDeadlineMs = 10000;

export class HostSession {
    // send(message) hands one message object to the host; the owner passes every message
    // that comes back to receive(). log(text) records what happened, for the person
    // reading a failure. onScan({source, message, data, clsId}) gets every external event.
    constructor({ send, log = () => {}, onScan = () => {} }) {
        this.send = send;
        this.log = log;
        this.onScan = onScan;
        this.queryId = 0;
        this.pending = null;   // { matches(msg), resolve, reject, timer, what }
        this.siteId = null;
        this.closedReason = null;
    }

    // The whole set-up; resolves with the site's cls_id once the port is claimed.
    async open(port) {
        const initReply = await this.request('init', { type: MSG.init, version: '1.0', userAgent: userAgent() },
            (m) => m.type === MSG.initResult);
        if (initReply.retVal !== true) throw new Error(`init answered ${JSON.stringify(initReply)}`);

        const query = this.nextQuery();
        const service = await this.request('create the service',
            { type: MSG.create, create: 'AddInServiceEx', query_id: query },
            (m) => m.type === 5 && m.query_id === query);
        const serviceId = service.cls_id;

        const loaded = await this.call(serviceId, 'loadAddIn', ['scanner', 'native']);
        if (loaded.retVal !== true) throw new Error('loadAddIn answered false: the host could not open the add-in library');
        const names = this.classNames || [];
        const objectName = names.find((n) => n.endsWith('.Scandor'));
        if (!objectName) throw new Error(`no registerClassName for Scandor (got ${JSON.stringify(names)})`);

        const created = await this.call(serviceId, 'createInstance', [objectName]);
        const site = created.retVal;
        if (!site || site.cls_name !== 'AddInSite') throw new Error(`createInstance answered ${JSON.stringify(site)}`);
        this.siteId = site.cls_id;

        await this.call(this.siteId, 'setPropertyValue', ['Port', port]);
        await this.call(this.siteId, 'callExt', ['Claim']);
        this.log(`claimed ${port} on site ${this.siteId}`);
        return this.siteId;
    }

    call(clsId, method, params) {
        const query = this.nextQuery();
        return this.request(method, { type: MSG.call, cls_id: clsId, query_id: query, method, params },
            (m) => m.type === MSG.call && m.query_id === query);
    }

    nextQuery() { return ++this.queryId; }

    request(what, message, matches) {
        if (this.closedReason) return Promise.reject(new Error(`${what}: ${this.closedReason}`));
        if (this.pending) return Promise.reject(new Error(`${what}: "${this.pending.what}" is still waiting`));
        return new Promise((resolve, reject) => {
            const timer = setTimeout(() => {
                this.pending = null;
                reject(new Error(`no answer to ${what} within ${kStepDeadlineMs} ms`));
            }, kStepDeadlineMs);
            this.pending = { what, matches, resolve, reject, timer };
            this.log(`> ${JSON.stringify(message)}`);
            this.send(message);
        });
    }

    settle(outcome, value) {
        const p = this.pending;
        if (!p) return;
        this.pending = null;
        clearTimeout(p.timer);
        if (outcome === 'ok') p.resolve(value); else p.reject(value);
    }

    receive(msg) {
        if (msg && msg.type === MSG.callback && msg.method === 'externalEvent') {
            const [source, message, data] = msg.params || [];
            this.onScan({ source, message, data, clsId: msg.cls_id });
            return;
        }
        this.log(`< ${JSON.stringify(msg)}`);
        if (msg && msg.type === MSG.callback && msg.method === 'registerClassName') {
            (this.classNames ||= []).push(...(msg.params || []));
            return;
        }
        if (msg && msg.type === MSG.error) {
            this.settle('fail', new Error(`${this.pending ? this.pending.what : 'host'}: error ${msg.error_num} "${msg.error_descr}"`));
            return;
        }
        if (this.pending && this.pending.matches(msg)) this.settle('ok', msg);
    }

    // The connection to the host is gone; whatever waits learns why.
    disconnected(reason) {
        this.closedReason = `connection to the host closed (${reason})`;
        this.log(this.closedReason);
        this.settle('fail', new Error(this.pending ? `${this.pending.what}: ${this.closedReason}` : this.closedReason));
    }
}

function userAgent() {
    return typeof navigator !== 'undefined' && navigator.userAgent ? navigator.userAgent : `node ${process.version}`;
}
