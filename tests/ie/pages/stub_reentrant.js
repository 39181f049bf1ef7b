// A page that ends a site from the add-in's own callback, while the add-in's method is still
// running: Reentrant() reports an error (the page's addError), then counts the call in the
// add-in object's state and returns the count (-1 when the object was destroyed under it).
// The page ends the site by done(), or lets it go; the method must return into a live object,
// and the site then answers as a site that was ended outside a call.

runPage(function () {
    var recorder = new Recorder();
    var onError = null;
    var listener = makeListener(recorder);
    listener.addError = function (wcode, source, description, scode) {
        recorder.add("addError", arguments);
        if (onError) onError();
    };
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(listener);
    service.loadAddIn("", "", 2);
    service.createInstance("Stub");  // the probe site, which the service keeps

    var finished = service.createInstance("Stub");
    finished.done();
    var finishedAnswer = failure(function () { finished.call("Reentrant", []); });
    check(finishedAnswer != "none", "a finished site still calls the add-in");

    var ways = ["done", "release"];
    for (var i = 0; i < ways.length; i++) {
        var way = ways[i];
        var site = service.createInstance("Stub");
        onError = function () {
            if (way == "done") {
                site.done();
            } else {
                service.releaseObject(site);
                site = null;
                CollectGarbage();
            }
        };
        var errors = recorder.named("addError").length;
        var count = site.call("Reentrant", []);
        onError = null;
        check(count == 1, way + ": the method came back with " + count);
        check(recorder.named("addError").length == errors + 1, way + ": addError calls");
        if (site != null) {
            check(failure(function () { site.call("Reentrant", []); }) == finishedAnswer,
                  way + ": the ended site still answers");
            check(recorder.named("addError").length == errors + 1, way + ": the add-in ran again");
        }
    }
    CollectGarbage();
});
