#include "folder_listing.h"

#include "os/failure.h"
#include "listing_order.h"

#include <algorithm>
#include <cstring>

namespace ferrowax {

namespace {

constexpr std::size_t keptScratch = 4096;

} // namespace

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
    return QByteArrayView(listing_->names_.data() + offset_, size_);
}

QByteArrayView FolderItem::extension() const
{
    const QByteArrayView itemName = name();
    const auto* dot = static_cast<const char*>(::memrchr(itemName.data(), '.', static_cast<std::size_t>(itemName.size())));
    return dot == nullptr ? QByteArrayView() : QByteArrayView(dot + 1, itemName.data() + itemName.size());
}

void FolderListing::add(Kind kind, QByteArrayView name)
{
    const FolderItem item(*this, static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size()));
    names_.insert(names_.end(), name.begin(), name.end());
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

void FolderListing::reserveNames(std::size_t bytes)
{
    // By half again at least: a folder of millions takes many calls, and
    // each exact reserve would copy all the names before it.
    if (names_.capacity() - names_.size() < bytes)
        names_.reserve(std::max(names_.size() + bytes, names_.capacity() + names_.capacity() / 2));
}

void FolderListing::sort(std::vector<FolderItem>& items) const
{
    // Kept between calls, but for a very large one's: a walk sorts tens of
    // thousands of listings, on threads that may live long.
    thread_local std::vector<QByteArrayView> names;
    if (names.capacity() > keptScratch)
        names = {};
    names.clear();
    for (const FolderItem& item : items)
        names.push_back(item.name());
    sortForListing(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        items[i].offset_ = static_cast<std::uint32_t>(names[i].data() - names_.data());
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
