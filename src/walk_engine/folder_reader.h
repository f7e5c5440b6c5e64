#pragma once

#include "platform/failure.h"
#include "folder_facts.h"
#include "folder_listing.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace ferrowax {

// Whether folder listings tell each entry's type. Some file systems never
// do, and then every entry is looked at on its own.
enum class EntryTypes { Reported, Unknown };

// Reads everything the folder at `folderPath` holds, sorted for listing.
// Links to files count as files; links to folders are never entered, so a
// walk can neither loop nor list a tree twice. Fails with the system's text.
std::shared_ptr<const FolderListing> readFolderListing(const QByteArray& folderPath, EntryTypes types);

// One folder as a walk meets it: its facts, then its listing (left out for
// a folder the walk passes over), or the failure of either, just as reading
// them one after the other would have given. Only the listing's subfolders
// are sorted yet.
struct FolderReading {
    QByteArray path; // as the walk names it
    FolderFacts facts;
    std::optional<Failure> factsFailure;
    std::shared_ptr<FolderListing> listing;
    std::optional<Failure> listingFailure;
};

// Reads both with one lookup of the path.
FolderReading readFolder(const QByteArray& path, EntryTypes types);

} // namespace ferrowax
