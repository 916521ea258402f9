#pragma once

#include <exception>
#include <string>

// Root of every error the program raises. The message is 8-bit text as it will be shown; the
// class name is what messages print when they name the kind of failure ("EInOutError").
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    ~Exception() override = default;

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }

    virtual const char* ClassName() const noexcept { return "Exception"; }

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares the ClassName() override of an exception class in one line, so that the name shown
// to the user can never drift from the C++ class name.
#define RM_EXCEPTION_CLASS_NAME(Name) \
    const char* ClassName() const noexcept override { return #Name; }
