#include "program_output.h"

#include <windows.h>

#include <string>

#include "library_loader.h"

namespace velmor_test {

namespace {

std::wstring wide_of(const std::string& utf8) {
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

}  // namespace

// Both output streams go to one pipe, read until the program has closed it.
std::string program_output(const std::string& program, const std::string& argument) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "cannot make a pipe";
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + wide_of(program) + L"\" \"" + wide_of(argument) + L"\"";
    const BOOL started = ::CreateProcessW(wide_of(program).c_str(), &commandLine[0], nullptr,
                                          nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        return "cannot run " + program + ": " + last_library_error();
    }
    std::string output;
    char buffer[256];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        output.append(buffer, got);
    }
    ::CloseHandle(readEnd);
    // It has closed its output: it is ending. One that does not end is stopped.
    if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        output += "\n(the program did not end within 30 s)";
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    // The text as a program of this platform writes it: lines end in CR LF.
    std::string text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') continue;
        text += output[i];
    }
    return text;
}

}  // namespace velmor_test
