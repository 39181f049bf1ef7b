#include "message_box.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<MessageBoxAnswerer> g_answerer{nullptr};
}  // namespace

void set_message_box_answerer(MessageBoxAnswerer answerer) { g_answerer.store(answerer); }

bool show_message_box(const UnicodeChar* text, MessageBoxKind kind) {
    const UnicodeString shown = text != nullptr ? UnicodeString(text) : UnicodeString();
    const MessageBoxAnswerer answerer = g_answerer.load();
    if (answerer != nullptr) return answerer(shown, kind);
    const UINT buttons = kind == eMessageBoxYesNo ? MB_YESNO : MB_OK;
    const int answer = ::MessageBoxW(::GetForegroundWindow(),
                                     reinterpret_cast<const wchar_t*>(shown.c_str()), nullptr,
                                     buttons);
    return kind == eMessageBoxYesNo ? answer == IDYES : answer == IDOK;
}
