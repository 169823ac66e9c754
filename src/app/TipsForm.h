#pragma once

#include <QDialog>
#include <QStringList>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

// The tip pages, in order; each string is one line of its page.
const std::vector<QStringList>& TipPages();

// "Trackwell Tip of the Day": one tip page at a time, a random one first,
// and the choice whether tips open at start-up. Main thread only.
class TfrmTips final : public QDialog {
  Q_OBJECT
 public:
  // Shows the choice that IsShowTips holds and a page picked at random.
  explicit TfrmTips(QWidget* parent = nullptr);

  int PageIndex() const { return page_; }
  void ShowPage(int index);
  QString PageText() const;

  // "&Next Tip": the next page, the first after the last.
  void btnNextTipClick();
  // "&Close": a changed choice goes into IsShowTips and the settings file at
  // once; then the window closes. Any other way out keeps the old choice.
  void btnCloseClick();

  QComboBox* cbShowTips = nullptr;  // 0 show, 1 never show
  QPushButton* btnNextTip = nullptr;
  QPushButton* btnClose = nullptr;

 private:
  QLabel* lblHeading = nullptr;
  QLabel* lblTip = nullptr;
  int page_ = 0;
};

// Opens the tips modally over the main window.
void ShowTipOfTheDay(QWidget* owner);
