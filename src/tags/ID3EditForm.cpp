#include "tags/ID3EditForm.h"

#include "platform/Dialogs.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"
#include "tags/DigitKeyFilter.h"
#include "tags/Id3Genres.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("ID3 Tag Edit");
const QString kFilter = QStringLiteral("Index files (*.mp3)|*.mp3");
constexpr int kMaxShortString = 255;

QLineEdit* MakeEdit(QWidget* parent, int maxLength) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(maxLength);
  return edit;
}

}  // namespace

TfrmID3Edit::TfrmID3Edit(QWidget* parent) : QDialog(parent) {
  setWindowTitle(kCaption);
  BuildLayout();
  connect(btLoadTag, &QPushButton::clicked, this, &TfrmID3Edit::btLoadTagClick);
  connect(btSaveTag, &QPushButton::clicked, this, &TfrmID3Edit::btSaveTagClick);
  connect(btSaveAs, &QPushButton::clicked, this, &TfrmID3Edit::btSaveAsClick);
  connect(btRemoveTag, &QPushButton::clicked, this, &TfrmID3Edit::btRemoveTagClick);
  connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void TfrmID3Edit::BuildLayout() {
  auto* group = new QGroupBox(QStringLiteral("ID3 Tag"), this);
  ID3title = MakeEdit(group, 30);
  ID3artist = MakeEdit(group, 30);
  ID3album = MakeEdit(group, 30);
  ID3year = MakeEdit(group, 4);
  ID3comment = MakeEdit(group, 30);
  ID3track = MakeEdit(group, 2);
  ID3track->installEventFilter(new TDigitKeyFilter(ID3track));
  // Pasting bypasses the key filter; the validator keeps the field digits.
  ID3track->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ID3track));
  ID3genre = new QComboBox(group);
  ID3genre->setEditable(false);
  ID3genre->addItem(QString());
  ID3genre->addItems(GenreNames());
  ID3genre->setMaxVisibleItems(16);

  auto* grid = new QGridLayout(group);
  const auto addRow = [&](int row, const char* label, QWidget* field) {
    auto* caption = new QLabel(QString::fromLatin1(label), group);
    caption->setBuddy(field);
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1, 1, 3);
  };
  addRow(0, "Title:", ID3title);
  addRow(1, "Artist:", ID3artist);
  addRow(2, "Album:", ID3album);
  grid->addWidget(new QLabel(QStringLiteral("Year:"), group), 3, 0);
  grid->addWidget(ID3year, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("Genre:"), group), 3, 2, Qt::AlignRight);
  grid->addWidget(ID3genre, 3, 3);
  addRow(4, "Comment:", ID3comment);
  grid->addWidget(new QLabel(QStringLiteral("Track #:"), group), 5, 0);
  grid->addWidget(ID3track, 5, 1);
  grid->setColumnStretch(3, 1);
  ID3year->setFixedWidth(ID3year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  ID3track->setFixedWidth(ID3year->width());
  ID3title->setMinimumWidth(ID3title->fontMetrics().averageCharWidth() * 34);

  btLoadTag = new QPushButton(QStringLiteral("&Load Tag..."), this);
  btSaveTag = new QPushButton(QStringLiteral("&Save Tag"), this);
  btRemoveTag = new QPushButton(QStringLiteral("&Remove Tag"), this);
  btSaveAs = new QPushButton(QStringLiteral("&Save As..."), this);
  btClose = new QPushButton(QStringLiteral("&Close"), this);
  for (QPushButton* button : {btLoadTag, btSaveTag, btRemoveTag, btSaveAs, btClose})
    button->setAutoDefault(false);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btLoadTag);
  buttons->addWidget(btSaveTag);
  buttons->addWidget(btRemoveTag);
  buttons->addWidget(btSaveAs);
  buttons->addStretch(1);
  buttons->addWidget(btClose);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmID3Edit::AskFile() {
  TFileDialogRequest request;
  request.Filter = kFilter;
  const QStringList chosen = Dialogs().OpenFiles(this, request);
  return chosen.isEmpty() ? QString() : chosen.first();
}

void TfrmID3Edit::btLoadTagClick() {
  const QString path = AskFile();
  if (path.isEmpty()) return;
  if (id3_.ReadTag(path) < 256) {
    TagToFields();
  } else {
    ClearForm();
  }
  SetChosenFile(path);
}

void TfrmID3Edit::btSaveTagClick() {
  FieldsToTag();
  if (id3_.WriteTag(QStringLiteral("=")) >= 256)
    ShowMessage(this, QStringLiteral("Could not save Tag!"), TMsgIcon::Information);
}

void TfrmID3Edit::btSaveAsClick() {
  const QString path = AskFile();
  if (path.isEmpty()) return;
  FieldsToTag();
  if (id3_.WriteTag(path) >= 256) {
    ShowMessage(this, QStringLiteral("Could not save Tag!"), TMsgIcon::Information);
    return;
  }
  SetChosenFile(path);
}

void TfrmID3Edit::btRemoveTagClick() {
  // No is the default: Enter must not destroy a tag.
  if (ShowMessage(this, QStringLiteral("Do you want to remove these tags?"), TMsgIcon::Information,
                  TMsgButtons::YesNo, TMsgDefault::No) != TMsgResult::Yes)
    return;
  id3_.RemoveTag();
  ClearForm();
}

void TfrmID3Edit::FieldsToTag() {
  id3_.SetTitle(ID3title->text().left(kMaxShortString));
  id3_.SetArtist(ID3artist->text().left(kMaxShortString));
  id3_.SetAlbum(ID3album->text().left(kMaxShortString));
  id3_.SetYear(ID3year->text().left(kMaxShortString));
  id3_.SetComment(ID3comment->text().left(kMaxShortString));
  const int position = ID3genre->currentIndex();
  id3_.Genre = GenreToByte(position);  // -1 (no selection) and 0 give 255
  bool ok = false;
  const int track = ID3track->text().toInt(&ok);
  if (ok && track >= 0 && track <= 255) id3_.SetTrack(static_cast<uint8_t>(track));
}

void TfrmID3Edit::TagToFields() {
  ID3title->setText(id3_.Title());
  ID3artist->setText(id3_.Artist());
  ID3album->setText(id3_.Album());
  ID3year->setText(id3_.Year());
  ID3comment->setText(id3_.Comment());
  ID3genre->setCurrentIndex(ByteToGenre(id3_.Genre));
  ID3track->setText(QString::number(id3_.Track()));
}

void TfrmID3Edit::ClearForm() {
  ID3title->clear();
  ID3artist->clear();
  ID3album->clear();
  ID3year->clear();
  ID3genre->setCurrentIndex(-1);
  ID3comment->clear();
  ID3track->setText(QStringLiteral("0"));
}

void TfrmID3Edit::SetChosenFile(const QString& path) {
  setWindowTitle(kCaption + QStringLiteral(": ") + path);
  UpdateButtons();
}

void TfrmID3Edit::UpdateButtons() {
  const bool chosen = windowTitle() != kCaption;
  btSaveTag->setEnabled(chosen);
  btRemoveTag->setEnabled(chosen);
}
