#pragma once

#include "folder_facts.h"
#include "folder_listing.h"
#include "os/failure.h"
#include "os/file_descriptor.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace ferrowax {

// Reads everything the folder at `folderPath` holds, sorted for listing.
// Links to files count as files; links to folders are never entered, so a
// walk can neither loop nor list a tree twice. An entry whose type the file
// system does not tell is looked at on its own. Fails with the system's text.
std::shared_ptr<const FolderListing> readFolderListing(const QByteArray& folderPath);

struct OpenedFolder;

// Where a reader finds a folder. A subfolder is opened by its name in its
// parent, and never through a link: a folder swapped for a link meanwhile
// is not entered.
struct FolderToRead {
    QByteArray name; // in its parent; at the top, the path as the walk names it
    std::shared_ptr<const FileDescriptor> parent; // none: `name` is a path
    std::shared_ptr<const OpenedFolder> above; // the folders above; none at the top

    // The path as the walk names it, made a step per level: for tests.
    QByteArray path() const;
};

// One folder as a walk meets it: its facts, then its listing (left out for
// a folder the walk passes over), or the failure of either, just as reading
// them one after the other would have given.
struct FolderReading {
    FolderFacts facts;
    std::optional<Failure> factsFailure;
    std::shared_ptr<FolderListing> listing;
    std::optional<Failure> listingFailure;
    // Open while the listing has subfolders, to open them from it.
    std::shared_ptr<const FileDescriptor> opened;
};

// Reads both with one lookup. Never throws: every failure, running out of
// memory included, is the folder's.
FolderReading readFolder(const FolderToRead& folder) noexcept;

// What the exception being handled says, as a folder's failure.
Failure currentFailure() noexcept;

} // namespace ferrowax
