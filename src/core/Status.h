#pragma once

#include <string>
#include <system_error>

// How operations that can fail say why. A system call's failure is its errno
// value in the generic category; failures of our own are QuorlError values.
// Objects that keep state (locks, temporary files) answer error(); operations
// whose failure a person reads return a Status, which adds the subject.

enum class QuorlError {
    // The subject is the whole text; there is no further reason.
    Refused = 1,
    // A folder, a FIFO, a device or a socket where a plain file is wanted.
    NotRegularFile,
    TooLong,
};

const std::error_category& QuorlErrorCategory();
std::error_code make_error_code(QuorlError error);

template <>
struct std::is_error_code_enum<QuorlError> : std::true_type {
};

// The errno value as an error code, and the current errno.
inline std::error_code SystemError(int value)
{
    return {value, std::generic_category()};
}
std::error_code LastSystemError();

class Status
{
public:
    // Success.
    Status() = default;
    // subject says what failed: a path, or a step ("cannot write X").
    Status(std::error_code code, std::string subject) : code_(code), subject_(std::move(subject)) {}
    static Status Refused(std::string text) { return {QuorlError::Refused, std::move(text)}; }

    bool ok() const { return !code_; }
    const std::error_code& code() const { return code_; }
    const std::string& subject() const { return subject_; }
    // "subject: reason", or the subject alone when refused.
    std::string Text() const;

private:
    std::error_code code_;
    std::string subject_;
};
