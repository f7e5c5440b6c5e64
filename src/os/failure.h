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
    // A step used what an earlier step failed to give, so it fails only
    // because that one did.
    static Failure objectNotSet();

    // The same failure, concerning the file or folder at `path`.
    Failure concerning(QByteArray path) const;
    // Empty where it concerns no file or folder.
    const QByteArray& path() const noexcept { return path_; }
    bool followsEarlierFailure() const noexcept { return followsEarlierFailure_; }

    const QString& description() const noexcept { return description_; }
    // The errno value it came from; 0 when it came from elsewhere.
    int errorNumber() const noexcept { return errorNumber_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString description_;
    QByteArray utf8_;
    int errorNumber_ = 0;
    QByteArray path_;
    bool followsEarlierFailure_ = false;
};

// The description of any exception a step may throw.
QString describe(const std::exception& error);

} // namespace ferrowax
