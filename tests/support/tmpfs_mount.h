#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace ferrowax::testing {

// A tmpfs of the test's own, where the test may mount one (as root): a disk
// that fills at a known size, a file system of its own below a tree, or a
// place where a tree of tens of thousands of folders is made and gone in a
// moment (a disk that discards what is freed takes over a millisecond per
// folder). Let go lazily at the end, so a folder still open cannot keep it.
class TmpfsMount {
public:
    // At `at`, an existing folder; without one, at a temporary folder of its own.
    explicit TmpfsMount(qint64 bytes, const QByteArray& at = {});
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    QString whyNot() const { return whyNot_; }
    QByteArray path() const { return at_; }

private:
    std::optional<QTemporaryDir> own_;
    QByteArray at_;
    bool mounted_ = false;
    QString whyNot_;
};

} // namespace ferrowax::testing
