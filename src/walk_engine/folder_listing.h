#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <vector>

namespace ferrowax {

class FolderListing;

// One file or subfolder that a folder lists, in the listing, which must
// outlive it. A default-constructed item is "no current item": every
// property fails, so a loop whose header failed reports each use instead of
// acting on garbage.
class FolderItem {
public:
    FolderItem() = default;
    FolderItem(const FolderListing& listing, std::uint32_t offset, std::uint32_t size);

    QByteArrayView name() const;
    // The text after the last full stop of the name; empty when there is none.
    QByteArrayView extension() const;
    // Fails for "no current item".
    void requirePresent() const;

private:
    friend class FolderListing;

    const FolderListing* listing_ = nullptr;
    std::uint32_t offset_ = 0;
    std::uint32_t size_ = 0;
};

// Everything one folder holds, by kind, each kind in listing order. The
// names live in one block, so a listing costs a few allocations however
// many entries it has; it keeps no path, as a deep walk keeps a listing
// per level.
class FolderListing {
public:
    enum class Kind { File, Folder, Other };

    FolderListing() = default;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    void add(Kind kind, QByteArrayView name);
    // Room for names that take up to `bytes` more, as a listing call's
    // answer of that many bytes holds: one allocation for all of them.
    void reserveNames(std::size_t bytes);
    // Put the kinds in the order users expect to read (see listing_order.h).
    // A walk needs the subfolders' order to go on, the files' only when it
    // gets to them, so the two can be sorted on different threads.
    void sortSubFolders();
    void sortFilesAndOthers();
    // Drops the subfolders whose name `leftOut` answers true for.
    void removeSubFolders(const std::function<bool(QByteArrayView name)>& leftOut);

    const std::vector<FolderItem>& files() const { return files_; }
    const std::vector<FolderItem>& subFolders() const { return subFolders_; }
    // Names that are neither files nor folders: devices, pipes, sockets,
    // links to nothing or to folders.
    const std::vector<FolderItem>& others() const { return others_; }

private:
    friend class FolderItem;
    void sort(std::vector<FolderItem>& items) const;

    std::vector<char> names_;
    std::vector<FolderItem> files_;
    std::vector<FolderItem> subFolders_;
    std::vector<FolderItem> others_;
};

} // namespace ferrowax
