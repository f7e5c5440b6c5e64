#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>
#include <QTimer>

#include <vector>

namespace ferrowax {

// One of the window's lists. Commands see entries numbered from 1, each the
// bytes it was given (paths stay exactly as the file system named them);
// views see the same entries decoded as UTF-8.
//
// A batched list queues appends and shows them to its views a few times a
// second: telling a view about each of a million rows separately costs
// minutes. Commands always see every entry, queued or not.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Appends { Immediate, Batched };

    explicit EntryListModel(Appends appends = Appends::Immediate, QObject* parent = nullptr);

    int count() const;
    // Fails for a number that names no entry.
    const QByteArray& entry(int number) const;

    void append(QByteArray entry);
    void remove(int number);
    void clear();

    void addColumn(const QString& header);
    int columns() const;

    // Shows queued appends to the views now.
    void showQueuedAppends();
    // Asks the views to scroll to the last entry once it is shown.
    void requestScrollToEnd();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void scrollToEndRequested();

private:
    void requireEntry(int number) const;

    std::vector<QByteArray> entries_;
    int shownCount_ = 0; // the rows the views have been told about
    QStringList headers_;
    QTimer showTimer_;
    bool batched_;
    bool scrollRequested_ = false;
};

// How a list entry reads on screen and in typed-text comparisons.
QString displayText(const QByteArray& bytes);

} // namespace ferrowax
