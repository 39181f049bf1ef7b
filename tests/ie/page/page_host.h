#pragma once
// The page for the server's tests: plays Internet Explorer's part. It runs a page script in
// the system's JScript engine (IActiveScript), with a security manager that lets the page
// create objects of classes registered as safe for scripting, as Internet Explorer does, and
// between script steps it runs the page thread's message loop, so that the server's
// windowless timer fires there.
//
// The script sees one named object, "host":
//   host.pump(ms)               runs the message loop for ms milliseconds
//   host.pumpUntil(fn, ms)      runs it until fn() returns true or ms pass; true when it did
//   host.send(text)             writes the text's characters, as bytes, into the scanner line
//   host.port()                 the COM port the scanner is on
//   host.now()                  milliseconds since the page started, to the microsecond
//   host.thread()               the calling thread's identifier
//   host.plainScan(code)        writes the code and reads it off the scanner's port itself,
//                               with the add-in's read settings: ms until the CR arrived
//   host.arrayBytes(value)      the bytes of a byte array (a blob) as a text, one character
//                               each; null for anything else
//   host.waitTick()             ms from now to the next tick of the page's own running 10 ms
//                               timer (started by the first call), pumping meanwhile
//   host.log(text)              prints "page: log <text>"
//   host.print(text)            prints the text as it is
//   host.pass(text)/fail(text)  ends the page: a failure prints "page: FAIL <text>" at once, a
//                               pass "page: PASS <text>" only once the page is torn down
// A page that ends neither way within its deadline fails.

#include <windows.h>

#include <string>
#include <vector>

namespace velmor_test {

struct PageResult {
    bool passed = false;
    std::string passText;  // what the page passed with
};

// Runs the page script made of the files in `paths`, in order, and closes its engine, which
// ends every object the page made. A failure has been printed.
PageResult run_page(const std::vector<std::wstring>& paths, DWORD deadlineMs);

}  // namespace velmor_test
