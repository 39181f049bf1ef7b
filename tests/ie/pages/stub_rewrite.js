// Out-parameters that write over the page's texts, against the stand-in add-in: Rewrite(a, b,
// c, d) returns "out" and writes that one block over a and c, gives b the block of d and
// leaves d alone. The page sees what the add-in wrote, and the heap the server, the add-in
// and the page host share does not grow with the large texts the add-in wrote over.

runPage(function () {
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(new Recorder()));
    service.loadAddIn("S", "", 2);
    var site = service.createInstance("S.Stub");
    var large = "x";
    while (large.length < 100000) large += large;
    function rewrite(round) {
        var args = [large, "b", large, "kept"];
        var answer = site.call("Rewrite", args);
        check(answer == "out", "round " + round + ": Rewrite gave " + answer);
        check(args.join(",") == "out,kept,out,kept", "round " + round + ": written back " +
              args.join(",").substring(0, 40));
    }
    rewrite(0);
    var before = host.heapInUse();
    check(before > 0, "the heap shows no blocks in use");
    var rounds = 30;
    for (var i = 1; i <= rounds; i++) rewrite(i);
    var grown = host.heapInUse() - before;
    // Each round lends two texts of 256 KB; losing them would grow the heap by 15 MB.
    check(grown < 2000000, "the heap grew by " + grown + " bytes over " + rounds + " calls");
    return "the heap grew by " + grown + " bytes over " + rounds + " calls";
});
