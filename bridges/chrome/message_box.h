#pragma once
// The native adapter's message boxes on Windows (Alert and Confirm of the add-in): a modal box
// owned by the foreground window, with the text and no caption. Tests put an answerer in
// place of the box, as nobody can click one without a display.

#include "host_types.h"

enum MessageBoxKind {
    eMessageBoxOk,     // the OK button (Alert)
    eMessageBoxYesNo   // the Yes and No buttons (Confirm)
};

// Answers a box instead of showing it: true for OK or Yes.
typedef bool (*MessageBoxAnswerer)(const UnicodeString& text, MessageBoxKind kind);

// Shows the box (or asks the answerer) and waits for the answer: true for OK or Yes. A null
// text shows an empty box.
bool show_message_box(const UnicodeChar* text, MessageBoxKind kind);

// Tests only: null puts the native box back.
void set_message_box_answerer(MessageBoxAnswerer answerer);
