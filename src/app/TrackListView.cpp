#include "app/TrackListView.h"

#include "cd/DriveAccess.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace {
enum Column { kNo = 0, kTitle = 1, kLength = 2, kSize = 3 };
}

TTrackListView::TTrackListView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(4);
  setHeaderLabels({"No.", "Title", "Length(min)", "Size(MB)"});
  headerItem()->setTextAlignment(kLength, Qt::AlignCenter);
  headerItem()->setTextAlignment(kSize, Qt::AlignCenter);
  setColumnWidth(kNo, 90);
  setColumnWidth(kTitle, 230);
  setColumnWidth(kLength, 100);
  setColumnWidth(kSize, 90);
  header()->setSectionsClickable(false);
  header()->setStretchLastSection(false);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);

  connect(this, &QTreeWidget::itemChanged, this, [this] { emit RowsChanged(); });
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { emit RowsChanged(); });
}

void TTrackListView::SetRows(const std::vector<TTrackRow>& rows) {
  QSignalBlocker blocker(this);
  clear();
  for (const TTrackRow& row : rows) {
    auto* item = new QTreeWidgetItem(this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                   Qt::ItemNeverHasChildren);
    item->setCheckState(kNo, Qt::Unchecked);
    item->setText(kNo, row.Caption);
    item->setText(kTitle, row.Title);
    item->setText(kLength, row.Length);
    item->setText(kSize, row.Size);
    item->setTextAlignment(kLength, Qt::AlignCenter);
    item->setTextAlignment(kSize, Qt::AlignCenter);
  }
  blocker.unblock();
  emit RowsChanged();
}

void TTrackListView::ClearRows() {
  clear();
  emit RowsChanged();
}

int TTrackListView::RowCount() const { return topLevelItemCount(); }

QString TTrackListView::Title(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(kTitle) : QString();
}

void TTrackListView::SetTitle(int row, const QString& title) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(kTitle, title);
}

void TTrackListView::AlignTitlesLeft() {
  const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
  headerItem()->setTextAlignment(kTitle, left);
  for (int row = 0; row < topLevelItemCount(); ++row)
    topLevelItem(row)->setTextAlignment(kTitle, left);
}

bool TTrackListView::Checked(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item && item->checkState(kNo) == Qt::Checked;
}

void TTrackListView::SetChecked(int row, bool checked) {
  if (QTreeWidgetItem* item = topLevelItem(row))
    item->setCheckState(kNo, checked ? Qt::Checked : Qt::Unchecked);
}

void TTrackListView::SetAllChecked(bool checked) {
  {
    const QSignalBlocker blocker(this);
    for (int row = 0; row < RowCount(); ++row) SetChecked(row, checked);
  }
  emit RowsChanged();
}

bool TTrackListView::AnyChecked() const {
  for (int row = 0; row < RowCount(); ++row)
    if (Checked(row)) return true;
  return false;
}

int TTrackListView::SelectedRow() const {
  const QList<QTreeWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}

void TTrackListView::SelectRow(int row) {
  if (QTreeWidgetItem* item = topLevelItem(row)) {
    setCurrentItem(item);
    item->setSelected(true);
  } else {
    clearSelection();
  }
}

QStringList TTrackListView::Titles() const {
  QStringList titles;
  for (int row = 0; row < RowCount(); ++row) titles << Title(row);
  return titles;
}

std::vector<TTrackChoice> TTrackListView::Choices() const {
  std::vector<TTrackChoice> choices;
  for (int row = 0; row < RowCount(); ++row) choices.push_back({Title(row), Checked(row)});
  return choices;
}

namespace {

// The same mouse event without Ctrl.
QMouseEvent WithoutCtrl(const QMouseEvent* event) {
  return QMouseEvent(event->type(), event->position(), event->scenePosition(),
                     event->globalPosition(), event->button(), event->buttons(),
                     event->modifiers() & ~Qt::ControlModifier, event->pointingDevice());
}

}  // namespace

void TTrackListView::mousePressEvent(QMouseEvent* event) {
  ctrlClick_ = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
  if (!ctrlClick_) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  // The view sees a plain click, which selects the row; with Ctrl it would
  // deselect the row whose tick is about to change.
  QMouseEvent plain = WithoutCtrl(event);
  QTreeWidget::mousePressEvent(&plain);
}

void TTrackListView::mouseReleaseEvent(QMouseEvent* event) {
  if (!ctrlClick_ || event->button() != Qt::LeftButton) {
    QTreeWidget::mouseReleaseEvent(event);
    return;
  }
  ctrlClick_ = false;
  QMouseEvent plain = WithoutCtrl(event);
  QTreeWidget::mouseReleaseEvent(&plain);
  const int row = SelectedRow();
  if (row >= 0) SetChecked(row, !Checked(row));
}
