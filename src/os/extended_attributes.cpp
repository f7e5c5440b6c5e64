#include "extended_attributes.h"

#include <QByteArrayList>

#include <cerrno>
#include <optional>

#include <sys/types.h>
#include <sys/xattr.h>

namespace ferrowax {

namespace {

// Asks `call` for its answer's size, then for the answer, again when it
// grew meanwhile. Answers nothing, errno left, when it cannot be had.
template <typename Call>
std::optional<QByteArray> askSized(Call call)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray answer(size, Qt::Uninitialized);
        const ssize_t got = call(answer.data(), static_cast<std::size_t>(size));
        if (got >= 0) {
            answer.truncate(got);
            return answer;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

// A file system without extended attributes has none to carry.
template <typename Call>
std::optional<QByteArrayList> namesFrom(Call call)
{
    const std::optional<QByteArray> names = askSized(call);
    if (!names)
        return errno == ENOTSUP ? std::optional<QByteArrayList>(QByteArrayList()) : std::nullopt;
    QByteArrayList list = names->split('\0');
    list.removeAll(QByteArray());
    return list;
}

} // namespace

bool carryAttributes(int folder, const QByteArray& name, int fd)
{
    // No call reads the attributes of a name relative to a folder on every
    // kernel; the folder's own descriptor, named in /proc, does.
    const QByteArray old = "/proc/self/fd/" + QByteArray::number(folder) + '/' + name;
    const std::optional<QByteArrayList> oldNames
        = namesFrom([&](char* names, std::size_t size) { return ::llistxattr(old.constData(), names, size); });
    const std::optional<QByteArrayList> newNames
        = namesFrom([&](char* names, std::size_t size) { return ::flistxattr(fd, names, size); });
    if (!oldNames || !newNames)
        return false;
    for (const QByteArray& attribute : *oldNames) {
        const std::optional<QByteArray> value = askSized([&](char* bytes, std::size_t size) {
            return ::lgetxattr(old.constData(), attribute.constData(), bytes, size);
        });
        if (!value)
            return false;
        // One the new file has already (as a security label) is left as it is.
        const std::optional<QByteArray> present = askSized(
            [&](char* bytes, std::size_t size) { return ::fgetxattr(fd, attribute.constData(), bytes, size); });
        if (present == value)
            continue;
        if (::fsetxattr(fd, attribute.constData(), value->constData(), static_cast<std::size_t>(value->size()), 0) != 0)
            return false;
    }
    for (const QByteArray& attribute : *newNames) {
        if (!oldNames->contains(attribute) && ::fremovexattr(fd, attribute.constData()) != 0 && errno != ENODATA)
            return false;
    }
    return true;
}

} // namespace ferrowax
