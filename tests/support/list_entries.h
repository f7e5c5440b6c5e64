#pragma once

#include "shell/entry_list_model.h"

#include <vector>

namespace ferrowax::testing {

// Every entry of a list, in order, as commands see them.
inline std::vector<QByteArray> entriesOf(const EntryListModel& list)
{
    std::vector<QByteArray> entries;
    for (int i = 1; i <= list.count(); ++i)
        entries.push_back(list.entry(i));
    return entries;
}

} // namespace ferrowax::testing
