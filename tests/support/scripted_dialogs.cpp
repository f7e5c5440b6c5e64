#include "scripted_dialogs.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ferrowax::testing {

namespace {
template <class T>
T takeOr(std::deque<T>& queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

void ScriptedDialogs::record(ShownBox box)
{
    shown.push_back(box);
    if (whileShown)
        whileShown(box);
}

int ScriptedDialogs::showMessage(const QString& text, int style, const QString& caption)
{
    record({ShownBox::Kind::Message, caption, text, style, {}});
    if ((style & 7) == BoxStyle::YesNo && messageAnswers.empty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return Answer::No;
    }
    return takeOr(messageAnswers, Answer::Ok);
}

QString ScriptedDialogs::showInput(const QString& prompt, const QString& caption)
{
    record({ShownBox::Kind::Input, caption, prompt, 0, {}});
    return takeOr(inputAnswers, QString());
}

QString ScriptedDialogs::pickFolder(const QString& prompt, const QString& initialFolder)
{
    record({ShownBox::Kind::FolderPicker, QString(), prompt, 0, initialFolder});
    return takeOr(folderAnswers, QString());
}

QString ScriptedDialogs::saveFileName(const SaveFileRequest& request)
{
    lastSaveRequest = request;
    record({ShownBox::Kind::SaveFile, request.title, request.filters.join(u'|'), 0, {}});
    return takeOr(saveAnswers, QString());
}

QStringList ScriptedDialogs::messages() const
{
    QStringList texts;
    for (const ShownBox& box : shown) {
        if (box.kind == ShownBox::Kind::Message)
            texts.append(box.text);
    }
    return texts;
}

std::vector<ShownBox> ScriptedDialogs::errorReports() const
{
    std::vector<ShownBox> reports;
    for (const ShownBox& box : shown) {
        if (box.kind == ShownBox::Kind::Message && box.caption == u"Application Error"_s)
            reports.push_back(box);
    }
    return reports;
}

} // namespace ferrowax::testing
