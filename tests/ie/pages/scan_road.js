// One scan's whole road: service, listener, loading, an instance, the port, Claim, a code
// into the scanner line, and the page's externalEvent on the page's thread.
runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("Barcode", "", 2);
    var names = recorder.named("registerClassName");
    check(names.length == 1 && names[0].args[0] == "Barcode.Scandor",
          "registerClassName: " + (names.length ? names[0].args[0] : "not called"));
    service.loadAddIn("Barcode", "", 2);
    check(recorder.named("registerClassName").length == 1, "a second loadAddIn called the page again");

    var scanner = service.createInstance("Barcode.Scandor");
    check(scanner.getVersion() == 2000, "version " + scanner.getVersion());
    check(scanner.getName() == "Scandor", "name " + scanner.getName());
    scanner.setPropertyValue("Port", host.port());
    scanner.setPropertyValue("EventName", "Scanner");
    scanner.setPropertyValue("EventDescription", "Barcode");
    check(scanner.getPropertyValue("Port") == host.port(), "Port reads " + scanner.getPropertyValue("Port"));
    scanner.call("Claim", []);
    check(scanner.getPropertyValue("Claimed") == true, "the port was not claimed");

    check(host.send("4601234567890\r"), "cannot write into the scanner line");
    check(host.pumpUntil(function () { return recorder.named("externalEvent").length > 0; }, 10000),
          "no externalEvent within 10 s");
    var e = recorder.named("externalEvent")[0];
    check(e.args.length == 3, e.args.length + " arguments");
    check(e.args[0] == "Scanner" && e.args[1] == "Barcode" && e.args[2] == "4601234567890",
          "externalEvent(" + e.args.join(", ") + ")");
    check(e.sameThread, "externalEvent came on another thread");
    scanner.call("Close", []);
    scanner.done();
    return "externalEvent(" + e.args.join(", ") + ") on the page's thread";
});
