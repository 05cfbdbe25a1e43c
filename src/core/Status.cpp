#include "core/Status.h"

#include <cerrno>

namespace {

class QuorlErrorCategoryImpl : public std::error_category
{
public:
    const char* name() const noexcept override { return "quorlboard"; }
    std::string message(int value) const override
    {
        switch (static_cast<QuorlError>(value)) {
        case QuorlError::Refused:
            return {};
        case QuorlError::NotRegularFile:
            return "not a regular file";
        case QuorlError::TooLong:
            return "too long";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category& QuorlErrorCategory()
{
    static const QuorlErrorCategoryImpl category;
    return category;
}

std::error_code make_error_code(QuorlError error)
{
    return {static_cast<int>(error), QuorlErrorCategory()};
}

std::error_code LastSystemError()
{
    return SystemError(errno);
}

std::string Status::Text() const
{
    if (ok())
        return {};
    const std::string reason = code_.message();
    if (reason.empty())
        return subject_;
    return subject_.empty() ? reason : subject_ + ": " + reason;
}
