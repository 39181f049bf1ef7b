// The stand-in add-in gives its extension name in a block without a terminator
// (STUB_ADDIN=unterminated): the page hears the name the block holds, and nothing past it.

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("S", "", 2);
    var names = recorder.named("registerClassName");
    check(names.length > 0, "no registerClassName");
    check(names[0].args[0] == "S.Stub", "registerClassName(" + names[0].args[0] + ")");
    var site = service.createInstance("S.Stub");
    check(site.getVersion() == 2000, "the site's version " + site.getVersion());
    return names[0].args[0];
});
