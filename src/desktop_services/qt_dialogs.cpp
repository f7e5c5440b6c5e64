#include "qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// Message texts break lines the Windows way, and a lone CR breaks one too.
QString forDisplay(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsFor(int style)
{
    switch (style & 0x7) {
    case 1:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case 3:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int answerFor(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return 2;
    default:
        return Answer::Ok;
    }
}

// Guessing a file's type from its content means opening it, and some files
// never answer: /proc/kmsg, a pipe, a device. The dialogs tell files apart
// by name alone.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    NameOnlyIconProvider() { setOptions(DontUseCustomDirectoryIcons); }

    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
    }
};

// Qt's own dialog, so that these rules hold on every desktop. The icons
// must outlive the dialog.
void neverReadingContent(QFileDialog& dialog, NameOnlyIconProvider& icons)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
}

} // namespace

int QtDialogs::showMessage(const QString& text, int style, const QString& caption)
{
    QMessageBox box(iconFor(style), caption, forDisplay(text), buttonsFor(style), owner_);
    box.setTextFormat(Qt::PlainText);
    return answerFor(box.exec());
}

QString QtDialogs::showInput(const QString& prompt, const QString& caption)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(owner_, caption, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

QString QtDialogs::pickFolder(const QString& prompt, const QString& initialFolder)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(owner_, prompt, QFileInfo(initialFolder).isDir() ? initialFolder : QString());
    neverReadingContent(dialog, icons);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::cleanPath(dialog.selectedFiles().first());
}

QString QtDialogs::saveFileName(const SaveFileRequest& request)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(owner_, request.title);
    neverReadingContent(dialog, icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace ferrowax
