// What the stand-in add-in leaves in a record that is no block the server gave it: Stray(what,
// where, text) puts a pointer into the block of `text` ("middle"), the block of `text` freed
// through the memory manager ("freed") or a static buffer ("static") into the result or over
// `where`; the property Stray does the same to the text it is written with. Each is read, none
// is freed (a free of any of them corrupts the heap the server, the add-in and the page host
// share), and the next call is answered. Defaulted(a, b, c) writes over the large default it
// gave for c: the default still goes back, so the heap does not grow with the calls.

runPage(function () {
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(new Recorder()));
    service.loadAddIn("S", "", 2);
    var site = service.createInstance("S.Stub");
    var cases = [
        [["middle", "result", "abc"], "bc", "middle,result,abc"],
        [["middle", "out", "abc"], 1, "middle,bc,abc"],
        [["freed", "result", "abc"], "", "freed,result,"],
        [["freed", "out", "abc"], 1, "freed,,"],
        [["static", "result", "abc"], "static", "static,result,abc"],
        [["static", "out", "abc"], 1, "static,static,abc"]
    ];
    for (var round = 0; round < 3; round++) {
        for (var i = 0; i < cases.length; i++) {
            var args = cases[i][0].slice(0);
            var answer = site.call("Stray", args);
            var name = cases[i][0].join(",");
            check(answer === cases[i][1], name + ": Stray gave " + answer);
            check(args.join(",") == cases[i][2], name + ": written back " + args.join(","));
            check(site.call("One", [2]) == 2, name + ": the next call");
        }
        var written = ["middle", "freed", "static"];
        for (var w = 0; w < written.length; w++) {
            site.setPropertyValue("Stray", written[w]);
            check(site.getPropertyValue("Stray") == "static", written[w] + ": Stray reads " +
                  site.getPropertyValue("Stray"));
            check(site.call("One", [2]) == 2, written[w] + ": the next call");
        }
    }

    function defaulted(round) {
        var args = [1, 2];
        var answer = site.call("Defaulted", args);
        check(answer == "default", "round " + round + ": Defaulted gave " + answer);
        check(args.length == 2, "round " + round + ": " + args.length + " values back");
    }
    defaulted(0);
    var before = host.heapInUse();
    var rounds = 30;
    for (var r = 1; r <= rounds; r++) defaulted(r);
    var grown = host.heapInUse() - before;
    // Each default is a block of 100 KB; losing them would grow the heap by 3 MB.
    check(grown < 1000000, "the heap grew by " + grown + " bytes over " + rounds + " calls");
    return "the heap grew by " + grown + " bytes over " + rounds + " calls";
});
