#include "entry_store.h"

#include "os/failure.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

constexpr std::size_t largestBlock = std::numeric_limits<std::uint32_t>::max();

void requireRoom(std::size_t used, qsizetype more)
{
    if (used + static_cast<std::size_t>(more) > largestBlock)
        throw Failure(u"Out of memory"_s);
}

} // namespace

QByteArrayView EntryStore::folderPart(const Entry& entry) const
{
    const std::uint32_t folder = entry.folderAndMark & ~markBit;
    return {folderBytes_.data() + folderStarts_[folder], folderStarts_[folder + 1] - folderStarts_[folder]};
}

QByteArrayView EntryStore::name(const Entry& entry) const
{
    return {names_.data() + entry.nameOffset, entry.nameSize};
}

std::uint32_t EntryStore::internFolderPart(QByteArrayView part)
{
    // A walk appends a folder's matches one after the other, and lists
    // often alternate between a few folders, so the folder parts used last
    // find nearly every repeat.
    for (const std::uint32_t folder : recentFolders_) {
        if (folder < folderStarts_.size() - 1
            && QByteArrayView(folderBytes_.data() + folderStarts_[folder], folderStarts_[folder + 1] - folderStarts_[folder])
                == part)
            return folder;
    }
    const auto added = static_cast<std::uint32_t>(folderStarts_.size() - 1);
    requireRoom(folderBytes_.size(), part.size());
    if (added >= markBit)
        throw Failure(u"Out of memory"_s);
    folderBytes_.insert(folderBytes_.end(), part.begin(), part.end());
    folderStarts_.push_back(static_cast<std::uint32_t>(folderBytes_.size()));
    std::copy_backward(recentFolders_.begin(), recentFolders_.end() - 1, recentFolders_.end());
    recentFolders_.front() = added;
    return added;
}

void EntryStore::append(QByteArrayView folderPart, QByteArrayView name, bool checked)
{
    requireRoom(names_.size(), name.size());
    const std::uint32_t folder = internFolderPart(folderPart);
    entries_.push_back({folder | (checked ? markBit : 0), static_cast<std::uint32_t>(names_.size()),
        static_cast<std::uint32_t>(name.size())});
    names_.insert(names_.end(), name.begin(), name.end());
}

void EntryStore::append(QByteArrayView entry, bool checked)
{
    const qsizetype separator = entry.lastIndexOf('/');
    append(entry.first(separator + 1), entry.sliced(separator + 1), checked);
}

QByteArray EntryStore::entry(std::size_t index) const
{
    QByteArray bytes;
    copyEntry(index, bytes);
    return bytes;
}

void EntryStore::copyEntry(std::size_t index, QByteArray& out) const
{
    const Entry& entry = entries_.at(index);
    const QByteArrayView folder = folderPart(entry);
    out.resize(folder.size() + entry.nameSize);
    std::copy(folder.begin(), folder.end(), out.begin());
    const QByteArrayView entryName = name(entry);
    std::copy(entryName.begin(), entryName.end(), out.begin() + folder.size());
}

bool EntryStore::isChecked(std::size_t index) const
{
    return (entries_.at(index).folderAndMark & markBit) != 0;
}

void EntryStore::setChecked(std::size_t index, bool checked)
{
    std::uint32_t& field = entries_.at(index).folderAndMark;
    field = checked ? (field | markBit) : (field & ~markBit);
}

void EntryStore::remove(const std::vector<std::size_t>& ascending)
{
    std::size_t kept = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (next < ascending.size() && ascending[next] == i) {
            removedNameBytes_ += entries_[i].nameSize;
            ++next;
            continue;
        }
        entries_[kept++] = entries_[i];
    }
    entries_.resize(kept);
    compactIfWasteful();
}

void EntryStore::compactIfWasteful()
{
    if (removedNameBytes_ * 2 <= names_.size())
        return;
    std::vector<char> names;
    std::vector<std::uint32_t> folderStarts{0};
    std::vector<char> folderBytes;
    std::vector<std::uint32_t> renumbered(folderStarts_.size() - 1, markBit);
    names.reserve(names_.size() - removedNameBytes_);
    for (Entry& entry : entries_) {
        const std::uint32_t folder = entry.folderAndMark & ~markBit;
        if (renumbered[folder] == markBit) {
            const QByteArrayView part = folderPart(entry);
            folderBytes.insert(folderBytes.end(), part.begin(), part.end());
            renumbered[folder] = static_cast<std::uint32_t>(folderStarts.size() - 1);
            folderStarts.push_back(static_cast<std::uint32_t>(folderBytes.size()));
        }
        const QByteArrayView entryName = name(entry);
        entry.nameOffset = static_cast<std::uint32_t>(names.size());
        names.insert(names.end(), entryName.begin(), entryName.end());
        entry.folderAndMark = renumbered[folder] | (entry.folderAndMark & markBit);
    }
    names_ = std::move(names);
    folderStarts_ = std::move(folderStarts);
    folderBytes_ = std::move(folderBytes);
    removedNameBytes_ = 0;
}

void EntryStore::clear()
{
    *this = EntryStore();
}

} // namespace ferrowax
