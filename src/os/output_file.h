#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <mutex>
#include <set>

namespace ferrowax {

// A file being written from its start. Every failure is a Failure carrying
// the system's own text. Writes may wait in memory until there are enough
// of them, until flush or until close; the call that hands them to the
// system meets its failure.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void write(QByteArrayView bytes) = 0;
    virtual void flush() = 0;
    // Puts the file in place, complete, once it is on the disk; a file
    // dropped before that leaves nothing behind.
    virtual void close() = 0;
};

class OutputFiles {
public:
    virtual ~OutputFiles() = default;
    // A new file that will replace whatever `path` names once it is closed.
    virtual std::unique_ptr<OutputFile> create(const QByteArray& path) = 0;
};

class ReplacingOutputFile;

// Files written beside their target, unnamed where the file system allows
// (else under a name no user would pick, removed by the next save there if
// the program was killed), and put in its place with one rename once every
// byte has reached the disk. Until then the old file, if any, stays whole.
// Only a regular file the user may write is replaced; links are followed to
// the file at the end of their chain. The new file keeps the old one's
// owner where allowed, mode, access list and extended attributes. In a
// folder that takes no new file, or where the new file cannot take those, a
// file the user may write is written in place instead, all at once when it
// is closed.
class ReplacingOutputFiles final : public OutputFiles {
public:
    std::unique_ptr<OutputFile> create(const QByteArray& path) override;

    // Removes the files still being written; for a program that ends
    // without unwinding.
    void removeUnfinished();

private:
    friend class ReplacingOutputFile;
    // Files are written on the I/O service's threads, several at once.
    std::mutex mutex_;
    std::set<ReplacingOutputFile*> unfinished_;
};

} // namespace ferrowax
