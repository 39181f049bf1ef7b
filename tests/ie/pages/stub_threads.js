// The stand-in add-in's own threads call every host operation but the events, the message
// boxes among them, as fast as they go: none of it reaches the page, each answers its failure,
// the platform information they read is the record the page's thread made, and a site the
// page lets go while they run ends on the page's thread.

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("", "", 2);
    var probe = service.createInstance("Stub");  // the probe site, which the service keeps
    var info = "11.0|PageHost/1.0";
    var refused = "alert=0 confirm=0 error=0 read=0 write=0 profile=0 status=0 depth=7 info=" + info;

    var ways = ["done", "release"];
    for (var w = 0; w < ways.length; w++) {
        var site = service.createInstance("Stub");
        check(site.call("Platform", []) == info, ways[w] + ": Platform() on the page's thread");
        var before = recorder.calls.length;
        site.call("StartCallers", [2]);
        for (var i = 0; i < 20; i++) {
            check(site.call("Platform", []) == info, ways[w] + ": Platform() while the threads run");
        }
        var seen = site.call("AwaitCallers", []);
        check(seen == refused + ";" + refused, ways[w] + ": the threads saw " + seen);
        for (var c = before; c < recorder.calls.length; c++) {
            check(false, ways[w] + ": the page was called: " + recorder.calls[c].name +
                  (recorder.calls[c].sameThread ? "" : " on another thread"));
        }
        if (ways[w] == "done") {
            site.done();
        } else {
            service.releaseObject(site);
            site = null;
            CollectGarbage();
        }
    }
    check(probe.call("Platform", []) == info, "the probe site after the others ended");
    return "calls from the add-in's threads refused, the platform record read";
});
