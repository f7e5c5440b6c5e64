#include "folder_listing.h"

#include "os/failure.h"
#include "listing_order.h"

#include <algorithm>

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
        throw Failure::objectNotSet();
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
