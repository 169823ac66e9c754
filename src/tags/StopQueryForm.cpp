#include "tags/StopQueryForm.h"

#include "platform/MainThread.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmStopQuery::TfrmStopQuery(QWidget* parent, uint8_t firstTrack, uint8_t lastTrack,
                             int32_t driveHandle, TCddbTitleTarget target)
    : QDialog(parent),
      firstTrack_(firstTrack),
      lastTrack_(lastTrack),
      driveHandle_(driveHandle),
      target_(std::move(target)) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle(QStringLiteral("Query CDDB..."));
  // A title bar without the system close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  lbQuery = new QLabel(QStringLiteral("Query CDDB..."), this);
  lbQuery->setObjectName("lbQuery");
  pnNoMatch = new QLabel(QString::fromLatin1(kNoMatchText), this);
  pnNoMatch->setObjectName("pnNoMatch");
  pnNoMatch->setFrameShape(QFrame::Panel);
  pnNoMatch->setFrameShadow(QFrame::Sunken);
  pnNoMatch->setMargin(6);
  pnNoMatch->hide();
  btStop = new QPushButton(QStringLiteral("Stop"), this);
  btStop->setObjectName("btStop");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btStop);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbQuery, 0, Qt::AlignCenter);
  layout->addWidget(pnNoMatch);
  layout->addLayout(buttons);

  connect(btStop, &QPushButton::clicked, this, &TfrmStopQuery::btStopClick);
  ApplySkin(this, OptionsSetting.SkinIndex);
}

TfrmStopQuery::~TfrmStopQuery() { AbandonQuery(); }

void TfrmStopQuery::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (handOver_) return;
  TCddbRequest request;
  request.FirstTrack = firstTrack_;
  request.LastTrack = lastTrack_;
  request.DriveHandle = driveHandle_;
  request.Settings = OptionsSetting.QueryCDDB;
  handOver_ = TQueryCDDBThread::Start(request, this);
}

bool TfrmStopQuery::event(QEvent* event) {
  if (event->type() == TWindowMessage::TypeFor(WM_QUERY_CDDB_DONE)) {
    QueryDone(static_cast<TWindowMessage*>(event)->WParam());
    return true;
  }
  return QDialog::event(event);
}

void TfrmStopQuery::QueryDone(intptr_t wParam) {
  ExpectMainThread(Q_FUNC_INFO);
  // A message from an abandoned query has nothing to say any more.
  if (!Running()) return;
  if (wParam == kCddbNoMatch) {
    ended_ = true;
    lbQuery->hide();
    pnNoMatch->show();
    btStop->setText(QStringLiteral("Close"));
    adjustSize();
  } else if (wParam == kCddbFinished) {
    ended_ = true;
    if (std::optional<TCddbResult> result = handOver_->TakeResult())
      ApplyCddbResult(*result, OptionsSetting.CDInfo, target_);
    done(QDialog::Accepted);
  }
}

void TfrmStopQuery::btStopClick() { reject(); }

void TfrmStopQuery::reject() {
  AbandonQuery();
  QDialog::reject();
}

void TfrmStopQuery::AbandonQuery() {
  if (Running()) ended_ = true;
  if (handOver_) handOver_->Abandon();
}
