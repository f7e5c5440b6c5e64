#include "entry_list_model.h"

#include "platform/failure.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
constexpr int showIntervalMilliseconds = 100;
}

QString displayText(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

EntryListModel::EntryListModel(Appends appends, CheckBoxes checkBoxes, QObject* parent)
    : QAbstractTableModel(parent)
    , batched_(appends == Appends::Batched)
    , checkBoxes_(checkBoxes == CheckBoxes::Shown)
{
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(showIntervalMilliseconds);
    connect(&showTimer_, &QTimer::timeout, this, &EntryListModel::showQueuedAppends);
}

const EntryListModel::Entry& EntryListModel::at(int row) const
{
    auto index = static_cast<std::size_t>(row);
    if (index >= gapBegin_)
        index += gapEnd_ - gapBegin_;
    return entries_[index];
}

EntryListModel::Entry& EntryListModel::at(int row)
{
    return const_cast<Entry&>(std::as_const(*this).at(row));
}

int EntryListModel::count() const
{
    return static_cast<int>(entries_.size() - (gapEnd_ - gapBegin_));
}

void EntryListModel::requireEntry(int number) const
{
    if (number < 1 || number > count())
        throw Failure(u"Index out of bounds"_s);
}

const QByteArray& EntryListModel::entry(int number) const
{
    requireEntry(number);
    return at(number - 1).bytes;
}

bool EntryListModel::isChecked(int number) const
{
    requireEntry(number);
    return at(number - 1).checked;
}

void EntryListModel::setChecked(int number, bool checked)
{
    requireEntry(number);
    at(number - 1).checked = checked;
    if (number - 1 < shownCount_) {
        const QModelIndex changed = index(number - 1, 0);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void EntryListModel::append(QByteArray entry, bool checked)
{
    entries_.push_back({std::move(entry), checked});
    if (!batched_)
        showQueuedAppends();
    else if (!showTimer_.isActive())
        showTimer_.start();
}

void EntryListModel::remove(int number)
{
    removeEntries({number});
}

void EntryListModel::removeEntries(const std::vector<int>& ascendingNumbers)
{
    for (const int number : ascendingNumbers)
        requireEntry(number);
    if (ascendingNumbers.empty())
        return;
    showQueuedAppends();

    // Runs go from the last to the first. The entries kept behind a run move
    // once, to the end of a gap that closes when all runs are gone, so the
    // whole removal costs one pass over the list however many runs it has.
    gapBegin_ = gapEnd_ = entries_.size();
    std::size_t runEnd = ascendingNumbers.size();
    while (runEnd > 0) {
        std::size_t runBegin = runEnd - 1;
        while (runBegin > 0 && ascendingNumbers[runBegin - 1] == ascendingNumbers[runBegin] - 1)
            --runBegin;
        const auto firstRow = static_cast<std::size_t>(ascendingNumbers[runBegin] - 1);
        const auto lastRow = static_cast<std::size_t>(ascendingNumbers[runEnd - 1] - 1);

        beginRemoveRows({}, static_cast<int>(firstRow), static_cast<int>(lastRow));
        const auto kept = std::move_backward(
            entries_.begin() + static_cast<std::ptrdiff_t>(lastRow + 1),
            entries_.begin() + static_cast<std::ptrdiff_t>(gapBegin_),
            entries_.begin() + static_cast<std::ptrdiff_t>(gapEnd_));
        gapEnd_ = static_cast<std::size_t>(kept - entries_.begin());
        gapBegin_ = firstRow;
        shownCount_ -= static_cast<int>(lastRow - firstRow + 1);
        endRemoveRows();
        runEnd = runBegin;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(gapBegin_),
        entries_.begin() + static_cast<std::ptrdiff_t>(gapEnd_));
    gapBegin_ = gapEnd_ = 0;
}

void EntryListModel::clear()
{
    beginResetModel();
    entries_.clear();
    shownCount_ = 0;
    scrollRequested_ = false;
    endResetModel();
}

void EntryListModel::addColumn(const QString& header)
{
    const int column = columns();
    beginInsertColumns({}, column, column);
    headers_.append(header);
    endInsertColumns();
}

int EntryListModel::columns() const
{
    return static_cast<int>(headers_.size());
}

QString EntryListModel::columnHeader(int column) const
{
    if (column < 1 || column > columns())
        throw Failure(u"Index out of bounds"_s);
    return headers_[column - 1];
}

QString EntryListModel::cell(int entry, int column) const
{
    requireEntry(entry);
    if (column < 1 || column > columns())
        throw Failure(u"Index out of bounds"_s);
    // The lists keep no sub-items.
    return column == 1 ? displayText(at(entry - 1).bytes) : QString();
}

void EntryListModel::showQueuedAppends()
{
    if (shownCount_ < count()) {
        beginInsertRows({}, shownCount_, count() - 1);
        shownCount_ = count();
        endInsertRows();
    }
    if (scrollRequested_) {
        scrollRequested_ = false;
        emit scrollToEndRequested();
    }
}

void EntryListModel::requestScrollToEnd()
{
    scrollRequested_ = true;
    if (!batched_)
        showQueuedAppends();
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount_;
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::CheckStateRole && checkBoxes_ && index.column() == 0)
        return at(index.row()).checked ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() != 0)
        return QString();
    return displayText(at(index.row()).bytes);
}

bool EntryListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::CheckStateRole || !checkBoxes_)
        return false;
    setChecked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columns())
        return {};
    return headers_[section];
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkBoxes_ && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

} // namespace ferrowax
