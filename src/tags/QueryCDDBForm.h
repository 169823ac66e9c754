#pragma once

#include "tags/QueryCDDBThread.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The public servers that still answer the CDDB protocol over HTTP, the
// main one first (freedb.org itself closed in 2020). The field stays
// editable for any other.
const QStringList& CddbServerNames();
inline constexpr const char* kDefaultCddbScript = "/~cddb/cddb.cgi";

// The freedb dialog: server and proxy settings, and Query, which copies
// them into OptionsSetting.QueryCDDB and runs the query in TfrmStopQuery.
// Ends with Accepted when a query finished. Main thread only.
class TfrmQueryCDDB final : public QDialog {
  Q_OBJECT
 public:
  TfrmQueryCDDB(QWidget* parent, uint8_t firstTrack, uint8_t lastTrack, int32_t driveHandle,
                TCddbTitleTarget target);

  QComboBox* cbServer = nullptr;
  QLineEdit* eScript = nullptr;
  QCheckBox* cbUseProxy = nullptr;
  QLineEdit* eAddress = nullptr;
  QLineEdit* ePort = nullptr;
  QPushButton* btQuery = nullptr;
  QPushButton* btClose = nullptr;
  QPushButton* btDefault = nullptr;

  void btQueryClick();
  void btDefaultClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildLayout();
  void FormShow();
  void cbUseProxyClick();

  uint8_t firstTrack_;
  uint8_t lastTrack_;
  int32_t driveHandle_;
  TCddbTitleTarget target_;
  bool shown_ = false;
};
