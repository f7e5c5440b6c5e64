#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <vector>

namespace ferrowax {

// A list's entries, in order, each the bytes it was given and a check mark.
// A million results must fit in a few dozen megabytes, so entries are not
// objects of their own: each is a folder part shared with its neighbours,
// a name in one block of bytes, and a bit for its mark.
class EntryStore {
public:
    std::size_t size() const { return entries_.size(); }

    // `folderPart` is everything up to and including the last separator.
    void append(QByteArrayView folderPart, QByteArrayView name, bool checked);
    void append(QByteArrayView entry, bool checked);

    QByteArray entry(std::size_t index) const;
    // The same bytes, into `out`, which keeps its room between calls.
    void copyEntry(std::size_t index, QByteArray& out) const;
    bool isChecked(std::size_t index) const;
    void setChecked(std::size_t index, bool checked);

    // Removes the entries at these indexes, given in ascending order, in one
    // pass over the store.
    void remove(const std::vector<std::size_t>& ascending);
    void clear();

private:
    struct Entry {
        std::uint32_t folderAndMark; // the folder part's number; the top bit is the check mark
        std::uint32_t nameOffset;
        std::uint32_t nameSize;
    };
    static constexpr std::uint32_t markBit = 0x80000000U;
    static constexpr std::uint32_t noFolder = markBit;

    QByteArrayView folderPart(const Entry& entry) const;
    QByteArrayView name(const Entry& entry) const;
    std::uint32_t internFolderPart(QByteArrayView folderPart);
    // Drops the bytes of removed entries once they outweigh the kept ones.
    void compactIfWasteful();

    std::vector<Entry> entries_;
    std::vector<char> names_;
    std::vector<std::uint32_t> folderStarts_{0}; // folder part i spans [starts[i], starts[i + 1])
    std::vector<char> folderBytes_;
    std::array<std::uint32_t, 8> recentFolders_{noFolder, noFolder, noFolder, noFolder, noFolder, noFolder,
        noFolder, noFolder}; // the last used first
    std::size_t removedNameBytes_ = 0;
};

} // namespace ferrowax
