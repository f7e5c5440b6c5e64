#pragma once

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

    explicit EntryListModel(
        Appends appends = Appends::Immediate, CheckBoxes checkBoxes = CheckBoxes::Hidden, QObject* parent = nullptr);

    int count() const override;
    // Fails for a number that names no entry.
    const QByteArray& entry(int number) const;

    void append(QByteArray entry, bool checked = false);
    void remove(int number);
    // Removes the entries with these numbers, given in ascending order. Each
    // run of neighbours goes in one step, from the last run to the first.
    void removeEntries(const std::vector<int>& ascendingNumbers);
    void clear();
    void setChecked(int number, bool checked);

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

signals:
    void scrollToEndRequested();

private:
    struct Entry {
        QByteArray bytes;
        bool checked = false;
    };

    void requireEntry(int number) const;
    // The entry in row `row`; while runs are being removed the storage
    // holds a gap, which rows after it skip.
    const Entry& at(int row) const;
    Entry& at(int row);

    std::vector<Entry> entries_;
    std::size_t gapBegin_ = 0;
    std::size_t gapEnd_ = 0;
    int shownCount_ = 0; // the rows the views have been told about
    QStringList headers_;
    QTimer showTimer_;
    bool batched_;
    bool checkBoxes_;
    bool scrollRequested_ = false;
};

// How a list entry reads on screen and in typed-text comparisons.
QString displayText(const QByteArray& bytes);

} // namespace ferrowax
