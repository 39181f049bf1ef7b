// Texts and blobs whose claimed length runs past their block, against the stand-in add-in:
// Claim(c, where) hands over claim case c as the result (where 0), over its first parameter
// (1) or through the host's Write (2), and the property Claimed reads as the case set in it.
// The page gets what the block holds and nothing past it: a narrow text ends at its
// terminator or the block's end, a wide text at its claimed length or the block's end, and a
// blob keeps the bytes of its block.

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("S", "", 2);
    var site = service.createInstance("S.Stub");
    var cases = [
        { claim: 0, text: "abcdefgh" },  // narrow, 8 bytes without terminator, claiming 4096
        { claim: 1, text: "abcdefgh" },  // the same, claiming 65536
        { claim: 2, text: "abc" },       // narrow, its terminator in the block, claiming 2^31-1
        { claim: 3, text: "a" },         // narrow "a\0b": up to its terminator
        { claim: 4, text: "ab" },        // wide, 4 bytes without terminator, claiming 1000
        { claim: 5, text: "abcdefgh" },  // wide, 16 bytes, claiming 64 units
        { claim: 6, text: "abcdefgh" },  // the same, claiming 32 Mi units
        { claim: 7, blob: "0123456789abcdef" },  // 16 bytes claiming 64
        { claim: 8, blob: "0123456789abcdef" }   // 16 bytes claiming 64 MiB
    ];
    function same(c, value, how) {
        var got = c.blob ? host.arrayBytes(value) : value;
        var expected = c.blob ? c.blob : c.text;
        check(got === expected, "case " + c.claim + " " + how + ": " + got + " (length " +
              String(got).length + "), not " + expected);
    }
    for (var i = 0; i < cases.length; i++) {
        var c = cases[i];
        same(c, site.call("Claim", [c.claim, 0]), "as the result");
        var args = [c.claim, 1];
        site.call("Claim", args);
        same(c, args[0], "as an out-parameter");
        site.setPropertyValue("Claimed", c.claim);
        same(c, site.getPropertyValue("Claimed"), "as a property");
        site.call("Claim", [c.claim, 2]);
        var written = recorder.named("writeValue");
        check(written.length == i + 1, "case " + c.claim + ": " + written.length + " writes");
        same(c, written[i].args[1], "through Write");
    }
    return cases.length + " claims";
});
