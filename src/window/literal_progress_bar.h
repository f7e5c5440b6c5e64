#pragma once

#include <QProgressBar>

namespace ferrowax {

// A progress bar whose text is shown as it is, on one line. Qt's own reads
// %p, %v and %m in its text as placeholders, and a folder path may hold any
// of them; a long path is cut in the middle, so that its end stays in sight.
class LiteralProgressBar final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    QString text() const override
    {
        return fontMetrics().elidedText(literalText_, Qt::ElideMiddle, width() - 2 * fontMetrics().averageCharWidth());
    }

    void setLiteralText(const QString& text)
    {
        literalText_ = text;
        update();
    }

private:
    QString literalText_;
};

} // namespace ferrowax
