#include "failure.h"

#include <cstring>

namespace ferrowax {

Failure::Failure(QString description)
    : description_(std::move(description))
    , utf8_(description_.toUtf8())
{
}

Failure Failure::fromErrno(int errorNumber)
{
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    Failure failure(QString::fromLocal8Bit(text));
    failure.errorNumber_ = errorNumber;
    return failure;
}

QString describe(const std::exception& error)
{
    if (const auto* failure = dynamic_cast<const Failure*>(&error))
        return failure->description();
    return QString::fromUtf8(error.what());
}

} // namespace ferrowax
