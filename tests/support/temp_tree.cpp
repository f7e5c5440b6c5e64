#include "temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax::testing {

TempTree::TempTree()
    : root_(QFile::encodeName(dir_.path()))
{
    if (!dir_.isValid())
        ADD_FAILURE() << "cannot make a temporary folder";
}

// Removed by its bytes: QTemporaryDir leaves names that are not UTF-8.
TempTree::~TempTree()
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root_.toStdString()), ignored);
}

QByteArray TempTree::path(const QByteArray& relative) const
{
    return relative.isEmpty() ? root_ : root_ + '/' + relative;
}

void TempTree::folder(const QByteArray& relative)
{
    QByteArray partial;
    for (const QByteArray& component : relative.split('/')) {
        partial += partial.isEmpty() ? component : '/' + component;
        if (::mkdir(path(partial).constData(), 0755) != 0 && errno != EEXIST)
            ADD_FAILURE() << "mkdir " << partial.constData() << ": " << std::strerror(errno);
    }
}

void TempTree::file(const QByteArray& relative, const QByteArray& content)
{
    if (const qsizetype slash = relative.lastIndexOf('/'); slash > 0)
        folder(relative.left(slash));
    const int fd = ::open(path(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        ADD_FAILURE() << "create " << relative.constData() << ": " << std::strerror(errno);
        return;
    }
    if (!content.isEmpty() && ::write(fd, content.constData(), static_cast<size_t>(content.size())) != content.size())
        ADD_FAILURE() << "write " << relative.constData();
    ::close(fd);
}

void TempTree::symlink(const QByteArray& target, const QByteArray& relative)
{
    if (::symlink(target.constData(), path(relative).constData()) != 0)
        ADD_FAILURE() << "symlink " << relative.constData() << ": " << std::strerror(errno);
}

} // namespace ferrowax::testing
