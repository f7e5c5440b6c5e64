#pragma once

#include "walk_engine/file_system.h"

#include <QString>

#include <map>
#include <optional>

namespace ferrowax::testing {

// A file system made of what a test declares, listed in the order declared:
// for folders a real disk cannot offer, such as protected system folders or
// drive roots, and for listings that fail on cue.
class ScriptedFileSystem final : public FileSystem {
public:
    void addFolder(const QByteArray& path, int attributes = Attribute::Directory, bool isRootFolder = false);
    void addFile(const QByteArray& path, const QByteArray& content = {});
    void refuseListing(const QByteArray& folderPath, const QString& description);

    Folder getFolder(const QByteArray& path) const override;
    std::shared_ptr<const FolderListing> listFolder(const QByteArray& folderPath) const override;
    QDateTime lastModified(const QByteArray& path) const override;
    bool isNormalFile(const QByteArray& path) const override;
    QByteArray readFile(const QByteArray& path) const override;

private:
    struct Node {
        int attributes = Attribute::Directory;
        bool isRootFolder = false;
        std::vector<QByteArray> fileNames;
        std::vector<QByteArray> folderNames;
        std::optional<QString> refusal;
    };
    const Node& node(const QByteArray& folderPath) const;
    const Node& listable(const QByteArray& folderPath) const;

    std::map<QByteArray, Node> folders_;
    std::map<QByteArray, QByteArray> contents_;
};

} // namespace ferrowax::testing
