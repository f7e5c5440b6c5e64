#pragma once

#include <QTableView>

namespace ferrowax {

// A list in report view: one column under a header whose divider may be
// dragged past the list's edge to read long paths. It keeps a few bytes per
// row, so a million results cost the window little.
//
// Long texts are cut in the middle, so a file's name stays in sight. A
// press below the entries keeps the selection: the removal commands act on
// the selected entry wherever the double-click lands. Tabbing into a list
// selects its current entry, so Delete acts at once.
class ReportView final : public QTableView {
    Q_OBJECT

public:
    explicit ReportView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace ferrowax
