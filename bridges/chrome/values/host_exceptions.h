#pragma once
// The Chrome host's exceptions. An empty description means a failure that
// sends no error message.

#include <exception>
#include <string>

class lib_exception : public std::exception {
public:
    explicit lib_exception(bool displayMsgBox) : _displayMsgBox(displayMsgBox) {}
    lib_exception(const char* description, bool displayMsgBox)
        : _displayMsgBox(displayMsgBox), _msg(description ? description : "") {}
    lib_exception(const lib_exception&) = default;
    lib_exception& operator=(const lib_exception&) = default;
    ~lib_exception() override = default;

    // The description; "" for an exception made from the flag alone.
    const char* what() const noexcept override { return _msg.c_str(); }
    // Whether the failure asks for a message box (recorded; nothing in the host reads it yet).
    bool displayMsgBox() const noexcept { return _displayMsgBox; }

private:
    bool _displayMsgBox;
    std::string _msg;
};

// A supplied argument of the wrong kind, or a request without its required members.
class invalid_args : public lib_exception {
public:
    invalid_args() : lib_exception("Invalid arguments", true) {}
};

// A JSON value of a kind that a conversion does not accept.
class conversion_error : public lib_exception {
public:
    conversion_error() : lib_exception("Invalid arguments", true) {}
};
