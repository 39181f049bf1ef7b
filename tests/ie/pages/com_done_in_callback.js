// A page that ends a COM add-in's object from a callback the object makes inside one of its
// own methods (ReportError reports an error at once, then tells how many add-in objects are
// alive). The method runs to its end with its object whole, the object ends when the method
// has returned, and the site then answers as an ended one. With no other object of the
// library alive, ending it at once would unload the library under the running method.
function live(site) {
    var found = /live=(-?\d+);/.exec(site.getPropertyValue("Counters"));
    return found ? Number(found[1]) : -1;
}

// A listener that ends `target.site` on the first error report it gets.
function endingListener(recorder, target) {
    var listener = makeListener(recorder);
    listener.addError = function (wcode, source, description, scode) {
        recorder.add("addError", arguments);
        if (target.site) target.site.done();
    };
    return listener;
}

function reportAndEnd(site, target, what) {
    target.site = site;
    var report = site.call("ReportError", []);
    target.site = null;
    check(/^error=00000000;live=\d+;$/.test(report), what + ": the method's report " + report);
    return Number(/live=(\d+);/.exec(report)[1]);
}

runPage(function () {
    var recorder = new Recorder();
    var target = { site: null };
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(endingListener(recorder, target));
    service.loadAddIn("D", "", 1);

    // Another object of the library stays alive beside the one that is ended.
    var counter = service.createInstance("D.Probe");  // the service's probe site
    var start = live(counter);
    var ended = service.createInstance("D.Probe");
    check(live(counter) == start + 1, "a new site made " + (live(counter) - start) + " objects");
    var during = reportAndEnd(ended, target, "beside another object");
    check(recorder.named("addError").length == 1, "addError: " + recorder.named("addError").length);
    check(during == start + 1, "the object ended while its method ran: " + during +
                               " alive during it, " + (start + 1) + " before");
    check(live(counter) == start, "the object outlived its method: " + live(counter) + " alive");
    check(failure(function () { ended.call("Sum", [1]); }) == "80004005",
          "an ended site still calls its object");

    // The last object of the library: the other probe site and the counter are ended first.
    var plain = service.createInstance("D.Plain");
    plain.done();
    counter.done();
    var last = service.createInstance("D.Probe");
    var alone = reportAndEnd(last, target, "the last object");
    check(alone == 1, "the last object: " + alone + " alive during its method");
    check(failure(function () { last.getPropertyValue("Counters"); }) == "80004005",
          "an ended site still reads its object");
    return "ended beside another object (" + during + " alive during the method) and alone";
});
