// A COM add-in's own timer on the page's thread sends an event, or reads the profile, outside
// any call into it, and the page ends the site in its answer, by done or by letting it go: the
// add-in returns into its live object, Done follows once from the page's loop, and the page
// goes on.
function live(site) {
    var found = /live=(-?\d+);/.exec(site.getPropertyValue("Counters"));
    return found ? Number(found[1]) : -1;
}

function count(text, entry) { return text.split(entry).length - 1; }

runPage(function () {
    var recorder = new Recorder();
    var target = { site: null, release: false };
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    function end() {
        var site = target.site;
        if (!site) return;
        target.site = null;
        if (target.release) {
            service.releaseObject(site);
            site = null;
            CollectGarbage();
        } else {
            site.done();
        }
    }
    var listener = makeListener(recorder);
    listener.externalEvent = function (source, message, data) {
        recorder.add("externalEvent", arguments);
        end();
    };
    listener.readValue = function (name) {
        recorder.add("readValue", arguments);
        end();
        return 0;
    };
    service.init(listener);
    service.loadAddIn("H", "", 1);
    var counter = service.createInstance("H.Probe");  // the service's probe site

    var cases = [{ kind: 0, answer: "externalEvent" }, { kind: 1, answer: "readValue" }];
    var ways = ["done", "release"];
    for (var c = 0; c < cases.length; c++) {
        for (var w = 0; w < ways.length; w++) {
            var what = cases[c].answer + ", " + ways[w];
            var before = live(counter);
            var answers = recorder.named(cases[c].answer).length;
            var journal = counter.getPropertyValue("Journal");
            var site = service.createInstance("H.Probe");
            check(live(counter) == before + 1, what + ": no new object");
            site.call("HostCallSoon", [cases[c].kind]);
            target.release = ways[w] == "release";
            target.site = site;
            site = null;
            check(host.pumpUntil(function () { return live(counter) == before; }, 5000),
                  what + ": the object did not end within 5 s");
            check(recorder.named(cases[c].answer).length == answers + 1, what + ": no answer");
            var since = counter.getPropertyValue("Journal").substring(journal.length);
            check(count(since, "OwnHostCallReturned(ok);") == 1 &&
                  count(since, "IntoGone") == 0, what + ": the add-in's call " + since);
            check(/OwnHostCallReturned\(ok\);.*Done;/.test(since) && count(since, "Done;") == 1,
                  what + ": Done not once after the call returned: " + since);
        }
    }
    counter.done();
    return "4 own host calls ended their sites, each object ending once afterwards";
});
