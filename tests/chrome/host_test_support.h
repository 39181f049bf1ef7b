#pragma once
// Helpers of the Chrome host's process tests: a started host, message texts, and JSON parsing
// through the host's value layer.
//
// The same tests drive the Windows host under Wine from this (Linux) driver: the build then
// names a runner ("wine") that starts the host, and the line end that the host writes in
// place of each message's final line feed (CR LF). Frames read through Host::next have that
// line end turned back into "\n", once it has been checked, so expectations read alike.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "frame_driver.h"
#include "js_value.h"

namespace chrome_test {

#ifndef VELMOR_CHROME_HOST_RUNNER
#define VELMOR_CHROME_HOST_RUNNER ""
#endif
#ifndef VELMOR_CHROME_HOST_LINE_END
#define VELMOR_CHROME_HOST_LINE_END "\n"
#endif
// The installed names of the host and of its add-in.
#ifndef VELMOR_HOST_FILE_NAME
#define VELMOR_HOST_FILE_NAME "VelmorQuillonChr" VELMOR_PLATFORM
#endif
#ifndef VELMOR_ADDIN_FILE_NAME
#define VELMOR_ADDIN_FILE_NAME "VelmorPlovik" VELMOR_PLATFORM ".so"
#endif

inline const char* host_path() { return VELMOR_CHROME_HOST; }
inline const char* allowed_origin() { return VELMOR_ALLOWED_ORIGIN; }
// The program that starts the host, or "" when the host runs by itself.
inline std::string host_runner() { return VELMOR_CHROME_HOST_RUNNER; }
inline std::string line_end() { return VELMOR_CHROME_HOST_LINE_END; }

// Starts `program` (the host, or a copy of it) as the browser would, through the runner.
// A runner cannot pass on `argv0`: the program's own name is its argv[0] then.
inline bool start_host(velmor_test::FrameDriver& driver, const std::string& program,
                       const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {}, const std::string& argv0 = "") {
    if (host_runner().empty()) return driver.start(program, args, env, argv0);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    return driver.start(host_runner(), all, env);
}

// A message's text as it goes out on the wire: its final line feed as the host's line end.
inline std::string wire(const std::string& text) {
    if (text.empty() || text.back() != '\n') return text;
    return text.substr(0, text.size() - 1) + line_end();
}
inline std::string wire_frame(const std::string& text) { return velmor_test::make_frame(wire(text)); }
// A frame's text with the host's line end at its end turned back into "\n"; a text that does
// not end with it is returned as it came, so comparisons show the difference.
inline std::string from_wire(const std::string& text) {
    const std::string end = line_end();
    if (text.size() < end.size() || text.compare(text.size() - end.size(), end.size(), end) != 0) {
        return text;
    }
    return text.substr(0, text.size() - end.size()) + "\n";
}
inline const char* addin_path() { return VELMOR_ADDIN; }

inline bool copy_file(const std::string& from, const std::string& to, mode_t mode) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    out.close();
    return in.good() && out.good() && ::chmod(to.c_str(), mode) == 0;
}

// A fresh folder under /tmp, or its sub-folder `subfolder` when that is not empty, holding a
// copy of the host under its own name and, when `addin` is not empty, that library under the
// add-in's name: the layout of an installed host.
class HostFolder {
public:
    HostFolder(const std::string& subfolder, const std::string& addin) {
        char pattern[] = "/tmp/velmor-chrome-XXXXXX";
        m_top = ::mkdtemp(pattern) ? pattern : "";
        ok = !m_top.empty();
        // A subfolder may be nested ("a/b/c"): each level is made, and removed at the end.
        m_dir = m_top;
        for (size_t start = 0; ok && start < subfolder.size();) {
            const size_t slash = subfolder.find('/', start);
            const size_t end = slash == std::string::npos ? subfolder.size() : slash;
            m_dir += "/" + subfolder.substr(start, end - start);
            ok = ::mkdir(m_dir.c_str(), 0755) == 0;
            if (ok) m_levels.push_back(m_dir);
            start = end + 1;
        }
        m_host = m_dir + "/" VELMOR_HOST_FILE_NAME;
        ok = ok && copy_file(host_path(), m_host, 0755);
        if (!addin.empty()) {
            m_addin = m_dir + "/" VELMOR_ADDIN_FILE_NAME;
            ok = ok && copy_file(addin, m_addin, 0644);
        }
    }
    ~HostFolder() {
        removeHost();
        if (!m_addin.empty()) ::unlink(m_addin.c_str());
        for (size_t i = m_levels.size(); i > 0; --i) ::rmdir(m_levels[i - 1].c_str());
        ::rmdir(m_top.c_str());
    }
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;

    const std::string& host() const { return m_host; }
    // The host's file goes (a running host keeps its mapping, now marked as deleted).
    void removeHost() { ::unlink(m_host.c_str()); }
    bool ok = false;

private:
    std::string m_top, m_dir, m_host, m_addin;
    std::vector<std::string> m_levels;
};

// A call of `method` on the object `cls`, with the params given as JSON text, and the
// reply to it.
inline std::string call(unsigned cls, unsigned query, const std::string& method,
                        const std::string& params) {
    return "{\"type\":2,\"cls_id\":" + std::to_string(cls) + ",\"query_id\":" +
           std::to_string(query) + ",\"method\":\"" + method + "\",\"params\":" + params + "}";
}

inline std::string reply(unsigned cls, unsigned query, const std::string& method,
                         const std::string& params, const std::string& retVal) {
    return "{\"cls_id\":" + std::to_string(cls) + ",\"method\":\"" + method +
           "\",\"params\":" + params + ",\"properties\":{},\"query_id\":" +
           std::to_string(query) + ",\"retVal\":" + retVal +
           ",\"type\":2,\"writable_properties\":[]}\n";
}

// The service's reply to {"type":2,"cls_id":0,"query_id":Q,"method":"init","params":[]}.
inline std::string init_call(unsigned query) {
    return "{\"type\":2,\"cls_id\":0,\"query_id\":" + std::to_string(query) +
           ",\"method\":\"init\",\"params\":[]}";
}
inline std::string init_call_reply(unsigned query, unsigned cls = 0) {
    return "{\"cls_id\":" + std::to_string(cls) +
           ",\"method\":\"init\",\"params\":null,\"properties\":{},\"query_id\":" +
           std::to_string(query) + ",\"retVal\":null,\"type\":2,\"writable_properties\":[]}\n";
}
inline std::string error_text(unsigned cls, const std::string& descr, int num, unsigned query) {
    return "{\"cls_id\":" + std::to_string(cls) + ",\"error_descr\":\"" + descr +
           "\",\"error_num\":" + std::to_string(num) + ",\"query_id\":" + std::to_string(query) +
           ",\"type\":11}\n";
}
const char kInitReply[] = "{\"retVal\":true,\"type\":1}\n";

inline JsValue parse(const std::string& text) {
    JsValue value;
    EXPECT_TRUE(json_read(text.data(), text.size(), value)) << "not JSON: " << text;
    return value;
}

// A host started with the allowed origin, and the steps of a conversation with it.
class Host {
public:
    explicit Host(const std::vector<std::string>& env = {},
                  const std::string& program = host_path()) {
        started = start_host(driver, program, {allowed_origin()}, env);
    }

    bool send(const std::string& text) { return driver.writeFrame(text); }

    // The next frame's text, or "" with a failure that says what was awaited.
    std::string next(const char* awaited) {
        std::string text;
        if (!driver.readFrame(text)) {
            ADD_FAILURE() << "waiting for " << awaited << ": " << driver.lastError();
            return std::string();
        }
        return from_wire(text);
    }

    // The next whole message: a frame, or the text of a chunked message put together from
    // its chunks, which must follow one another without any other frame between them, all
    // with one query id and numbered 1..count. `chunkId` gets that id (or stays untouched
    // for a message of one frame); "" with a failure when the sequence is broken.
    std::string nextMessage(const char* awaited, uint32_t* chunkId = nullptr) {
        std::string text = next(awaited);
        if (text.compare(0, 9, "{\"chunk\":") != 0) return text;
        std::string joined;
        uint32_t id = 0;
        for (unsigned num = 1;; ++num) {
            if (num > 1) text = next("the next chunk of a message");
            const JsValue chunk = parse(text);
            if (chunk["type"].asInt() != 17 || chunk["num"].asUInt() != num) {
                ADD_FAILURE() << "chunk " << num << " of a message expected, got "
                              << text.substr(0, 120);
                return std::string();
            }
            if (num == 1) id = chunk["query_id"].asUInt();
            if (chunk["query_id"].asUInt() != id) {
                ADD_FAILURE() << "chunk " << num << " carries query id "
                              << chunk["query_id"].asUInt() << ", the first one " << id;
                return std::string();
            }
            joined += chunk["chunk"].asString();
            if (num >= chunk["count"].asUInt()) break;
        }
        if (chunkId != nullptr) *chunkId = id;
        return joined;
    }

    // Sends a call of the service's "init" and expects its reply as the very next frame:
    // proof that whatever was sent before it produced no message.
    void expectNothingBefore(unsigned probeQuery) {
        send(init_call(probeQuery));
        EXPECT_EQ(init_call_reply(probeQuery), next("the probe's reply"));
    }

    // init + loadAddIn("Dev") of the add-in beside the host + createInstance: the site's id.
    unsigned makeSite(unsigned query) {
        send("{\"type\":0}");
        EXPECT_EQ(kInitReply, next("the init reply"));
        send("{\"type\":2,\"cls_id\":0,\"query_id\":" + std::to_string(query) +
             ",\"method\":\"loadAddIn\",\"params\":[\"Dev\",\"here\"]}");
        const JsValue announce = parse(next("registerClassName"));
        EXPECT_EQ("registerClassName", announce["method"].asString());
        EXPECT_EQ("Dev.Scandor", announce["params"][0u].asString());
        const JsValue loaded = parse(next("the loadAddIn reply"));
        EXPECT_TRUE(loaded["retVal"].isBool() && loaded["retVal"].asBool());
        send("{\"type\":2,\"cls_id\":0,\"query_id\":" + std::to_string(query + 1) +
             ",\"method\":\"createInstance\",\"params\":[\"Dev.Scandor\"]}");
        const JsValue created = parse(next("the createInstance reply"));
        EXPECT_EQ("AddInSite", created["retVal"]["cls_name"].asString());
        return created["retVal"]["cls_id"].asUInt();
    }

    // A call of a site's method with the params given as JSON text.
    std::string siteCall(unsigned cls, unsigned query, const std::string& method,
                         const std::string& params) {
        return "{\"type\":2,\"cls_id\":" + std::to_string(cls) + ",\"query_id\":" +
               std::to_string(query) + ",\"method\":\"" + method + "\",\"params\":" + params +
               "}";
    }

    // Quit, then the host must exit with 0 and write nothing more.
    void quit() {
        send("{\"type\":12}");
        std::string extra;
        EXPECT_TRUE(driver.outputEnds(extra)) << driver.lastError() << " extra " << extra.size();
        EXPECT_EQ(0, driver.waitExit());
    }

    velmor_test::FrameDriver driver;
    bool started = false;
};

}  // namespace chrome_test
