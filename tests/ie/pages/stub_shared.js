// A class whose version lies between 1000 and 1999 is served by one site.
runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("S", "", 2);
    var a = service.createInstance("S.Stub");
    var b = service.createInstance("S.Stub");
    check(a.getVersion() == 1500, "version " + a.getVersion());
    a.setPropertyValue("Value", 9);
    check(b.getPropertyValue("Value") == 9, "the second request got another site");
    check(a == b, "the two requests gave different objects");
    // The service keeps a shared site whatever the page hands back.
    service.releaseObject(a);
    check(service.createInstance("S.Stub") == a, "a released shared site was given up");
    return "one shared site";
});
