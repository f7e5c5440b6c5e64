#include "folder_listing.h"

#include "os/failure.h"
#include "listing_order.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ferrowax {

FolderItem::FolderItem(const FolderListing& listing, std::uint32_t offset, std::uint32_t size)
    : listing_(&listing)
    , offset_(offset)
    , size_(size)
{
}

void FolderItem::requirePresent() const
{
    if (listing_ == nullptr)
        throw Failure(u"Object variable not set"_s);
}

QByteArray FolderItem::path() const
{
    const QByteArrayView folder = folderPart();
    const QByteArrayView itemName = name();
    QByteArray path(folder.size() + itemName.size(), Qt::Uninitialized);
    std::copy(folder.begin(), folder.end(), path.begin());
    std::copy(itemName.begin(), itemName.end(), path.begin() + folder.size());
    return path;
}

QByteArrayView FolderItem::name() const
{
    requirePresent();
    return QByteArrayView(listing_->names_).sliced(offset_, size_);
}

QByteArrayView FolderItem::extension() const
{
    const QByteArrayView itemName = name();
    const qsizetype dot = itemName.lastIndexOf('.');
    return dot < 0 ? QByteArrayView() : itemName.sliced(dot + 1);
}

QByteArrayView FolderItem::folderPart() const
{
    requirePresent();
    return listing_->folderPart_;
}

FolderListing::FolderListing(const QByteArray& folderPath)
    : folderPart_(folderPath)
{
    if (folderPath.endsWith('/'))
        return;
    // No room to grow: a deep tree keeps a listing per level.
    folderPart_ = QByteArray(folderPath.size() + 1, '/');
    std::copy(folderPath.begin(), folderPath.end(), folderPart_.begin());
}

void FolderListing::add(Kind kind, QByteArrayView name)
{
    const FolderItem item(*this, static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size()));
    names_.append(name);
    switch (kind) {
    case Kind::File:
        files_.push_back(item);
        break;
    case Kind::Folder:
        subFolders_.push_back(item);
        break;
    case Kind::Other:
        others_.push_back(item);
        break;
    }
}

void FolderListing::sort(std::vector<FolderItem>& items) const
{
    std::vector<QByteArrayView> names;
    names.reserve(items.size());
    for (const FolderItem& item : items)
        names.push_back(item.name());
    sortForListing(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        items[i].offset_ = static_cast<std::uint32_t>(names[i].data() - names_.constData());
        items[i].size_ = static_cast<std::uint32_t>(names[i].size());
    }
}

void FolderListing::sortSubFolders()
{
    sort(subFolders_);
}

void FolderListing::removeSubFolders(const std::function<bool(QByteArrayView name)>& leftOut)
{
    std::erase_if(subFolders_, [&](const FolderItem& item) { return leftOut(item.name()); });
}

void FolderListing::sortFilesAndOthers()
{
    sort(files_);
    sort(others_);
}

} // namespace ferrowax
