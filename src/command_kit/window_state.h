#pragma once

#include "entry_list_model.h"

#include <QObject>
#include <QString>

namespace ferrowax {

// The window pointer, which doubles as the busy mark commands read.
namespace Pointer {
inline constexpr int Default = 0;
inline constexpr int Hourglass = 11;
inline constexpr int Hand = 99;
} // namespace Pointer

// Everything of the main window that commands read and write. The window
// shows it; commands and tests work on it without any widget.
class WindowState : public QObject {
    Q_OBJECT

public:
    WindowState();

    EntryListModel& folderList() { return folderList_; }
    EntryListModel& extensionList() { return extensionList_; }
    EntryListModel& resultList() { return resultList_; }

    int mousePointer() const { return mousePointer_; }
    void setMousePointer(int pointer);

    const QString& startButtonCaption() const { return startButtonCaption_; }
    void setStartButtonCaption(const QString& caption);

    double progressValue() const { return progressValue_; }
    void setProgressValue(double value);
    const QString& progressText() const { return progressText_; }
    void setProgressText(const QString& text);

signals:
    void mousePointerChanged(int pointer);
    void startButtonCaptionChanged(const QString& caption);
    void progressChanged();

private:
    EntryListModel folderList_;
    EntryListModel extensionList_;
    EntryListModel resultList_;
    int mousePointer_ = Pointer::Default;
    QString startButtonCaption_;
    double progressValue_ = 0;
    QString progressText_;
};

} // namespace ferrowax
