// A library whose component cannot be made, or refuses Init: loading fails, nothing is
// registered, and a retry tries again.
runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    var failed = false;
    try { service.loadAddIn("S", "", 2); } catch (e) { failed = (e.number >>> 0) == 0x80004005; }
    check(failed, "loadAddIn did not fail with E_FAIL");
    check(recorder.named("registerClassName").length == 0, "the page was told a class");
    failed = false;
    try { service.loadAddIn("S", "", 2); } catch (e) { failed = true; }
    check(failed, "a retry did not try again");
    failed = false;
    try { service.createInstance("S.Stub"); } catch (e) { failed = true; }
    check(failed, "createInstance of a class that never loaded");
    return "loading refused";
});
