#pragma once

#include <QByteArray>
#include <QTemporaryDir>

namespace ferrowax::testing {

// A real folder tree in a temporary folder, made from relative paths. Names
// are bytes, so a test can make names that are not UTF-8.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The absolute path of `relative` below the tree's root.
    QByteArray path(const QByteArray& relative = {}) const;

    void folder(const QByteArray& relative);
    void file(const QByteArray& relative, const QByteArray& content = {});
    void symlink(const QByteArray& target, const QByteArray& relative);

private:
    QTemporaryDir dir_;
    QByteArray root_;
};

} // namespace ferrowax::testing
