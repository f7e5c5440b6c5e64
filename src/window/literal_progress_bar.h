#pragma once

#include <QProgressBar>

namespace ferrowax {

// A progress bar whose text is shown as it is. Qt's own reads %p, %v and %m
// in its text as placeholders, and a folder path may hold any of them.
class LiteralProgressBar final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    QString text() const override { return literalText_; }

    void setLiteralText(const QString& text)
    {
        literalText_ = text;
        update();
    }

private:
    QString literalText_;
};

} // namespace ferrowax
