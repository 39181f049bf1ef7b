// The COM add-in fixture's own thread calls every host operation, early-bound and late-bound,
// while the page goes on: only the events and the event buffer's depth pass (the events reach
// the page on its own thread), every other call fails without reaching the page, and the
// platform information it reads is the record the page's thread made. A thread that outlives
// Done reaches no site: its events are refused, whether the page ended the site or let it go.
function has(text, part) { return text.indexOf(part) >= 0; }

// What the fixture's thread hears, early-bound and late-bound (a report of host_exercise.cpp).
var refused = ["status=80004005,80004005;",
               "profile=80004005,80004005,80004005:0:,80004005:0:;",
               "error=80004005;",
               "events=00000000,00000000:depth,80004005,00000000;",
               "boxes=80004005:0:,80004005;",
               "windows=80004001;",
               "|late:profile=80004005,80004005,80004005:0:;",
               "events=00000000,00000000:depth,80004005,00000000;",
               "status=80004005,80004005,80004005,80004001;",
               "context=80004005,80004005:0:,80004005:3:1:8:two;"];

// The depth a round reads back is the site's, which the page's own rounds set as well (7
// early-bound, 9 late-bound): either may be the last set when the thread reads it.
function checkRefused(reports, platform, what) {
    var lines = reports.replace(/(events=00000000,00000000:)[79],/g, "$1depth,").split("\n");
    check(lines.length == 2 && lines[1] == "", what + ": the rounds differ: " + reports);
    for (var i = 0; i < refused.length; i++) {
        check(has(lines[0], refused[i]), what + ": no " + refused[i] + " in " + lines[0]);
    }
    check(has(lines[0], "platform=" + platform + ";"), what + ": platform in " + lines[0]);
}

// The page's calls since `from`, by name.
function countsSince(recorder, from) {
    var counts = {};
    for (var i = from; i < recorder.calls.length; i++) {
        var call = recorder.calls[i];
        check(call.sameThread, call.name + " reached the page on another thread");
        counts[call.name] = (counts[call.name] || 0) + 1;
    }
    return counts;
}

runPage(function () {
    var recorder = new Recorder();
    var service = new ActiveXObject("QuillonIE.AddInServiceEx");
    service.init(makeListener(recorder));
    service.loadAddIn("T", "", 1);
    var probe = service.createInstance("T.Probe");
    var site = service.createInstance("T.Probe");

    // Before the page's thread was asked for the platform information there is none to read.
    var start = recorder.calls.length;
    site.call("StartExercise", [1]);
    checkRefused(site.call("AwaitExercise", []), "80004005", "before any platform record");
    check(host.pumpUntil(function () { return recorder.calls.length >= start + 2; }, 10000),
          "the thread's 2 events did not come within 10 s");

    // The thread goes on while the page's own thread calls every operation itself. The page
    // makes the platform record first: the thread's first round may come before the page's.
    var rounds = 20, pageRounds = 5;
    site.call("Exercise", []);
    var before = recorder.calls.length;
    site.call("StartExercise", [rounds]);
    for (var i = 0; i < pageRounds; i++) site.call("Exercise", []);
    checkRefused(site.call("AwaitExercise", []), "00000000:11.0|PageHost/1.0|-1",
                 "while the page ran");
    var events = 2 * rounds + pageRounds;
    check(host.pumpUntil(function () {
        return (countsSince(recorder, before).externalEvent || 0) >= events;
    }, 10000), "no " + events + " events within 10 s");
    var counts = countsSince(recorder, before);
    var expected = {externalEvent: events, setStatusLine: pageRounds, resetStatusLine: pageRounds,
                    registerProfileAs: pageRounds, writeValue: pageRounds,
                    readValue: 2 * pageRounds, addError: pageRounds, queryBox: pageRounds,
                    messageBox: pageRounds};
    for (var name in expected) {
        check(counts[name] == expected[name], name + ": " + counts[name] + " calls, " +
                                              expected[name] + " expected");
    }
    for (var got in counts) check(got in expected, "the page was called: " + got);

    // A thread that outlives Done: its events reach nothing once the site has ended or gone.
    var ways = ["done", "release"];
    for (var w = 0; w < ways.length; w++) {
        var ending = service.createInstance("T.Probe");
        ending.call("OutliveDone", [0]);
        var last = recorder.calls.length;
        if (ways[w] == "done") {
            ending.done();
        } else {
            service.releaseObject(ending);
            ending = null;
            CollectGarbage();
        }
        var accepted = probe.call("SendLateEvents", [3]);
        check(accepted == 0, ways[w] + ": " + accepted + " late events accepted");
        host.waitTick();
        check(recorder.calls.length == last, ways[w] + ": the page was called after the end: " +
              (recorder.calls.length > last ? recorder.calls[last].name : ""));
    }
    site.done();
    probe.done();
    return rounds + " rounds from the add-in's thread refused but for the events";
});
