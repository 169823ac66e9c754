#pragma once

#include "options/OptionSetLogic.h"

#include <QDialog>

#include <exception>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

// The modal "Options" dialog: six pages of controls over TOptionSetLogic,
// which loads them from OptionsSetting and stores them on OK. The window only
// copies between its controls and a TOptionsView, keeps the enabling rules
// and moves the focus. Main thread only.
class TOptionSetForm final : public QDialog {
  Q_OBJECT

 public:
  // host runs the drive change of OK; null skips it.
  explicit TOptionSetForm(QWidget* parent = nullptr, TOptionsDriveHost* host = nullptr);

  // Where an error raised by OK goes (the application's default handler);
  // unset, it is shown in an error box.
  void SetErrorHandler(std::function<void(const std::exception&)> handler);

  TOptionsView ControlsToView() const;
  const TOptionSetLogic& Logic() const { return logic_; }

  // OK's checks, store and drive change; throws what the store throws.
  void btOKClick();
  void btBrowseClick();
  void btLameDefaultClick();
  void btWmaDefaultClick();

  QTabWidget* PageControl1 = nullptr;
  QWidget* tsOutput = nullptr;
  QWidget* tsLame = nullptr;
  QWidget* tsOgg = nullptr;
  QWidget* tsWma = nullptr;
  QWidget* tsID3 = nullptr;
  QWidget* tsCDROM = nullptr;

  QLineEdit* edOutputFolder = nullptr;
  QPushButton* btBrowse = nullptr;
  QCheckBox* cbDeleteWav = nullptr;
  QComboBox* cbFormat = nullptr;
  QCheckBox* cbNormalize = nullptr;
  QSpinBox* sePercent = nullptr;
  QCheckBox* cbEnableRipTime = nullptr;
  QLineEdit* edRipTime = nullptr;

  QCheckBox* cbVBR = nullptr;
  QCheckBox* cbVBRHead = nullptr;
  QComboBox* cbMinBitRate = nullptr;
  QComboBox* cbMaxBitRate = nullptr;
  QComboBox* cbVBRQuality = nullptr;
  QComboBox* cbMpegQuality = nullptr;
  QComboBox* cbStereoMode = nullptr;
  QPushButton* btLameDefault = nullptr;

  QCheckBox* cbUseQuality = nullptr;
  QSlider* tbQuality = nullptr;
  QComboBox* cbOggNominal = nullptr;
  QComboBox* cbOggMax = nullptr;
  QComboBox* cbOggMin = nullptr;

  QComboBox* cbWmaBitRate = nullptr;
  QPushButton* btWmaDefault = nullptr;

  QCheckBox* cbUseID3 = nullptr;
  QLineEdit* edArtist = nullptr;
  QLineEdit* edAlbum = nullptr;
  QLineEdit* edYear = nullptr;
  QLineEdit* edComment = nullptr;
  QComboBox* cbGenre = nullptr;

  QComboBox* cbDevice = nullptr;

  QPushButton* btOK = nullptr;
  QPushButton* btCancel = nullptr;

 private:
  // One builder per page (OptionSetPages.cpp).
  QWidget* BuildOutputPage();
  QWidget* BuildLamePage();
  QWidget* BuildOggPage();
  QWidget* BuildWmaPage();
  QWidget* BuildID3Page();
  QWidget* BuildCDROMPage();

  void OutputToControls(const TOptionsView& view);
  void LameToControls(const TOptionsView& view);
  void OggToControls(const TOptionsView& view);
  void WmaToControls(const TOptionsView& view);
  void ID3ToControls(const TOptionsView& view);
  void DevicesToControls(const TOptionsView& view);
  void UpdateEnabling();
  void PageControl1Change(int index);
  void OKClicked();

  TOptionSetLogic logic_;
  TOptionsDriveHost* host_ = nullptr;
  std::function<void(const std::exception&)> errorHandler_;
};
