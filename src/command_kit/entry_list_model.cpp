#include "entry_list_model.h"

#include "desktop_services/desktop_launcher.h"
#include "os/failure.h"

#include <QMimeData>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
constexpr int showIntervalMilliseconds = 100;
}

QString displayText(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes);
}

EntryListModel::EntryListModel(Appends appends, CheckBoxes checkBoxes, Drags drags, QObject* parent)
    : QAbstractTableModel(parent)
    , batched_(appends == Appends::Batched)
    , checkBoxes_(checkBoxes == CheckBoxes::Shown)
    , dragsFiles_(drags == Drags::Files)
{
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(showIntervalMilliseconds);
    connect(&showTimer_, &QTimer::timeout, this, &EntryListModel::showQueuedAppends);
}

int EntryListModel::count() const
{
    return static_cast<int>(store_.size());
}

void EntryListModel::requireEntry(int number) const
{
    if (number < 1 || number > count())
        throw Failure(u"Index out of bounds"_s);
}

QByteArray EntryListModel::entry(int number) const
{
    requireEntry(number);
    return store_.entry(static_cast<std::size_t>(number - 1));
}

void EntryListModel::copyEntry(int number, QByteArray& out) const
{
    requireEntry(number);
    store_.copyEntry(static_cast<std::size_t>(number - 1), out);
}

bool EntryListModel::isChecked(int number) const
{
    requireEntry(number);
    return store_.isChecked(static_cast<std::size_t>(number - 1));
}

void EntryListModel::setChecked(int number, bool checked)
{
    requireEntry(number);
    store_.setChecked(static_cast<std::size_t>(number - 1), checked);
    if (number - 1 < shownCount_) {
        const QModelIndex changed = index(number - 1, 0);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void EntryListModel::setCheckedEntries(const std::vector<int>& ascendingNumbers, bool checked)
{
    for (const int number : ascendingNumbers)
        requireEntry(number);
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < ascendingNumbers.size(); ++i) {
        store_.setChecked(static_cast<std::size_t>(ascendingNumbers[i] - 1), checked);
        if (i + 1 < ascendingNumbers.size() && ascendingNumbers[i + 1] == ascendingNumbers[i] + 1)
            continue;
        const int first = ascendingNumbers[runStart] - 1;
        const int last = std::min(ascendingNumbers[i] - 1, shownCount_ - 1);
        if (first <= last)
            emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
        runStart = i + 1;
    }
}

void EntryListModel::append(QByteArrayView entry, bool checked)
{
    store_.append(entry, checked);
    queueShowing();
}

void EntryListModel::append(QByteArrayView folderPart, QByteArrayView name, bool checked)
{
    store_.append(folderPart, name, checked);
    queueShowing();
}

void EntryListModel::queueShowing()
{
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

    std::vector<std::size_t> indexes;
    indexes.reserve(ascendingNumbers.size());
    for (const int number : ascendingNumbers)
        indexes.push_back(static_cast<std::size_t>(number - 1));
    const int first = ascendingNumbers.front() - 1;
    const int last = ascendingNumbers.back() - 1;
    // Telling a view about each of many runs costs it a pass over all its
    // rows per run; for more than one run it starts afresh once.
    if (last - first + 1 == static_cast<int>(ascendingNumbers.size())) {
        beginRemoveRows({}, first, last);
        store_.remove(indexes);
        shownCount_ = count();
        endRemoveRows();
    } else {
        beginResetModel();
        store_.remove(indexes);
        shownCount_ = count();
        endResetModel();
    }
}

void EntryListModel::clear()
{
    beginResetModel();
    store_.clear();
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
    return column == 1 ? displayText(store_.entry(static_cast<std::size_t>(entry - 1))) : QString();
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
        return store_.isChecked(static_cast<std::size_t>(index.row())) ? Qt::Checked : Qt::Unchecked;
    // A row may show its text cut short; its tooltip holds the whole.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (index.column() != 0)
        return QString();
    return displayText(store_.entry(static_cast<std::size_t>(index.row())));
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
    if (dragsFiles_)
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList EntryListModel::mimeTypes() const
{
    return {u"text/uri-list"_s, u"text/plain"_s};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QByteArray uris;
    QString paths;
    for (const int row : rows) {
        const QByteArray path = entry(row + 1);
        uris += fileUrlOf(path) + "\r\n";
        paths += displayText(path) + u'\n';
    }
    auto* data = new QMimeData;
    data->setData(u"text/uri-list"_s, uris);
    data->setText(paths);
    return data;
}

} // namespace ferrowax
