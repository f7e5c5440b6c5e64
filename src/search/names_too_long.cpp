#include "names_too_long.h"

#include "command_kit/entry_list_model.h"
#include "desktop_services/dialogs.h"
#include "walk_engine/file_system.h"
#include "walk_host.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// Counts characters as a reader does: a pair of surrogates is one.
bool isTooLong(const QByteArray& folderPath, QByteArrayView name)
{
    // A character takes at least one byte, so short paths need no decoding.
    if (folderPath.size() + name.size() <= maximumPathLength)
        return false;
    const QString text = displayText(QByteArray(folderPath).append(name));
    return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isLowSurrogate(); }) > maximumPathLength;
}

} // namespace

bool namesTooLong(QByteArray path, WalkHost& host)
{
    bool result = false;
    bool listed = false;
    try {
        if (!path.endsWith('/'))
            path.append('/');
        const std::shared_ptr<const FolderListing> listing = host.fileSystem().listFolder(path);
        listed = true;
        // Every name that is not a subfolder, hidden ones included.
        for (const std::vector<FolderItem>* names : {&listing->files(), &listing->others()}) {
            result = result || std::any_of(names->begin(), names->end(), [&](const FolderItem& item) {
                return isTooLong(path, item.name());
            });
        }
    } catch (const std::exception&) {
        // A folder whose names cannot be listed cannot be checked either.
        result = true;
    }
    if (result && (listed || host.warnsOfUnlistedNames())) {
        host.dialogs().messageBox(u"The length of filenames in folder "_s + displayText(path) + u" is too long. "_s
                + u"\r\n"_s + u"The maximum folder length is 260 symbols. "_s + u"\r\n"_s
                + u"Please move subfolders to a small folder."_s,
            BoxStyle::OkOnly);
    }
    return result;
}

} // namespace ferrowax
