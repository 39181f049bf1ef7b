// The add-in calls its host while it is finished (as STUB_ADDIN asks: an error from Done, or
// an event from its destructor), and the page ends the site on every callback, by done() or
// by letting it go. Done and DestroyObject run once each: one callback per finish, no page
// fault inside an unloaded library (the probe site, which the service keeps, holds another
// object of the library), and a site the page kept answers as a finished one.

runPage(function () {
    var recorder = new Recorder();
    var onCallback = null;
    var listener = makeListener(recorder);
    listener.addError = function (wcode, source, description, scode) {
        recorder.add("addError", arguments);
        if (onCallback) onCallback();
    };
    listener.externalEvent = function (source, message, data) {
        recorder.add("externalEvent", arguments);
        if (onCallback) onCallback();
    };
    function callbacks() {
        return recorder.named("addError").length + recorder.named("externalEvent").length;
    }
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(listener);
    service.loadAddIn("", "", 2);
    service.createInstance("Stub");  // the probe site, which the service keeps

    var finished = service.createInstance("Stub");
    var before = callbacks();
    finished.done();
    check(callbacks() == before + 1, "a finish without an answer called back " + (callbacks() - before));
    var finishedAnswer = failure(function () { finished.call("Reentrant", []); });
    check(finishedAnswer != "none", "a finished site still calls the add-in");

    var ways = ["done", "release"];
    for (var i = 0; i < ways.length; i++) {
        var way = ways[i];
        var site = service.createInstance("Stub");
        onCallback = function () {
            if (way == "done") {
                site.done();
            } else if (site != null) {
                service.releaseObject(site);
                site = null;
                CollectGarbage();
            }
        };
        before = callbacks();
        site.done();
        onCallback = null;
        check(callbacks() == before + 1, way + ": the finish called back " + (callbacks() - before));
        if (site != null) {
            check(failure(function () { site.call("Reentrant", []); }) == finishedAnswer,
                  way + ": the ended site still answers");
        }
    }
    CollectGarbage();
});
