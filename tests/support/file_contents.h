#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace ferrowax::testing {

// The bytes of the file at `path`, or "<missing>" when it cannot be read.
inline QByteArray contentOf(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every name in `folder`, hidden ones too, sorted.
inline QStringList namesIn(const QByteArray& folder)
{
    return QDir(QFile::decodeName(folder))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Writes `content` to the file at `path`, making its folders; false if it cannot.
inline bool writeFile(const QByteArray& path, const QByteArray& content)
{
    QFile file(QFile::decodeName(path));
    return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly)
        && file.write(content) == content.size();
}

} // namespace ferrowax::testing
