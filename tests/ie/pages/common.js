// Shared by the page scripts (prepended to each): checks that end the page on the first
// failure, and a listener that records what the server tells the page.
function Failure(text) { this.message = text; }
function check(condition, text) { if (!condition) throw new Failure(text); }
// The HRESULT a call throws, in hex, or "none".
function hex(n) { return (n >>> 0).toString(16); }
function failure(f) {
    try { f(); } catch (e) { return hex(e.number); }
    return "none";
}

function Recorder() {
    this.calls = [];
    this.thread = host.thread();
}
Recorder.prototype.add = function (name, args) {
    var copy = [];
    for (var i = 0; i < args.length; i++) copy[copy.length] = args[i];
    this.calls[this.calls.length] = { name: name, args: copy, sameThread: host.thread() == this.thread };
};
Recorder.prototype.named = function (name) {
    var found = [];
    for (var i = 0; i < this.calls.length; i++) {
        if (this.calls[i].name == name) found[found.length] = this.calls[i];
    }
    return found;
};

// A listener object as a page writes one: a method per callback.
function makeListener(recorder) {
    return {
        registerClassName: function (key) { recorder.add("registerClassName", arguments); },
        externalEvent: function (source, message, data) { recorder.add("externalEvent", arguments); },
        addError: function (wcode, source, description, scode) { recorder.add("addError", arguments); },
        readValue: function (name) { recorder.add("readValue", arguments); return 0; },
        writeValue: function (name, value) { recorder.add("writeValue", arguments); },
        registerProfileAs: function (name) { recorder.add("registerProfileAs", arguments); },
        setStatusLine: function (text) { recorder.add("setStatusLine", arguments); },
        resetStatusLine: function () { recorder.add("resetStatusLine", arguments); },
        messageBox: function (text) { recorder.add("messageBox", arguments); },
        queryBox: function (text) { recorder.add("queryBox", arguments); return false; },
        getUserAgent: function () { return "PageHost/1.0"; },
        getVersion: function () { return "11.0"; }
    };
}

// Runs the page's steps and reports; every error becomes a failure line.
function runPage(steps) {
    try {
        var text = steps();
        host.pass(text ? text : "");
    } catch (e) {
        host.fail(e instanceof Failure ? e.message
                  : "script error " + (e.number & 0xFFFF) + " (0x" + (e.number >>> 0).toString(16) + "): " + e.message);
    }
}
