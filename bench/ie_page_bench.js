// The Internet Explorer server's event delivery under Wine, from a page: a scan written into
// the scanner line until the page's externalEvent runs, over spaced scans, against two
// baselines measured in the same run: the same code read off the port directly with the
// add-in's read settings (whose 100 ms quiet time ends each read), and the wait from a
// random moment to the next tick of a running 10 ms timer, which bounds what the server adds.
// Then a burst of codes, all of which must arrive in order. Run by tools/ie_bench.sh
// (common.js comes first).
function sorted(values) {
    var copy = values.slice(0);
    copy.sort(function (a, b) { return a - b; });
    return copy;
}
function percentile(values, p) {
    var s = sorted(values);
    return s[Math.min(s.length - 1, Math.floor(p * s.length))];
}
function ms(x) { return Math.round(x * 100) / 100; }

runPage(function () {
    var kScans = 200, kBurst = 2000;
    var arrivals = [];
    var listener = {
        registerClassName: function (key) {},
        externalEvent: function (source, message, data) { arrivals[arrivals.length] = { at: host.now(), data: data }; }
    };

    // Before the add-in holds the port.
    var plain = [];
    for (var i = 0; i < kScans; i++) {
        host.pump(3 + i * 7 % 13);
        var took = host.plainScan("PLAIN" + i + "\r");
        check(took >= 0, "plain read " + i + " got no code");
        plain[plain.length] = took;
    }
    var baseline = [];
    for (var i = 0; i < kScans; i++) {
        host.pump(i * 7 % 11);
        baseline[baseline.length] = host.waitTick();
    }

    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(listener);
    service.loadAddIn("B", "", 2);
    var scanner = service.createInstance("B.Scandor");
    scanner.setPropertyValue("Port", host.port());
    scanner.call("Claim", []);
    check(scanner.getPropertyValue("Claimed") == true, "the port was not claimed");


    var latencies = [];
    for (var i = 0; i < kScans; i++) {
        host.pump(3 + i * 7 % 13);  // spaced, at varying moments of the timer's period
        var before = arrivals.length;
        var sent = host.now();
        check(host.send("SCAN" + i + "\r"), "cannot write into the scanner line");
        check(host.pumpUntil(function () { return arrivals.length > before; }, 5000), "scan " + i + " never arrived");
        check(arrivals[before].data == "SCAN" + i, "scan " + i + " arrived as " + arrivals[before].data);
        latencies[latencies.length] = arrivals[before].at - sent;
    }
    var median = percentile(latencies, 0.5), read = percentile(plain, 0.5);
    var tick = percentile(baseline, 0.5);
    host.print("bench: ie scan to page externalEvent over " + kScans + " spaced scans: median " +
               ms(median) + " ms, p99 " + ms(percentile(latencies, 0.99)) + " ms");
    host.print("bench: ie baseline, the same code read off the port directly: median " + ms(read) +
               " ms, p99 " + ms(percentile(plain, 0.99)) + " ms; ratio " + ms(median / read));
    host.print("bench: ie what the server adds (median minus the direct read) " + ms(median - read) +
               " ms; next tick of a running 10 ms timer: median " + ms(tick) + " ms, p99 " +
               ms(percentile(baseline, 0.99)) + " ms (goal: added <= tick + 1 ms)");

    var first = arrivals.length;
    var burst = "";
    for (var i = 0; i < kBurst; i++) burst += "B" + (10000 + i) + "\r";
    var started = host.now();
    check(host.send(burst), "cannot write the burst");
    check(host.pumpUntil(function () { return arrivals.length - first >= kBurst; }, 60000),
          "only " + (arrivals.length - first) + " of " + kBurst + " codes arrived");
    var elapsed = arrivals[arrivals.length - 1].at - started;
    for (var i = 0; i < kBurst; i++) {
        check(arrivals[first + i].data == "B" + (10000 + i), "code " + i + " arrived as " + arrivals[first + i].data);
    }
    host.print("bench: ie burst of " + kBurst + " codes: all delivered in order in " + ms(elapsed) +
               " ms (" + ms(elapsed * 1000 / kBurst) + " us per code)");
    scanner.call("Close", []);
    return "figures printed";
});
