#include "app/TipsForm.h"

#include "app/Addresses.h"
#include "app/ModalDialog.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <random>

const std::vector<QStringList>& TipPages() {
  static const std::vector<QStringList> pages = {
      {"Why does the software show no CD devices found?",
       "Perhaps incorrect ASPI driver.Please install latest ASPI",
       "driver,you can search and downlaod ForceASPI from",
       " internet and run INSTASPI.BAT.Or download drivers", QString::fromLatin1(kAspiMakerText)},
      {"Support for normalization of audio files. ",
       "Some CDs are recorded with different volume levels,and",
       "some MP3 files may also have different volume levels,",
       "with normalization function, you can make all output MP3",
       "or WAV files in the same volume level.",
       "If \"Normalize\" is checked,normalization will be performed",
       "when ripping CD and decoding MP3 to WAV files."},
      {"Clear the play list of RealOne Player and Windows",
       "Media Player. You can clear the play list of RealOne",
       "Player and Windows Media Player when them not run."},
      {"Record from microphone or line in,save to Wav or Mp3. ",
       "You can record your voice from microphone or other",
       "audio from line in.The output format is Wav or Mp3 or", "All based on your choice."},
      {"Easy to use interface that allows you to rip tracks of",
       "your Audio CD just by several clicks. You can select",
       "the track you want to rip and click Extract to start", "to extract. It's too easy."},
      {"CD ripper,Mp3 or OGG converter Rip selected tracks",
       "from audio CD and convert them to MP3 or OGG format",
       "or save as WAV format. The result is MP3 or WAV or", "OGG format based on your choice.",
       "You can select the format from options setting."},
      {"Trackwell is an easy to use CD ripper",
       "that allows you to extract audio files from a CD and",
       "convert them to MP3 or or WAV OGG format."},
      {"Gets information from remote CDDB server.You",
       "can get CD information from freedb database such", "as track titles."},
  };
  return pages;
}

TfrmTips::TfrmTips(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("Trackwell Tip of the Day");
  lblHeading = new QLabel("Did you know...", this);
  QFont heading = lblHeading->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.4);
  lblHeading->setFont(heading);
  lblTip = new QLabel(this);
  lblTip->setTextFormat(Qt::PlainText);
  lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Room for the longest page, so the window keeps its size page to page.
  lblTip->setMinimumHeight(lblTip->fontMetrics().lineSpacing() * 8);
  lblTip->setMinimumWidth(lblTip->fontMetrics().horizontalAdvance(
                              "with normalization function, you can make all output MP3") +
                          24);

  cbShowTips = new QComboBox(this);
  cbShowTips->addItems({"Always show tips at startup", "Never show tips at startup "});
  btnNextTip = new QPushButton("&Next Tip", this);
  btnClose = new QPushButton("&Close", this);
  btnClose->setDefault(true);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cbShowTips);
  bottom->addStretch(1);
  bottom->addWidget(btnNextTip);
  bottom->addWidget(btnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addWidget(lblTip, 1);
  layout->addLayout(bottom);

  connect(btnNextTip, &QPushButton::clicked, this, [this] { btnNextTipClick(); });
  connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

  cbShowTips->setCurrentIndex(OptionsSetting.IsShowTips ? 0 : 1);
  std::mt19937 random(
      static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<int> anyPage(0, static_cast<int>(TipPages().size()) - 1);
  ShowPage(anyPage(random));
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void TfrmTips::ShowPage(int index) {
  const int count = static_cast<int>(TipPages().size());
  page_ = ((index % count) + count) % count;
  lblTip->setText(TipPages()[page_].join('\n'));
}

QString TfrmTips::PageText() const { return lblTip->text(); }

void TfrmTips::btnNextTipClick() { ShowPage(page_ + 1); }

void TfrmTips::btnCloseClick() {
  const bool show = cbShowTips->currentIndex() == 0;
  if (show != OptionsSetting.IsShowTips) {
    OptionsSetting.IsShowTips = show;
    SaveSettings();
  }
  accept();
}

void ShowTipOfTheDay(QWidget* owner) {
  TfrmTips dialog(owner);
  ExecModal(dialog);
}
