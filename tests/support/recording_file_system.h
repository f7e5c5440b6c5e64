#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace ferrowax::testing {

// tests/fuse/recording_fs.py mounted at a temporary folder while this lives:
// a real file system that writes down its fsync, fsyncdir and rename calls,
// fails those named in `failing` with an I/O error, or with the error
// named after "=" ("fsyncdir=EINVAL"; "full": no file with more than 64 KiB
// written to it, holes aside; "writes": write down each write too), and
// keeps times to the whole second. Where FUSE cannot be used, mounted() is
// false and whyNot() says why.
class RecordingFileSystem {
public:
    explicit RecordingFileSystem(const QStringList& failing = {});
    ~RecordingFileSystem();
    RecordingFileSystem(const RecordingFileSystem&) = delete;
    RecordingFileSystem& operator=(const RecordingFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const QString& whyNot() const { return whyNot_; }
    QByteArray path(const QByteArray& relative = {}) const;
    // The calls written down so far, one line each, such as "fsyncdir /".
    QByteArrayList calls() const;

private:
    QTemporaryDir dir_;
    QProcess server_;
    bool mounted_ = false;
    QString whyNot_;
};

} // namespace ferrowax::testing
