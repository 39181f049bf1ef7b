// The Windows platform layer of the Chrome host, in process (under Wine): frames on the wire,
// the message boxes of the native adapter through their answerer, and the host's directory.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "adapter_native.h"
#include "addin_service.h"
#include "addin_site.h"
#include "frame_output.h"
#include "message_box.h"
#include "object_holder.h"
#include "own_directory.h"
#include "platform.h"

namespace {

// Everything that write_frame puts on a pipe.
std::string frame_bytes(const std::string& text) {
    int fds[2];
    if (::_pipe(fds, 1 << 16, _O_BINARY) != 0) return "no pipe";
    const int saved = output_fd();
    set_output_fd(fds[1]);
    write_frame(text);
    set_output_fd(saved);
    ::_close(fds[1]);
    std::string bytes;
    char buffer[4096];
    for (int got; (got = ::_read(fds[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
    ::_close(fds[0]);
    return bytes;
}

std::string prefix(uint32_t n) { return std::string(reinterpret_cast<const char*>(&n), 4); }

}  // namespace

TEST(WindowsFrames, FinalLineFeedGoesOutAsCrLfCountedByThePrefix) {
    // Nine bytes with the line feed: the prefix says 10, which is the byte 0x0A itself.
    EXPECT_EQ(prefix(10) + "{\"a\":12}\r\n", frame_bytes("{\"a\":12}\n"));
    // 0x1A in the prefix and line feeds inside the text pass unaltered.
    const std::string text = std::string(24, 'x') + "\n\n";
    EXPECT_EQ(prefix(27) + std::string(24, 'x') + "\n\r\n", frame_bytes(text));
    // A text without a final line feed goes out as it is.
    EXPECT_EQ(prefix(3) + "abc", frame_bytes("abc"));
    // Above the size that is copied into one write, the same.
    const std::string large(20000, 'y');
    EXPECT_TRUE(prefix(20002) + large + "\r\n" == frame_bytes(large + "\n"));
}

TEST(WindowsFrames, OutputLockOutlivesTheOnlyObjectForTheNext) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(0, ScriptableClassBase::live_objects());
        AddInServiceEx* service = new AddInServiceEx();  // the registry owns it
        int fds[2];
        ASSERT_EQ(0, ::_pipe(fds, 1 << 16, _O_BINARY));
        const int saved = output_fd();
        set_output_fd(fds[1]);
        EXPECT_EQ(7, service->write_message("{\"a\"}\n")) << "round " << round;
        set_output_fd(saved);
        ::_close(fds[1]);
        char buffer[16] = {};
        EXPECT_EQ(11, ::_read(fds[0], buffer, sizeof buffer));
        EXPECT_EQ(std::string("{\"a\"}\r\n"), std::string(buffer + 4, 7));
        ::_close(fds[0]);
        ObjectHolder::get().remove(service->get_id());
    }
}

// ---- Message boxes of the native adapter

namespace {

struct Asked {
    int count = 0;
    UnicodeString text;
    MessageBoxKind kind = eMessageBoxOk;
};
Asked g_asked;
bool g_answer = false;

bool answer_box(const UnicodeString& text, MessageBoxKind kind) {
    ++g_asked.count;
    g_asked.text = text;
    g_asked.kind = kind;
    return g_answer;
}

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        g_asked = Asked();
        set_message_box_answerer(answer_box);
        site = new AddInSite();  // the registry owns it
        adapter = new AdapterNative();
        adapter->initialize(site);
    }
    void TearDown() override {
        adapter->destroy();
        set_message_box_answerer(nullptr);
        ObjectHolder::get().remove(site->get_id());
    }
    AddInSite* site = nullptr;
    AdapterNative* adapter = nullptr;
    const UnicodeString kText = {0x41F, 'o', 'r', 't', '?'};
};

}  // namespace

TEST_F(MessageBoxes, ConfirmAnsweredNoStoresFalseAndReturnsTrue) {
    g_answer = false;
    tVariant ret;
    std::memset(&ret, 0, sizeof ret);
    IMsgBoxN* box = static_cast<IMsgBoxN*>(adapter->GetInterface(eIMsgBox));
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(box->Confirm(kText.c_str(), &ret));
    EXPECT_EQ(1, g_asked.count);
    EXPECT_EQ(eMessageBoxYesNo, g_asked.kind);
    EXPECT_EQ(kText, g_asked.text);
    EXPECT_EQ(VTYPE_BOOL, ret.vt);
    EXPECT_FALSE(ret.bVal);
}

TEST_F(MessageBoxes, ConfirmAnsweredYesStoresTrue) {
    g_answer = true;
    tVariant ret;
    std::memset(&ret, 0, sizeof ret);
    EXPECT_TRUE(adapter->Confirm(kText.c_str(), &ret));
    EXPECT_EQ(VTYPE_BOOL, ret.vt);
    EXPECT_TRUE(ret.bVal);
    // Without a place for the answer the box is still shown.
    EXPECT_TRUE(adapter->Confirm(kText.c_str(), nullptr));
    EXPECT_EQ(2, g_asked.count);
}

TEST_F(MessageBoxes, AlertShowsAnOkBoxWithTheText) {
    EXPECT_TRUE(adapter->Alert(kText.c_str()));
    EXPECT_EQ(1, g_asked.count);
    EXPECT_EQ(eMessageBoxOk, g_asked.kind);
    EXPECT_EQ(kText, g_asked.text);
    EXPECT_TRUE(adapter->Alert(nullptr));  // an empty box, not a crash
    EXPECT_TRUE(g_asked.text.empty());
}

TEST_F(MessageBoxes, WithoutASiteNoBoxIsShown) {
    AdapterNative* lone = new AdapterNative();
    tVariant ret;
    std::memset(&ret, 0, sizeof ret);
    EXPECT_FALSE(lone->Confirm(kText.c_str(), &ret));
    EXPECT_FALSE(lone->Alert(kText.c_str()));
    EXPECT_EQ(0, g_asked.count);
    lone->destroy();
}

// ---- The host's own directory and libraries

TEST(OwnDirectory, IsTheModuleFolderEndingWithASeparator) {
    wchar_t path[MAX_PATH * 4];
    ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH * 4), 0u);
    std::wstring full(path);
    const std::wstring name = full.substr(full.find_last_of(L"\\/") + 1);
    const std::string narrowName(name.begin(), name.end());  // the test's name is ASCII
    const std::string directory = own_directory(narrowName.c_str());
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ('\\', directory.back());
    const std::wstring wideDirectory(directory.begin(), directory.end());
    EXPECT_EQ(full.substr(0, full.size() - name.size()), wideDirectory);
    EXPECT_EQ("", own_directory("NoSuchModule.exe"));
    EXPECT_EQ("", own_directory(""));
}

TEST(Libraries, OpenFindAndCloseThroughTheWidePath) {
    HMODULE kernel = open_library("kernel32.dll");
    ASSERT_NE(nullptr, kernel);
    EXPECT_NE(nullptr, library_symbol(kernel, "GetModuleFileNameW"));
    EXPECT_EQ(nullptr, library_symbol(kernel, "NoSuchExport"));
    close_library(kernel);
    EXPECT_EQ(nullptr, open_library("C:\\no\\such\\folder\\VelmorPlovikWin32.dll"));
    EXPECT_EQ(nullptr, open_library(""));
}
