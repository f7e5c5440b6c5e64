#pragma once

#include <QByteArray>

namespace ferrowax {

// Gives the new file `fd` the extended attributes of the file `name` in the
// open folder `folder`, its access list (system.posix_acl_access) among
// them, and takes from it those the old file lacks, such as an access list
// inherited from the folder: so that a file put in the old one's place
// protects it as the old one did. Answers false when any of them cannot be
// read or carried.
bool carryAttributes(int folder, const QByteArray& name, int fd);

} // namespace ferrowax
