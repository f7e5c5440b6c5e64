#pragma once

#include "command_kit/entry_list_model.h"

#include <initializer_list>
#include <utility>
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

// Appends results as a search would, each with the given check mark.
inline void appendResults(EntryListModel& list, std::initializer_list<std::pair<QByteArray, bool>> results)
{
    for (const auto& [path, checked] : results)
        list.append(path, checked);
}

} // namespace ferrowax::testing
