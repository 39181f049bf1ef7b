#pragma once
// The component's failures inside its value conversions. They never leave the conversions
// that the adapter calls: those fall back to plain text or to no parameters.

#include <exception>
#include <string>

class addin_exception : public std::exception {
public:
    explicit addin_exception(const std::string& description) : _description(description) {}
    const char* what() const noexcept override { return _description.c_str(); }

protected:
    std::string _description;
};

class conversion_error : public addin_exception {
public:
    conversion_error() : addin_exception("Invalid plugin argument type") {}
};
