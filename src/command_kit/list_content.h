#pragma once

#include <QString>

namespace ferrowax {

// A list as the exports read it: entries and columns numbered from 1. Every
// read of an entry that no longer exists fails.
class ListContent {
public:
    virtual ~ListContent() = default;

    virtual int count() const = 0;
    virtual int columns() const = 0;
    virtual QString columnHeader(int column) const = 0;
    // Column 1 is the entry's text; further columns are its sub-items.
    virtual QString cell(int entry, int column) const = 0;
    virtual bool isChecked(int entry) const = 0;
};

} // namespace ferrowax
