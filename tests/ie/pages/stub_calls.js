// Method calls with script arrays, properties, and every callback, against the stand-in
// add-in (class list "Stub||Other"; Add(a, b = 10) -> a + b and sets a to "changed";
// One(a) -> a; Callbacks() calls every host callback; property Value, ReadOnly, WriteOnly).

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("S", "", 2);
    var names = recorder.named("registerClassName");
    // Both classes name themselves "Stub": the page hears the key twice, one record stays.
    check(names.length == 2 && names[0].args[0] == "S.Stub" && names[1].args[0] == "S.Stub",
          "registerClassName calls: " + names.length);
    service.loadAddIn("", "", 2);
    check(recorder.named("registerClassName")[2].args[0] == "Stub", "empty name: key not Stub");

    var site = service.createInstance("S.Stub");
    check(site.getVersion() == 2000, "probe site's version " + site.getVersion());
    var second = service.createInstance("S.Stub");
    check(second.getVersion() == -1, "a new site's version " + second.getVersion());
    site.setPropertyValue("Value", 42);
    check(site.getPropertyValue("Value") == 42, "Value reads " + site.getPropertyValue("Value"));
    check(second.getPropertyValue("Value") == 0, "unshared sites share a value");

    // Arrays in both directions.
    var args = [5, 7];
    check(site.call("Add", args) == 12, "Add(5, 7)");
    check(args[0] == "changed" && args[1] == 7, "written back: " + args.join(","));
    args = [5];
    check(site.call("Add", args) == 15, "Add(5) with the default 10");
    check(args.length == 1 && args[0] == "changed", "one element back: " + args.join(","));
    // A hole: later elements move down, and element i goes back to page element i.
    args = new Array(3);
    args[1] = 5;
    args[2] = 6;
    check(site.call("Add", args) == 11, "Add over a hole");
    check(args[0] == "changed" && args[1] == 6 && args[2] == 6, "after the hole: " + args.join(","));
    // More values than the method takes: the rest come back as they were.
    args = [1, "two", 3];
    check(site.call("One", args) == 1, "One(1, ...)");
    check(args[0] == 1 && args[1] == "two" && args[2] == 3, "extra values: " + args.join(","));
    // An empty array: no values, so Add's first parameter is missing and the call fails.
    args = [];
    check(failure(function () { site.call("Add", args); }) == "80004005", "Add([]) did not fail");
    check(args.length == 0, "an empty array grew to " + args.length);
    // Anything but an array: no arguments at all.
    check(typeof site.call("One", 5) == "undefined", "One with a number as arguments");

    // Values through One and back.
    check(site.call("One", ["a\0b"]).length == 3, "an embedded zero was cut");
    check(site.call("One", [true]) === true, "true");
    check(site.call("One", [1.5]) === 1.5, "1.5");
    check(site.call("One", ["text"]) === "text", "text");
    check(site.call("One", [null]) === undefined, "null reaches the add-in as empty");
    check(site.call("One", [undefined]) === null, "undefined reaches the add-in as null");

    // Property failures.
    check(failure(function () { site.getPropertyValue("Nothing"); }) == "80020003", "unknown property");
    check(failure(function () { site.setPropertyValue("ReadOnly", 1); }) == "80004005", "read-only set");
    check(failure(function () { site.getPropertyValue("WriteOnly"); }) == "80004005", "write-only get");
    check(failure(function () { site.call("Nothing", []); }) == "80020003", "unknown method");
    check(failure(function () { service.createInstance("Nobody"); }) != "none", "unknown class");

    // Every callback, on the page's thread, in the add-in's order.
    var before = recorder.calls.length;
    var info = site.call("Callbacks", []);
    check(info == "11.0|PageHost/1.0|confirm=false|alert|depth=5|?", "Callbacks() gave " + info);
    var order = [];
    for (var i = before; i < recorder.calls.length; i++) {
        check(recorder.calls[i].sameThread, recorder.calls[i].name + " came on another thread");
        order[order.length] = recorder.calls[i].name;
    }
    check(order.join(",") == "addError,writeValue,readValue,registerProfileAs,setStatusLine," +
          "resetStatusLine,externalEvent,queryBox,messageBox", "callbacks: " + order.join(","));
    var error = recorder.named("addError")[0].args;
    check(error[0] == 3 && error[1] == "src" && error[2] == "descr" && error[3] == 42,
          "addError(" + error.join(",") + ")");
    var written = recorder.named("writeValue")[0].args;
    check(written[0] == "key" && written[1] == 5, "writeValue(" + written.join(",") + ")");
    var event = recorder.named("externalEvent")[0].args;
    check(event[0] == "src" && event[1] == "descr" && event[2] == "", "externalEvent(" + event.join(",") + ")");

    // done twice, then the site still answers and fails cleanly.
    site.done();
    site.done();
    check(failure(function () { site.getPropertyValue("Value"); }) == "80004005", "a done site");
    // releaseObject finds records only for classes loaded under an empty name; anything else
    // is left alone, and an object that is no site is ignored.
    service.releaseObject(site);
    service.releaseObject(service);
    var plain = service.createInstance("Stub");
    var extra = service.createInstance("Stub");
    extra.setPropertyValue("Value", 3);
    service.releaseObject(extra);
    check(extra.getPropertyValue("Value") == 3, "a released site stopped answering the page");
    check(plain.getVersion() == 2000, "the probe site of the empty name");
    return "arrays, holes, properties and callbacks";
});
