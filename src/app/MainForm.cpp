#include "app/MainForm.h"

#include "app/AppErrors.h"
#include "app/AuxiliaryActions.h"
#include "app/CloseSequence.h"
#include "app/ConversionCommand.h"
#include "app/DriveControl.h"
#include "app/EditTrackName.h"
#include "app/ExtractCommand.h"
#include "app/FreedbCommand.h"
#include "app/HelpCommands.h"
#include "app/JobLauncher.h"
#include "app/NoDeviceHint.h"
#include "app/OptionsCommand.h"
#include "app/TipsForm.h"
#include "app/TrackListView.h"
#include "cd/MediaWatcher.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"
#include "tags/ID3EditForm.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcMainForm, "trackwell.app.mainform")

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  LoadSettings();

  setWindowTitle("Trackwell");
  actions_ = CreateMainActions(this);

  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  // The list and the status bar keep 10 pixels from the sides and the
  // bottom; the list starts right under the tool bar.
  layout->setContentsMargins(10, 0, 10, 10);
  layout->setSpacing(0);
  lvTracks = new TTrackListView(client);
  lvTracks->setObjectName("lvTracks");
  lvTracks->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(lvTracks, 1);
  StatusBar1 = new QStatusBar(client);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  statusPanel_ = new QLabel(StatusBar1);
  StatusBar1->addWidget(statusPanel_, 1);
  layout->addWidget(StatusBar1);
  setCentralWidget(client);

  resize(553, 460);
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  ApplySkin(this, OptionsSetting.SkinIndex);
  CheckCurrentSkin();

  // The two process-wide encoder runners live as long as this window.
  Mp3EncodeProcess = new TMp3EncodeProcess;
  WMAEncodeProcess = new TWMAEncodeProcess;

  TPlaybackView view;
  view.SelectedRow = [this] { return lvTracks->SelectedRow(); };
  view.RowCount = [this] { return lvTracks->RowCount(); };
  view.RowTitle = [this](int row) { return lvTracks->Title(row); };
  view.CDHandle = [this] { return drive_.CDHandle(); };
  view.DriveText = [this] { return driveText_; };
  view.SetStatusText = [this](const QString& text) { SetStatusText(text); };
  view.StateChanged = [this] { UpdateActions(); };
  playback_ = std::make_unique<TCdPlayback>(std::move(view));

  watcher_ = new TMediaWatcher(&drive_, this);
  connect(watcher_, &TMediaWatcher::Arrived, this, [this] { LoadTrackList(); });
  connect(watcher_, &TMediaWatcher::Removed, this, [this] {
    drive_.ClearRows();
    lvTracks->ClearRows();
  });

  ConnectActions();
  UpdateActions();
}

TMainForm::~TMainForm() {
  delete Mp3EncodeProcess;
  Mp3EncodeProcess = nullptr;
  delete WMAEncodeProcess;
  WMAEncodeProcess = nullptr;
}

QString TMainForm::StatusText() const { return statusPanel_->text(); }

void TMainForm::SetStatusText(const QString& text) { statusPanel_->setText(text); }

void TMainForm::ConnectActions() {
  const TMainActions& a = actions_;
  // Every handler runs guarded: an error it raises is shown, and the program
  // goes on.
  auto on = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, [this, handler] { RunGuarded(this, handler); });
  };
  on(a.Extract, [this] { ExtractExecute(); });
  on(a.SelectAll, [this] { SelectAllExecute(); });
  on(a.SelectNone, [this] { SelectNoneExecute(); });
  on(a.Options, [this] { OptionsExecute(); });
  on(a.Exit, [this] { close(); });
  on(a.WavToMp3, [this] { ConversionExecute(kJobWavToMp3); });
  on(a.Mp3ToWav, [this] { ConversionExecute(kJobMp3ToWav); });
  on(a.WavToOgg, [this] { ConversionExecute(kJobWavToOgg); });
  on(a.WavToWma, [this] { ConversionExecute(kJobWavToWma); });
  on(a.RenameTitle, [this] { RenameTitleExecute(); });
  on(a.Refresh, [this] { RefreshExecute(); });
  on(a.HomePage, [this] { HomePageExecute(); });
  on(a.Play, [this] { PlayExecute(); });
  on(a.Pause, [this] { PauseExecute(); });
  on(a.Stop, [this] { StopExecute(); });
  on(a.EjectCD, [this] { EjectCDExecute(); });
  on(a.CloseCD, [this] { CloseCDExecute(); });
  on(a.VolumeControl, [this] { VolumeControlExecute(); });
  on(a.ID3TagEdit, [this] { ID3TagEditExecute(); });
  on(a.QueryFreedb, [this] { QueryFreedbExecute(); });
  for (QAction* item : a.SkinItems) {
    const int index = item->data().toInt();
    on(item, [this, index] { SkinItemClick(index); });
  }
  // "Change &Skin" marks the current skin each time the submenu opens.
  connect(a.ChangeSkin, &QMenu::aboutToShow, this, [this] { CheckCurrentSkin(); });

  ConnectAuxiliaryActions(this, a);

  connect(lvTracks, &TTrackListView::RowsChanged, this, [this] { UpdateActions(); });
  connect(lvTracks, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (lvTracks->SelectedRow() >= 0) RunGuarded(this, [this] { RenameTitleExecute(); });
  });
  connect(lvTracks, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    actions_.PopupMenu->popup(lvTracks->viewport()->mapToGlobal(pos));
  });
}

void TMainForm::UpdateActions() {
  const TMainActions& a = actions_;
  const bool selected = lvTracks->SelectedRow() >= 0;
  a.Extract->setEnabled(lvTracks->AnyChecked());
  a.Play->setEnabled(selected);
  a.Pause->setEnabled(playback_->PauseEnabled());
  a.Stop->setEnabled(playback_->StopEnabled());
  a.RenameTitle->setEnabled(selected);
  a.QueryFreedb->setEnabled(lvTracks->RowCount() > 0);
}

void TMainForm::CheckCurrentSkin() {
  const int index = OptionsSetting.SkinIndex;
  for (QAction* item : actions_.SkinItems) item->setChecked(item->data().toInt() == index);
}

int32_t TMainForm::OpenDrive(int index) {
  const int32_t previous = drive_.CDHandle();
  const int32_t handle = drive_.OpenDrive(index);
  SetStatusText(drive_.StatusText());
  // Only the newest handle is kept; the one it replaces would stay open
  // until the program ends otherwise.
  if (previous != 0 && previous != handle && !CloseCD(previous))
    qCWarning(lcMainForm) << "could not close the previous CD handle" << previous;
  return handle;
}

void TMainForm::LoadTrackList() {
  drive_.LoadTrackList();
  if (drive_.CDHandle() == 0) return;
  lvTracks->SetRows(drive_.Rows());
  SetStatusText(drive_.StatusText());
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
  // Activation follows once the window is up and the event loop runs.
  QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { FormActivate(); }); });
}

void TMainForm::FormShow() {
  try {
    if (drive_.CDHandle() == 0) {
      drive_.OpenDrive(0);
      SetStatusText(drive_.StatusText());
    }
    if (drive_.CDHandle() != 0) {
      if (drive_.HasAudioCD())
        LoadTrackList();
      else
        noAudioCD_ = true;
      driveText_ = StatusText();
    }
  } catch (...) {
    // The window shows whatever the drive could tell.
    qCWarning(lcMainForm) << "opening the drive at start-up failed; the window shows what it has";
  }
  watcher_->Start();
}

void TMainForm::FormActivate() {
  if (drive_.CDHandle() == 0) {
    if (RenameAspiLayerIfNeeded()) {
      ShowMessage(this, "Configuration finished. Please exit the software and run again!",
                  TMsgIcon::Error);
      return;
    }
    ShowNoDeviceHint(this);
  }
  if (noAudioCD_)
    ShowMessage(this, "Please check if have Audio CD in your CD device.", TMsgIcon::Error);
  SelectAllExecute();
  if (OptionsSetting.IsShowTips) ShowTipOfTheDay(this);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  CloseQuery();
  closed_ = true;
  watcher_->Stop();
  try {
    FormClose();
  } catch (const std::exception& error) {
    // A refused write ends the sequence; the window still closes so the
    // user is never held in a program that cannot save.
    ShowApplicationError(this, error);
  }
  event->accept();
}

void TMainForm::CloseQuery() {
  // An encoder still running would outlive the window: end it first.
  if (Mp3EncodeProcess && Mp3EncodeProcess->Active) Mp3EncodeProcess->Stop(0);
  if (WMAEncodeProcess && WMAEncodeProcess->Active) WMAEncodeProcess->Stop(0);
}

void TMainForm::FormClose() {
  TCloseInput input;
  input.Owner = this;
  input.Titles = lvTracks->Titles();
  input.DiscKey = drive_.CurrentDiscKey();
  input.CDHandle = drive_.CDHandle();
  input.Playing = playback_->Playing();
  input.StopPlayer = [this] { StopExecute(); };
  RunCloseSequence(input);
}

void TMainForm::ExtractExecute() {
  TExtractInput input;
  input.Owner = this;
  input.CDHandle = drive_.CDHandle();
  input.Rows = lvTracks->Choices();
  input.IsPlaying = [this] { return actions_.Stop->isEnabled(); };
  input.StopPlayback = [this] { StopExecute(); };
  input.ShowStatus = [this](const QString& text) { SetStatusText(text); };
  ExecuteExtract(input);
}

void TMainForm::SelectAllExecute() { lvTracks->SetAllChecked(true); }

void TMainForm::SelectNoneExecute() { lvTracks->SetAllChecked(false); }

void TMainForm::OptionsExecute() { ExecuteOptions(this); }

void TMainForm::RenameTitleExecute() {
  const int row = lvTracks->SelectedRow();
  if (row < 0) return;
  QString title = lvTracks->Title(row);
  if (EditTrackTitle(this, &title)) lvTracks->SetTitle(row, title);
}

void TMainForm::ID3TagEditExecute() {
  TfrmID3Edit dialog(this);
  dialog.exec();
}

void TMainForm::QueryFreedbExecute() {
  TCddbTitleTarget target;
  target.AlignTitlesLeft = [this] { lvTracks->AlignTitlesLeft(); };
  target.SetTitle = [this](int row, const QString& title) { lvTracks->SetTitle(row, title); };
  ExecuteQueryFreedb(this, drive_.CDHandle(), target);
}

void TMainForm::ConversionExecute(uint8_t jobKind) { ExecuteConversion(this, jobKind); }

void TMainForm::RefreshExecute() {
  if (drive_.HasAudioCD()) {
    LoadTrackList();
    SelectAllExecute();
  } else {
    ShowMessage(this, "Please check if have Audio CD in your CD device.", TMsgIcon::Error);
  }
}

void TMainForm::HomePageExecute() { OpenHomePage(); }

void TMainForm::SkinItemClick(int skinIndex) {
  ApplySkin(this, skinIndex);
  OptionsSetting.SkinIndex = skinIndex;
  CheckCurrentSkin();
}

void TMainForm::PlayExecute() { playback_->PlayExecute(); }

void TMainForm::PauseExecute() { playback_->PauseExecute(); }

void TMainForm::StopExecute() { playback_->StopExecute(); }

void TMainForm::EjectCDExecute() { ::EjectCDExecute(drive_.CDHandle()); }

void TMainForm::CloseCDExecute() { ::CloseCDExecute(drive_.CDHandle()); }

void TMainForm::VolumeControlExecute() { ::VolumeControlExecute(); }
