#pragma once

#include "entry_store.h"
#include "list_content.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>
#include <QTimer>

#include <vector>

namespace ferrowax {

// One of the window's lists. Commands see entries numbered from 1, each the
// bytes it was given (paths stay exactly as the file system named them) and
// a check mark; views see the same entries decoded as UTF-8.
//
// A batched list queues appends and shows them to its views a few times a
// second: telling a view about each of a million rows separately costs
// minutes. Commands always see every entry, queued or not.
class EntryListModel final : public QAbstractTableModel, public ListContent {
    Q_OBJECT

public:
    enum class Appends { Immediate, Batched };
    enum class CheckBoxes { Hidden, Shown };
    // Entries that are paths of files drag out as those files.
    enum class Drags { Nothing, Files };

    explicit EntryListModel(Appends appends = Appends::Immediate, CheckBoxes checkBoxes = CheckBoxes::Hidden,
        Drags drags = Drags::Nothing, QObject* parent = nullptr);

    int count() const override;
    // Each fails for a number that names no entry.
    QByteArray entry(int number) const;
    // The same bytes, into `out`, which keeps its room between calls.
    void copyEntry(int number, QByteArray& out) const;

    void append(QByteArrayView entry, bool checked = false);
    // `folderPart` ends in a separator; the entry is it followed by `name`.
    void append(QByteArrayView folderPart, QByteArrayView name, bool checked);
    void remove(int number);
    // Removes the entries with these numbers, given in ascending order, in
    // one pass however many runs they make.
    void removeEntries(const std::vector<int>& ascendingNumbers);
    void clear();
    void setChecked(int number, bool checked);
    // Sets the mark of the entries with these numbers, given in ascending
    // order; views hear of each run of neighbours at once, so that a
    // million marks cost a view a few repaints, not a million.
    void setCheckedEntries(const std::vector<int>& ascendingNumbers, bool checked);

    void addColumn(const QString& header);

    int columns() const override;
    QString columnHeader(int column) const override;
    QString cell(int entry, int column) const override;
    bool isChecked(int entry) const override;

    // Shows queued appends to the views now.
    void showQueuedAppends();
    // Asks the views to scroll to the last entry once it is shown.
    void requestScrollToEnd();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    // The rows as a text/uri-list of file: addresses whose bytes are the
    // paths' own, percent-encoded, and as text/plain, one path a line.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

signals:
    void scrollToEndRequested();

private:
    void requireEntry(int number) const;
    void queueShowing();

    EntryStore store_;
    int shownCount_ = 0; // the rows the views have been told about
    QStringList headers_;
    QTimer showTimer_;
    bool batched_;
    bool checkBoxes_;
    bool dragsFiles_;
    bool scrollRequested_ = false;
};

// How a list entry reads on screen and in typed-text comparisons.
QString displayText(QByteArrayView bytes);

} // namespace ferrowax
