#include "window_state.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

WindowState::WindowState()
    : resultList_(EntryListModel::Appends::Batched, EntryListModel::CheckBoxes::Shown, EntryListModel::Drags::Files)
    , startButtonCaption_(u"Start Searching"_s)
    , progressText_(u"Progress Bar"_s)
{
}

void WindowState::setMousePointer(int pointer)
{
    if (pointer == mousePointer_)
        return;
    mousePointer_ = pointer;
    emit mousePointerChanged(pointer);
}

void WindowState::setStartButtonCaption(const QString& caption)
{
    if (caption == startButtonCaption_)
        return;
    startButtonCaption_ = caption;
    emit startButtonCaptionChanged(caption);
}

void WindowState::setProgressValue(double value)
{
    progressValue_ = value;
    emit progressChanged();
}

void WindowState::setProgressText(const QString& text)
{
    progressText_ = text;
    emit progressChanged();
}

} // namespace ferrowax
