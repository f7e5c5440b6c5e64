#include "failure.h"

#include <cstring>

using namespace Qt::StringLiterals;

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

Failure Failure::objectNotSet()
{
    Failure failure(u"Object variable not set"_s);
    failure.followsEarlierFailure_ = true;
    return failure;
}

Failure Failure::concerning(QByteArray path) const
{
    Failure failure(*this);
    failure.path_ = std::move(path);
    return failure;
}

QString describe(const std::exception& error)
{
    if (const auto* failure = dynamic_cast<const Failure*>(&error))
        return failure->description();
    return QString::fromUtf8(error.what());
}

} // namespace ferrowax
