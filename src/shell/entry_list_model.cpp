#include "entry_list_model.h"

#include "platform/failure.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
constexpr int showIntervalMilliseconds = 100;
}

QString displayText(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

EntryListModel::EntryListModel(Appends appends, QObject* parent)
    : QAbstractTableModel(parent)
    , batched_(appends == Appends::Batched)
{
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(showIntervalMilliseconds);
    connect(&showTimer_, &QTimer::timeout, this, &EntryListModel::showQueuedAppends);
}

int EntryListModel::count() const
{
    return static_cast<int>(entries_.size());
}

void EntryListModel::requireEntry(int number) const
{
    if (number < 1 || number > count())
        throw Failure(u"Index out of bounds"_s);
}

const QByteArray& EntryListModel::entry(int number) const
{
    requireEntry(number);
    return entries_[static_cast<std::size_t>(number - 1)];
}

void EntryListModel::append(QByteArray entry)
{
    entries_.push_back(std::move(entry));
    if (!batched_)
        showQueuedAppends();
    else if (!showTimer_.isActive())
        showTimer_.start();
}

void EntryListModel::remove(int number)
{
    requireEntry(number);
    showQueuedAppends();
    const int row = number - 1;
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.begin() + row);
    --shownCount_;
    endRemoveRows();
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
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    if (index.column() != 0)
        return QString();
    return displayText(entries_[static_cast<std::size_t>(index.row())]);
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
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace ferrowax
