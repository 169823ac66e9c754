#pragma once

#include <QTreeWidget>

#include <vector>

#include "app/ExtractCommand.h"

struct TTrackRow;

// The track list: one checkable row per track with the columns "No.",
// "Title", "Length(min)" and "Size(MB)". Read-only, whole-row single
// selection, no sorting. A click with Ctrl held toggles the selected row's
// tick instead of changing the selection.
class TTrackListView final : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TTrackListView(QWidget* parent = nullptr);

  void SetRows(const std::vector<TTrackRow>& rows);  // new rows start unticked
  void ClearRows();

  int RowCount() const;
  QString Title(int row) const;
  void SetTitle(int row, const QString& title);
  // Left-aligns the "Title" column, its header and every row.
  void AlignTitlesLeft();
  bool Checked(int row) const;
  void SetChecked(int row, bool checked);
  void SetAllChecked(bool checked);
  bool AnyChecked() const;
  int SelectedRow() const;  // -1 when none
  void SelectRow(int row);

  QStringList Titles() const;
  std::vector<TTrackChoice> Choices() const;

 signals:
  void RowsChanged();  // rows, ticks, titles or the selection changed

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool ctrlClick_ = false;
};
