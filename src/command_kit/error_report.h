#pragma once

#include <QString>

#include <exception>

namespace ferrowax {

class Dialogs;

// The one box that names a failure, the procedure and the line.
class ErrorReport {
public:
    explicit ErrorReport(Dialogs& dialogs);

    void show(const QString& location, int line, const std::exception& failure);

    static QString text(const QString& location, int line, const QString& description);

private:
    Dialogs& dialogs_;
};

} // namespace ferrowax
