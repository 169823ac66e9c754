#include "ScriptedDialogs.h"
#include "TagTestFiles.h"
#include "tags/ID3EditForm.h"
#include "tags/Id3Genres.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tagtest;

namespace {

class ID3Editor : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString File(const QString& name, const QByteArray& tail = {}) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(WriteBytes(path, AudioBytes(600) + tail));
    return path;
  }
  static QByteArray SampleTag() {
    return RawTag("Loaded Title", "Loaded Artist", "Loaded Album", "2001",
                  QByteArray("Loaded comment") + QByteArray(14, '\0') + '\0' + char(5), 17);
  }
  void Load(const QString& path) {
    dialogs_.OpenAnswers.push_back({path});
    form_.btLoadTagClick();
  }
  Tid3tag ReadBack(const QString& path) {
    Tid3tag tag;
    EXPECT_LT(tag.ReadTag(path), 256) << path.toStdString();
    return tag;
  }
  static QString Caption(const QString& path) { return "ID3 Tag Edit: " + path; }
  // exec() that gives up with -1 instead of hanging when nothing ends it.
  int ExecGuarded() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &form_, [this] { form_.done(-1); });
    guard.start(20000);
    return form_.exec();
  }

  QTemporaryDir dir_;
  TScriptedDialogs dialogs_;
  TfrmID3Edit form_{nullptr};
};

}  // namespace

TEST_F(ID3Editor, StartsWithoutAFileAndWithTheFieldLimits) {
  EXPECT_EQ(form_.windowTitle(), "ID3 Tag Edit");
  EXPECT_FALSE(form_.btSaveTag->isEnabled());
  EXPECT_FALSE(form_.btRemoveTag->isEnabled());
  EXPECT_TRUE(form_.btLoadTag->isEnabled());
  EXPECT_TRUE(form_.btSaveAs->isEnabled());
  EXPECT_EQ(form_.ID3title->maxLength(), 30);
  EXPECT_EQ(form_.ID3artist->maxLength(), 30);
  EXPECT_EQ(form_.ID3album->maxLength(), 30);
  EXPECT_EQ(form_.ID3year->maxLength(), 4);
  EXPECT_EQ(form_.ID3comment->maxLength(), 30);
  EXPECT_EQ(form_.ID3track->maxLength(), 2);
  ASSERT_EQ(form_.ID3genre->count(), 149);
  EXPECT_TRUE(form_.ID3genre->itemText(0).isEmpty());
  for (int i = 1; i < 149; ++i) EXPECT_EQ(form_.ID3genre->itemText(i), GenreNames().at(i - 1));
  EXPECT_FALSE(form_.ID3genre->isEditable());
}

TEST_F(ID3Editor, TrackFieldTakesOnlyDigitsAndBackspace) {
  form_.show();
  form_.ID3track->setFocus();
  QTest::keyClicks(form_.ID3track, "a1-b ");
  EXPECT_EQ(form_.ID3track->text(), "1");
  QTest::keyClicks(form_.ID3track, "x2y3");
  EXPECT_EQ(form_.ID3track->text(), "12");  // two digits at most
  QTest::keyClick(form_.ID3track, Qt::Key_Backspace);
  EXPECT_EQ(form_.ID3track->text(), "1");
  QTest::keyClick(form_.ID3track, Qt::Key_Left);
  QTest::keyClick(form_.ID3track, Qt::Key_Delete);
  EXPECT_TRUE(form_.ID3track->text().isEmpty());
  // Text put in by other means than typing stays digits, too.
  form_.ID3track->clear();
  form_.ID3track->insert("7x");
  EXPECT_EQ(form_.ID3track->text(), "");
}

TEST_F(ID3Editor, TrackFieldLeavesTheDialogKeysAlone) {
  form_.show();
  QApplication::setActiveWindow(&form_);
  form_.ID3track->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  ASSERT_EQ(QApplication::focusWidget(), form_.ID3track);
  QTest::keyClick(form_.ID3track, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), form_.ID3track);

  form_.ID3track->setFocus();
  QTimer::singleShot(0, form_.ID3track,
                     [this] { QTest::keyClick(form_.ID3track, Qt::Key_Escape); });
  EXPECT_EQ(ExecGuarded(), QDialog::Rejected);
}

TEST_F(ID3Editor, LoadFillsTheFormAndChoosesTheFile) {
  const QString path = File("loaded.mp3", SampleTag());
  Load(path);
  ASSERT_EQ(dialogs_.FileRequests.size(), 1u);
  EXPECT_EQ(dialogs_.FileRequests[0].Filter, "Index files (*.mp3)|*.mp3");
  EXPECT_EQ(form_.ID3title->text(), "Loaded Title");
  EXPECT_EQ(form_.ID3artist->text(), "Loaded Artist");
  EXPECT_EQ(form_.ID3album->text(), "Loaded Album");
  EXPECT_EQ(form_.ID3year->text(), "2001");
  EXPECT_EQ(form_.ID3comment->text(), "Loaded comment");
  EXPECT_EQ(form_.ID3genre->currentText(), "Rock");
  EXPECT_EQ(form_.ID3track->text(), "5");
  EXPECT_EQ(form_.windowTitle(), Caption(path));
  EXPECT_TRUE(form_.btSaveTag->isEnabled());
  EXPECT_TRUE(form_.btRemoveTag->isEnabled());
  EXPECT_TRUE(dialogs_.Messages.empty());
}

TEST_F(ID3Editor, CancelledLoadChangesNothing) {
  form_.ID3title->setText("typed");
  form_.btLoadTagClick();  // no answer queued: cancel
  EXPECT_EQ(form_.ID3title->text(), "typed");
  EXPECT_EQ(form_.windowTitle(), "ID3 Tag Edit");
  EXPECT_FALSE(form_.btSaveTag->isEnabled());
}

TEST_F(ID3Editor, TagWithoutTrackOrGenreLoadsAsZeroAndEmpty) {
  const QString path = File("plain.mp3", RawTag("Plain", "", "", "", "no track here", 255));
  Load(path);
  EXPECT_EQ(form_.ID3track->text(), "0");
  EXPECT_EQ(form_.ID3genre->currentIndex(), 0);
  EXPECT_EQ(form_.ID3comment->text(), "no track here");

  const QString odd = File("odd.mp3", RawTag("Odd", "", "", "", "", 200));
  Load(odd);  // genre 200 is no name of the list; still a successful read
  EXPECT_EQ(form_.ID3title->text(), "Odd");
  EXPECT_EQ(form_.ID3genre->currentIndex(), 0);
}

TEST_F(ID3Editor, LoadWithoutTagClearsTheFormAndSaveAddsOne) {
  form_.ID3title->setText("old");
  form_.ID3genre->setCurrentIndex(5);
  form_.ID3track->setText("9");
  const QString path = File("untagged.mp3");
  Load(path);
  EXPECT_TRUE(form_.ID3title->text().isEmpty());
  EXPECT_EQ(form_.ID3genre->currentIndex(), -1);
  EXPECT_EQ(form_.ID3track->text(), "0");
  EXPECT_EQ(form_.windowTitle(), Caption(path));
  EXPECT_TRUE(form_.btSaveTag->isEnabled());

  form_.ID3title->setText("Fresh");
  form_.ID3year->setText("1985");
  form_.btSaveTag->click();
  EXPECT_TRUE(dialogs_.Messages.empty());
  EXPECT_EQ(QFileInfo(path).size(), 728);
  const Tid3tag tag = ReadBack(path);
  EXPECT_EQ(tag.Title(), "Fresh");
  EXPECT_EQ(tag.Year(), "1985");
  EXPECT_EQ(tag.Genre, 255);  // no genre selected
  EXPECT_FALSE(tag.HasTrack());
}

TEST_F(ID3Editor, SaveWritesEveryFieldBack) {
  const QString path = File("edit.mp3", SampleTag());
  Load(path);
  form_.ID3title->setText(QString::fromUtf8("Neuer Titel äö"));
  form_.ID3artist->setText("New Artist");
  form_.ID3comment->setText("New comment");
  form_.ID3genre->setCurrentIndex(GenreIndexOfName("Jazz") + 1);
  form_.ID3track->setText("12");
  form_.btSaveTag->click();
  EXPECT_TRUE(dialogs_.Messages.empty());
  EXPECT_EQ(QFileInfo(path).size(), 728);
  const Tid3tag tag = ReadBack(path);
  EXPECT_EQ(tag.Title(), QString::fromUtf8("Neuer Titel äö"));
  EXPECT_EQ(tag.Artist(), "New Artist");
  EXPECT_EQ(tag.Album(), "Loaded Album");
  EXPECT_EQ(tag.Comment(), "New comment");
  EXPECT_EQ(tag.Genre, 8);
  EXPECT_EQ(tag.Track(), 12);

  form_.ID3genre->setCurrentIndex(0);  // the empty entry: no genre
  form_.btSaveTag->click();
  EXPECT_EQ(ReadBack(path).Genre, 255);
}

TEST_F(ID3Editor, EmptiedTrackFieldKeepsTheTagsTrack) {
  const QString path = File("keep.mp3", SampleTag());
  Load(path);
  form_.ID3track->clear();
  form_.ID3title->setText("Still track five");
  form_.btSaveTag->click();
  const Tid3tag tag = ReadBack(path);
  EXPECT_EQ(tag.Title(), "Still track five");
  EXPECT_EQ(tag.Track(), 5);
}

TEST_F(ID3Editor, FailedSaveShowsTheMessageAndKeepsTheFields) {
  const QString path = File("locked.mp3", SampleTag());
  Load(path);
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
  const QByteArray before = ReadBytes(path);
  form_.ID3title->setText("Not saved");
  form_.btSaveTag->click();
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_EQ(dialogs_.Messages[0].Text, "Could not save Tag!");
  EXPECT_EQ(dialogs_.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_EQ(dialogs_.Messages[0].Buttons, TMsgButtons::Ok);
  EXPECT_EQ(form_.ID3title->text(), "Not saved");
  EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(ID3Editor, SaveAsMakesTheOtherFileTheTarget) {
  const QString first = File("first.mp3", SampleTag());
  const QString second = File("second.mp3");
  Load(first);
  form_.ID3title->setText("Copied");
  dialogs_.OpenAnswers.push_back({second});
  form_.btSaveAsClick();
  EXPECT_TRUE(dialogs_.Messages.empty());
  EXPECT_EQ(dialogs_.FileRequests.back().Filter, "Index files (*.mp3)|*.mp3");
  EXPECT_EQ(form_.windowTitle(), Caption(second));
  EXPECT_EQ(ReadBack(second).Title(), "Copied");
  EXPECT_EQ(ReadBack(second).Track(), 5);

  form_.ID3title->setText("Second only");
  form_.btSaveTag->click();
  EXPECT_EQ(ReadBack(second).Title(), "Second only");
  EXPECT_EQ(ReadBack(first).Title(), "Loaded Title");
}

TEST_F(ID3Editor, SaveAsWithoutAFileChosenEnablesSaveTag) {
  const QString target = File("target.mp3");
  form_.ID3title->setText("From scratch");
  dialogs_.OpenAnswers.push_back({target});
  form_.btSaveAs->click();
  EXPECT_EQ(form_.windowTitle(), Caption(target));
  EXPECT_TRUE(form_.btSaveTag->isEnabled());
  EXPECT_EQ(ReadBack(target).Title(), "From scratch");
}

TEST_F(ID3Editor, SaveAsToANewNameFailsAndKeepsTheTitle) {
  const QString first = File("first.mp3", SampleTag());
  Load(first);
  const QString missing = dir_.filePath("new.mp3");
  dialogs_.OpenAnswers.push_back({missing});
  form_.btSaveAsClick();
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_EQ(dialogs_.Messages[0].Text, "Could not save Tag!");
  EXPECT_EQ(form_.windowTitle(), Caption(first));
  EXPECT_FALSE(QFileInfo::exists(missing));
  EXPECT_EQ(form_.Tag().FileName(), first);

  form_.btSaveAsClick();  // cancelled
  EXPECT_EQ(dialogs_.Messages.size(), 1u);
}

TEST_F(ID3Editor, SaveAfterAFailedLoadNeverTouchesTheEarlierFile) {
  const QString first = File("first.mp3", SampleTag());
  Load(first);
  const QByteArray before = ReadBytes(first);
  const QString gone = dir_.filePath("gone.mp3");
  Load(gone);  // the chosen file vanished before it could be read
  EXPECT_EQ(form_.windowTitle(), Caption(gone));
  EXPECT_TRUE(form_.ID3title->text().isEmpty());
  form_.btSaveTag->click();
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_EQ(dialogs_.Messages[0].Text, "Could not save Tag!");
  EXPECT_EQ(ReadBytes(first), before);
  EXPECT_FALSE(QFileInfo::exists(gone));
}

TEST_F(ID3Editor, RemoveAsksFirstAndClearsOnYes) {
  const QString path = File("remove.mp3", SampleTag());
  Load(path);
  form_.btRemoveTag->click();  // unanswered question: No
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_EQ(dialogs_.Messages[0].Text, "Do you want to remove these tags?");
  EXPECT_EQ(dialogs_.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_EQ(dialogs_.Messages[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(dialogs_.Messages[0].Default, TMsgDefault::No);
  EXPECT_EQ(QFileInfo(path).size(), 728);
  EXPECT_EQ(form_.ID3title->text(), "Loaded Title");

  dialogs_.Answers.push_back(TMsgResult::Yes);
  form_.btRemoveTag->click();
  EXPECT_EQ(ReadBytes(path), AudioBytes(600));
  EXPECT_TRUE(form_.ID3title->text().isEmpty());
  EXPECT_TRUE(form_.ID3comment->text().isEmpty());
  EXPECT_EQ(form_.ID3genre->currentIndex(), -1);
  EXPECT_EQ(form_.ID3track->text(), "0");
  EXPECT_EQ(form_.windowTitle(), Caption(path));
}

TEST_F(ID3Editor, RemoveOnAReadOnlyFileSaysNothing) {
  const QString path = File("ro.mp3", SampleTag());
  Load(path);
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
  dialogs_.Answers.push_back(TMsgResult::Yes);
  form_.btRemoveTag->click();
  EXPECT_EQ(dialogs_.Messages.size(), 1u);  // only the question
  EXPECT_EQ(QFileInfo(path).size(), 728);
}

TEST_F(ID3Editor, CloseEndsExecWithCancel) {
  QTimer::singleShot(0, form_.btClose, &QPushButton::click);
  EXPECT_EQ(ExecGuarded(), QDialog::Rejected);
}

TEST_F(ID3Editor, RendersForReview) {
  Load(File("shot.mp3", SampleTag()));
  form_.show();
  QApplication::processEvents();
  const QPixmap shot = form_.grab();
  ASSERT_FALSE(shot.isNull());
  EXPECT_GT(shot.width(), 300);
  const QString out = QDir(TW_BUILD_DIR).filePath("tags-id3edit.png");
  EXPECT_TRUE(shot.save(out));
  EXPECT_GT(QFileInfo(out).size(), 0);
}
