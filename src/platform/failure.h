#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace ferrowax {

// A step that went wrong. It carries the description the failing service
// gave, which the error report shows word for word.
class Failure : public std::exception {
public:
    explicit Failure(QString description);

    // The C library's text for an errno value, such as "Permission denied".
    static Failure fromErrno(int errorNumber);

    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString description_;
    QByteArray utf8_;
};

// The description of any exception a step may throw.
QString describe(const std::exception& error);

} // namespace ferrowax
