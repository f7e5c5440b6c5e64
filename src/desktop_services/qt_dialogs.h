#pragma once

#include "dialogs.h"

#include <QPointer>
#include <QWidget>

namespace ferrowax {

// Qt's own boxes and dialogs, modal to the main window.
class QtDialogs final : public Dialogs {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }

    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    QString saveFileName(const SaveFileRequest& request) override;

protected:
    int showMessage(const QString& text, int style, const QString& caption) override;
    QString showInput(const QString& prompt, const QString& caption) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace ferrowax
