// Sites of a class loaded under a name, handed back with releaseObject and dropped without
// done: each ends, and takes its add-in object with it (the fixture counts its live objects).
function live(site) {
    var found = /live=(-?\d+);/.exec(site.getPropertyValue("Counters"));
    return found ? Number(found[1]) : -1;
}

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("Load", "", 1);
    var counter = service.createInstance("Load.Probe");  // the probe site, handed out
    var start = live(counter);
    check(start == 2, "live objects after loading: " + start + " (one per class)");

    for (var i = 0; i < 5; i++) {
        var site = service.createInstance("Load.Probe");
        check(live(counter) == start + 1, "site " + i + " made " + (live(counter) - start) +
                                          " add-in objects");
        service.releaseObject(site);
        site = null;
        check(live(counter) == start, "site " + i + " outlived its release: " + live(counter) +
                                      " live, " + start + " at the start");
    }

    // Objects that are no site of this service, or not sites at all, change nothing.
    service.releaseObject(new ActiveXObject("QuillonIE.AddInSite"));
    check(live(counter) == start, "a foreign object ended a site: " + live(counter));
    return "five released sites ended, " + start + " add-in objects live";
});
