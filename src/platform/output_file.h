#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

namespace ferrowax {

// A file being written from its start. Every failure is a Failure carrying
// the system's own text.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void write(QByteArrayView bytes) = 0;
    virtual void close() = 0;
};

class OutputFiles {
public:
    virtual ~OutputFiles() = default;
    // Creates the file, or empties it when it exists.
    virtual std::unique_ptr<OutputFile> create(const QByteArray& path) = 0;
};

// Files written through the C library's buffered streams, which the process
// flushes when it ends at once: what an export wrote is never lost.
class StdioOutputFiles final : public OutputFiles {
public:
    std::unique_ptr<OutputFile> create(const QByteArray& path) override;
};

} // namespace ferrowax
