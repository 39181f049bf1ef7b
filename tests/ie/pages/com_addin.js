// The server configured for COM add-ins, with the COM add-in fixture beside it (class list
// "Probe|Plain", and Bare, registered but not listed): discovery and registration, the connection order, properties, script arrays
// both ways, and every host callback early-bound, late-bound and from the add-in's thread.
function has(text, part) { return text.indexOf(part) >= 0; }

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("C", "", 1);
    var names = recorder.named("registerClassName");
    check(names.length == 2 && names[0].args[0] == "C.Probe" && names[1].args[0] == "C.Plain",
          "registerClassName: " + names.length);

    var site = service.createInstance("C.Probe");
    check(site.getVersion() == 2100, "version " + site.getVersion());
    check(site.getName() == "Probe", "name " + site.getName());
    site.setPropertyValue("Text", "hello");
    check(site.getPropertyValue("Text") == "hello", "Text reads " + site.getPropertyValue("Text"));
    check(site.getPropertyValue("Текст") == "hello", "the Russian name");
    check(failure(function () { site.getPropertyValue("Nothing"); }) == "80020003",
          "an unknown property");
    // Locale is read-only: writing it succeeds and changes nothing.
    site.setPropertyValue("Locale", "xx");
    check(site.getPropertyValue("Locale") != "xx", "a read-only property was written");

    var args = [5];
    check(site.call("Sum", args) == 115, "Sum(5) with the defaults 10 and 100");
    check(args.length == 1 && args[0] == 115, "one value back: " + args.join(","));
    args = [1, "two"];
    site.call("Swap", args);
    check(args[0] == "two" && args[1] == 1, "swapped: " + args.join(","));
    args = [7, 8, 9];
    site.call("Grow", args);
    check(args[0] == 7 && args[1] == "grown" && args[2] == 3, "grown: " + args.join(","));
    check(failure(function () { site.call("Fail", []); }) == "80004004", "E_ABORT passed on");
    check(failure(function () { site.call("Nothing", []); }) == "80020003", "unknown method");

    var early = site.call("Exercise", []);
    check(has(early, "status=00000000,00000000;"), "status line: " + early);
    check(has(early, "events=00000000,00000000:7,00000000,00000000;"), "event buffer: " + early);
    check(has(early, "boxes=00000000:11:0,00000000;"), "message boxes: " + early);
    check(has(early, "platform=00000000:11.0|PageHost/1.0|-1;"), "platform: " + early);
    check(has(early, "windows=80004001;"), "windows: " + early);
    check(recorder.named("setStatusLine")[0].args[0] == "Busy", "setStatusLine");
    check(recorder.named("resetStatusLine").length == 1, "resetStatusLine");
    check(recorder.named("registerProfileAs")[0].args[0] == "ProbeProfile", "registerProfileAs");
    check(recorder.named("writeValue")[0].args[0] == "Color", "writeValue");
    check(recorder.named("writeValue")[0].args[1] == "green", "written value");
    check(recorder.named("readValue").length == 2, "readValue: " + recorder.named("readValue").length);
    var error = recorder.named("addError")[0];
    check(error.args[0] == 7 && error.args[1] == "Probe" && error.args[2] == "Something failed",
          "addError: " + error.args.join(","));
    check(recorder.named("queryBox")[0].args[0] == "Proceed?", "queryBox");
    check(recorder.named("messageBox")[0].args[0] == "Done", "messageBox");
    var event = recorder.named("externalEvent")[0];
    check(event.args[0] == "Probe" && event.args[1] == "Exercise" && event.args[2] == "early",
          "externalEvent: " + event.args.join(","));

    var late = site.call("ExerciseLateBound", []);
    check(has(late, "events=00000000,00000000:9,00000000,00000000;"), "late events: " + late);
    check(has(late, "status=00000000,00000000,00000000,80004001;"), "late status: " + late);
    check(has(late, "context=00000000,00000000:8:late text,00000000:8:two:3:1;"),
          "late context: " + late);
    check(recorder.named("setStatusLine")[1].args[0] == "Late busy", "late setStatusLine");
    check(recorder.named("addError")[1].args[2] == "Late failure", "late addError");

    // Events from the add-in's own thread reach the page on its thread, in order.
    var before = recorder.named("externalEvent").length;
    site.call("StartEvents", [3, 5]);
    check(host.pumpUntil(function () {
        return recorder.named("externalEvent").length >= before + 3;
    }, 10000), "no 3 events from the add-in's thread within 10 s");
    var ticks = recorder.named("externalEvent");
    for (var i = 0; i < 3; i++) {
        var tick = ticks[before + i];
        check(tick.args[1] == "Tick" && tick.args[2] == String(i + 1) && tick.sameThread,
              "tick " + i + ": " + tick.args.join(",") + " on the page thread " + tick.sameThread);
    }
    site.call("StopEvents", []);

    // The class without a locale is used all the same; one without Init is refused.
    var plain = service.createInstance("C.Plain");
    check(plain.getName() == "Plain", "plain name " + plain.getName());
    check(plain.call("Sum", [1, 2, 3]) == 6, "plain Sum");
    plain.done();
    check(failure(function () { service.loadAddIn("B", "AddIn.Bare", 1); }) == "80004005",
          "an object without IInitDoneCom was loaded");
    site.done();
    return "early " + early + " late " + late;
});
