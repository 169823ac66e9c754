#pragma once

#include "tags/QueryCDDBThread.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QLabel;
class QPushButton;

// The small modal window shown while a freedb query runs. Showing it starts
// a TQueryCDDBThread; message 0x469 brings the outcome: wParam 6 shows the
// no-match panel, wParam 7 applies the result to OptionsSetting.CDInfo and
// the titles and ends the window with Accepted. Stop (or Escape) while the
// query runs abandons the thread and ends with Rejected. Main thread only.
class TfrmStopQuery final : public QDialog {
  Q_OBJECT
 public:
  TfrmStopQuery(QWidget* parent, uint8_t firstTrack, uint8_t lastTrack, int32_t driveHandle,
                TCddbTitleTarget target);
  ~TfrmStopQuery() override;

  QLabel* lbQuery = nullptr;
  QPushButton* btStop = nullptr;
  QLabel* pnNoMatch = nullptr;  // hidden until no match was found

  // True from the start of the query until its outcome arrives.
  bool Running() const { return handOver_ && !ended_; }

  void btStopClick();
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void QueryDone(intptr_t wParam);
  void AbandonQuery();

  uint8_t firstTrack_;
  uint8_t lastTrack_;
  int32_t driveHandle_;
  TCddbTitleTarget target_;
  std::shared_ptr<TCddbHandOver> handOver_;
  bool ended_ = false;
};

// The no-match panel's text.
inline constexpr const char* kNoMatchText =
    "No match found,perhaps:\n1.No information in CDDB server\n2.error CDDB options\n3.check "
    "the network";
