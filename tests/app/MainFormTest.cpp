// The main window on generated disc images, offscreen.
#include "AppFixture.h"
#include "DiscImage.h"
#include "MessageSink.h"
#include "app/EditTrackName.h"
#include "app/MainForm.h"
#include "app/TrackListView.h"
#include "cd/MediaWatcher.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "settings/CDInfo.h"
#include "settings/ProfileFile.h"
#include "tags/ID3EditForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>

#include <csignal>
#include <memory>

#include <signal.h>

namespace {

// Tracks of the given lengths in seconds, no gaps.
TDiscDescription Disc(std::initializer_list<int> seconds) {
  TDiscDescription disc;
  double frequency = 330.0;
  for (int s : seconds) {
    TTrackDescription track;
    track.Sectors = SecondsToSectors(s);
    track.FrequencyHz = frequency;
    frequency += 110.0;
    disc.Tracks.push_back(track);
  }
  return disc;
}

TDiscDescription FiveTracks() { return Disc({20, 25, 30, 35, 40}); }

QStringList MenuTexts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions())
    texts << (action->isSeparator() ? QString("-") : action->text());
  return texts;
}

}  // namespace

class MainFormTest : public TAppTest {
 protected:
  void WriteDisc(const TDiscDescription& disc, const QString& name = "disc") {
    QDir().mkpath(Path("discs"));
    QString error;
    ASSERT_TRUE(WriteDiscImage(disc, Path("discs/" + name + ".cue"), &error))
        << error.toStdString();
  }

  void WriteCatalogue(const TDiscDescription& disc) {
    QString error;
    ASSERT_TRUE(WriteCatalogueSection(disc, Path("cdinfo.dat"), false, &error))
        << error.toStdString();
  }

  // Creates and shows the window and lets the activation step run.
  void Open() {
    form = std::make_unique<TMainForm>();
    form->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }

  void Close() {
    ASSERT_TRUE(form);
    form->close();
    form.reset();
  }

  TTrackListView* List() const { return form->TrackList(); }

  QString DiscKey(const TDiscDescription& disc) const { return DiscKeyFromId(DiscIdOf(disc)); }

  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, WindowFrameMenusAndToolBar) {
  Open();
  EXPECT_EQ(form->windowTitle(), "Trackwell");
  const TMainActions& a = form->Actions();

  const QList<QAction*> bar = form->menuBar()->actions();
  ASSERT_EQ(bar.size(), 4);
  EXPECT_EQ(bar[0]->text(), "&File");
  EXPECT_EQ(bar[1]->text(), "&Actions");
  EXPECT_EQ(bar[2]->text(), "&Edit");
  EXPECT_EQ(bar[3]->text(), "&Help");

  EXPECT_EQ(MenuTexts(a.FileMenu),
            QStringList({"WA&V to WAV...", "&WAV to MP3...", "&MP3 to WAV...", "WAV to O&GG...",
                         "WAV to WM&A...", "-", "&Open output directory...", "-", "&Refresh", "-",
                         "&Eject CD", "&Close CD", "-", "Change &Skin", "-", "E&xit"}));
  EXPECT_EQ(MenuTexts(a.ChangeSkin), QStringList({"&Diamond Blue", "&RealOne", "Win &XP",
                                                  "&Deep Blue", "&Protein", "&Matrix"}));
  EXPECT_EQ(MenuTexts(a.ActionsMenu),
            QStringList({"E&xtract", "-", "&Record...", "-", "Ogg Player", "-", "&Play", "P&ause",
                         "&Stop", "-", "&Volume Control...", "-", "&Clear History"}));
  EXPECT_EQ(MenuTexts(a.EditMenu),
            QStringList({"Select &All", "Select &None", "-", "&Query Freedb", "-", "Rename &Title",
                         "&ID3 Tag Edit", "-", "&Options..."}));
  EXPECT_EQ(MenuTexts(a.HelpMenu),
            QStringList({"&Help", "&Tip of the Day", "-", "Home &Page", "-", "&About..."}));
  EXPECT_EQ(MenuTexts(a.PopupMenu),
            QStringList({"E&xtract", "-", "Select &All", "Select &None", "-", "&Play", "P&ause",
                         "&Stop", "-", "Rename &Title"}));

  QStringList buttons;
  for (QAction* action : a.ToolBar->actions())
    buttons << (action->isSeparator() ? QString("-") : action->iconText());
  EXPECT_EQ(buttons, QStringList({"Extract", "-", "Encode", "-", "Record", "-", "Freedb", "-",
                                  "Options", "-", "Exit", "-"}));

  EXPECT_EQ(a.Extract->shortcut(), QKeySequence("Ctrl+X"));
  EXPECT_EQ(a.Extract->toolTip(), "Extract the selected track");
  EXPECT_EQ(a.WavToMp3->shortcut(), QKeySequence("Ctrl+W"));
  EXPECT_EQ(a.WavToMp3->toolTip(), "Convert  WAV file to MP3 file");
  EXPECT_EQ(a.Mp3ToWav->toolTip(), "Convert  MP3 file to WAV file");
  EXPECT_EQ(a.RenameTitle->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_EQ(a.SelectNone->toolTip(), "Cancel selected track");
  EXPECT_EQ(a.EjectCD->shortcut(), QKeySequence("Ctrl+E"));
  EXPECT_EQ(a.CloseCD->shortcut(), QKeySequence("Ctrl+L"));
  EXPECT_EQ(a.Help->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(a.HomePage->toolTip(), "Trackwell Home Page");

  const QTreeWidgetItem* header = List()->headerItem();
  EXPECT_EQ(header->text(0), "No.");
  EXPECT_EQ(header->text(1), "Title");
  EXPECT_EQ(header->text(2), "Length(min)");
  EXPECT_EQ(header->text(3), "Size(MB)");
  EXPECT_EQ(List()->columnWidth(0), 90);
  EXPECT_EQ(List()->columnWidth(1), 230);
  EXPECT_EQ(List()->columnWidth(2), 100);
  EXPECT_EQ(List()->columnWidth(3), 90);
  EXPECT_FALSE(List()->isSortingEnabled());
  EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(List()->editTriggers(), QAbstractItemView::NoEditTriggers);
  Close();
}

TEST_F(MainFormTest, LayoutKeepsTenPixelMarginsUnderTheToolBar) {
  Open();
  form->resize(700, 520);
  QCoreApplication::processEvents();
  const QWidget* client = form->centralWidget();
  const QRect list = List()->geometry();
  const QRect status = form->findChild<QWidget*>("StatusBar1")->geometry();
  EXPECT_EQ(list.left(), 10);
  EXPECT_EQ(list.width(), client->width() - 20);
  EXPECT_EQ(list.top(), 0);  // the client area starts under the tool bar
  EXPECT_EQ(status.left(), 10);
  EXPECT_EQ(status.width(), client->width() - 20);
  EXPECT_EQ(status.bottom() + 1, client->height() - 10);
  EXPECT_EQ(list.bottom() + 1, status.top());
  Close();
}

TEST_F(MainFormTest, FirstRunListsEveryTrackTickedAndWritesBothFilesAtExit) {
  const TDiscDescription disc = FiveTracks();
  WriteDisc(disc);
  ASSERT_FALSE(QFile::exists(Path("options.ini")));
  Open();

  ASSERT_EQ(List()->RowCount(), 5);
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(List()->Title(row), QString("Track0%1").arg(row + 1));
    EXPECT_EQ(List()->topLevelItem(row)->text(0), QString::number(row + 1));
    EXPECT_TRUE(List()->Checked(row)) << row;
  }
  // 25 seconds: 00:25 and 25 * 176400 bytes = 4.21 MB.
  EXPECT_EQ(List()->topLevelItem(1)->text(2), "00:25");
  EXPECT_EQ(List()->topLevelItem(1)->text(3), "04.21");
  EXPECT_EQ(List()->topLevelItem(4)->text(2), "00:40");
  EXPECT_EQ(form->StatusText(), form->Drive().DriveDescription(0));
  EXPECT_EQ(form->DriveText(), form->StatusText());
  EXPECT_TRUE(form->Actions().Extract->isEnabled());
  EXPECT_TRUE(form->Actions().QueryFreedb->isEnabled());
  EXPECT_FALSE(form->Actions().RenameTitle->isEnabled());  // nothing selected yet
  EXPECT_FALSE(form->Actions().Stop->isEnabled());
  EXPECT_TRUE(Dialog.Messages.empty());

  Close();
  EXPECT_TRUE(QFile::exists(Path("options.ini")));
  ASSERT_TRUE(QFile::exists(Path("cdinfo.dat")));
  TProfileFile catalogue(Path("cdinfo.dat"));
  EXPECT_EQ(catalogue.ReadInteger(DiscKey(disc), "TrackNumber", -1), 5);
  EXPECT_EQ(catalogue.ReadString(DiscKey(disc), "3", ""), "Track03");
}

TEST_F(MainFormTest, CatalogueTitleShowsAndNamesTheJobItem) {
  TDiscDescription disc = FiveTracks();
  disc.Titles = {"Opening", "Intro", "Middle", "Fourth", "Coda"};
  WriteDisc(disc);
  WriteCatalogue(disc);
  Open();
  MakeOutputFolder();
  ASSERT_EQ(List()->RowCount(), 5);
  EXPECT_EQ(List()->Title(1), "Intro");

  form->Actions().SelectNone->trigger();
  EXPECT_FALSE(form->Actions().Extract->isEnabled());
  List()->SetChecked(1, true);
  EXPECT_TRUE(form->Actions().Extract->isEnabled());
  form->Actions().Extract->trigger();
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].JobKind, kJobRipTracks);
  EXPECT_EQ(Jobs[0].CDHandle, form->CDHandle());
  EXPECT_NE(Jobs[0].CDHandle, 0);
  EXPECT_EQ(Jobs[0].Owner, form.get());
  EXPECT_EQ(Jobs[0].List, QStringList({"02Intro"}));
  Close();
}

TEST_F(MainFormTest, TickingRowsOneAndThreeOfFive) {
  WriteDisc(FiveTracks());
  Open();
  MakeOutputFolder();
  form->Actions().SelectNone->trigger();
  List()->SetChecked(0, true);
  List()->SetChecked(2, true);
  form->Actions().Extract->trigger();
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].List, QStringList({"01Track01", "03Track03"}));
  Close();
}

TEST_F(MainFormTest, CtrlClickTogglesTheClickedRowsTick) {
  WriteDisc(FiveTracks());
  Open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTreeWidgetItem* item = List()->topLevelItem(2);
  const QPoint centre = List()->visualItemRect(item).center() + QPoint(120, 0);  // on the title
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier, centre);
  EXPECT_EQ(List()->SelectedRow(), 2);
  EXPECT_FALSE(List()->Checked(2));
  EXPECT_TRUE(List()->Checked(1));
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier, centre);
  EXPECT_EQ(List()->SelectedRow(), 2);
  EXPECT_TRUE(List()->Checked(2));
  // A plain click selects and leaves the tick alone.
  const QPoint other = List()->visualItemRect(List()->topLevelItem(3)).center() + QPoint(120, 0);
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier, other);
  EXPECT_EQ(List()->SelectedRow(), 3);
  EXPECT_TRUE(List()->Checked(3));
  EXPECT_TRUE(form->Actions().RenameTitle->isEnabled());
  Close();
}

TEST_F(MainFormTest, SelectShortcutsWorkWhileTheListHasTheFocus) {
  WriteDisc(FiveTracks());
  Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_N, Qt::ControlModifier);
  for (int row = 0; row < 5; ++row) EXPECT_FALSE(List()->Checked(row)) << row;
  EXPECT_FALSE(form->Actions().Extract->isEnabled());
  QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(List()->Checked(row)) << row;
  EXPECT_TRUE(form->Actions().Extract->isEnabled());
  Close();
}

TEST_F(MainFormTest, RenamedTitleGoesIntoTheCatalogueAtExit) {
  const TDiscDescription disc = FiveTracks();
  WriteDisc(disc);
  Open();
  List()->SelectRow(3);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->eName->text(), "Track04");
    QTest::keyClicks(dialog->eName, "Ballad");
    dialog->btnOK->click();
  });
  form->Actions().RenameTitle->trigger();
  EXPECT_EQ(List()->Title(3), "Ballad");
  Close();
  TProfileFile catalogue(Path("cdinfo.dat"));
  EXPECT_EQ(catalogue.ReadString(DiscKey(disc), "4", ""), "Ballad");
  EXPECT_EQ(catalogue.ReadString(DiscKey(disc), "5", ""), "Track05");
}

TEST_F(MainFormTest, DoubleClickOnARowRenamesAndCancelKeepsTheTitle) {
  WriteDisc(FiveTracks());
  Open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  bool opened = false;
  QTimer::singleShot(0, [&opened] {
    auto* dialog = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opened = true;
    QTest::keyClicks(dialog->eName, "Never");
    dialog->btnCancel->click();
  });
  List()->SelectRow(0);
  emit List()->itemDoubleClicked(List()->topLevelItem(0), 1);
  EXPECT_TRUE(opened);
  EXPECT_EQ(List()->Title(0), "Track01");
  Close();
}

TEST_F(MainFormTest, ExtractAsksForAMissingFolderAndCreatesItOnYes) {
  WriteDisc(FiveTracks());
  const QString folder = Path("rips");
  Open();
  OptionsSetting.CommonOptions.OutputFolder = folder;

  Dialog.Answers.push_back(TMsgResult::No);
  form->Actions().Extract->trigger();
  EXPECT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_TRUE(Jobs.empty());

  Dialog.Answers.push_back(TMsgResult::Yes);
  form->Actions().Extract->trigger();
  EXPECT_EQ(Dialog.Messages.size(), 2u);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].List.size(), 5);
  Close();
}

TEST_F(MainFormTest, FolderThatCannotBeCreatedIsShownByTheErrorHandler) {
  WriteDisc(FiveTracks());
  Open();
  OptionsSetting.CommonOptions.OutputFolder = Path("no/such");
  Dialog.Answers.push_back(TMsgResult::Yes);
  form->Actions().Extract->trigger();
  ASSERT_EQ(Dialog.Messages.size(), 2u);
  EXPECT_EQ(Dialog.Messages[1].Text, "Cannot create " + Path("no/such"));
  EXPECT_EQ(Dialog.Messages[1].Icon, TMsgIcon::Error);
  EXPECT_TRUE(Jobs.empty());
  Close();
}

TEST_F(MainFormTest, LengthLimitThroughTheWindow) {
  WriteDisc(FiveTracks());
  Open();
  MakeOutputFolder();
  OptionsSetting.CommonOptions.EnableRipTime = true;
  OptionsSetting.CommonOptions.RipTime = 0;
  form->Actions().Extract->trigger();
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_TRUE(Jobs.empty());
  OptionsSetting.CommonOptions.RipTime = 30;
  form->Actions().Extract->trigger();
  EXPECT_EQ(Jobs.size(), 1u);
  Close();
}

TEST_F(MainFormTest, ConversionMenuItemsAskForFilesWithoutADisc) {
  Open();
  MakeOutputFolder();
  Dialog.OpenAnswers.push_back({Path("x.mp3")});
  form->Actions().Mp3ToWav->trigger();
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].JobKind, kJobMp3ToWav);
  EXPECT_EQ(Jobs[0].CDHandle, 0);

  // The menu's "&WAV to MP3..." runs the WAV to MP3 action.
  Dialog.OpenAnswers.push_back({Path("x.wav")});
  form->Actions().FileMenu->actions()[1]->trigger();
  ASSERT_EQ(Jobs.size(), 2u);
  EXPECT_EQ(Jobs[1].JobKind, kJobWavToMp3);

  // Cancel with the folder missing: nothing.
  OptionsSetting.CommonOptions.OutputFolder = Path("gone");
  Dialog.Messages.clear();
  form->Actions().WavToOgg->trigger();
  form->Actions().WavToWma->trigger();
  EXPECT_EQ(Jobs.size(), 2u);
  EXPECT_TRUE(Dialog.Messages.empty());
  Close();
}

TEST_F(MainFormTest, TagEditorOpensModallyOverTheWindow) {
  Open();
  bool opened = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TfrmID3Edit*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opened = true;
    EXPECT_EQ(dialog->parentWidget(), form.get());
    dialog->reject();
  });
  form->Actions().ID3TagEdit->trigger();
  EXPECT_TRUE(opened);
  Close();
}

TEST_F(MainFormTest, MatrixSkinIsCheckedAndSavedAsFive) {
  Open();
  const TMainActions& a = form->Actions();
  EXPECT_TRUE(a.SkinItems[0]->isChecked());
  a.SkinItems[5]->trigger();
  EXPECT_EQ(OptionsSetting.SkinIndex, 5);
  EXPECT_TRUE(a.SkinItems[5]->isChecked());
  EXPECT_EQ(a.SkinGroup->checkedAction(), a.SkinItems[5]);
  Close();
  TProfileFile settings(Path("options.ini"));
  EXPECT_EQ(settings.ReadInteger("Skin", "Index", -1), 5);

  // The next start checks the stored skin.
  OptionsSetting = TOptionsSetting{};
  Open();
  EXPECT_EQ(form->Actions().SkinGroup->checkedAction(), form->Actions().SkinItems[5]);
  Close();
}

TEST_F(MainFormTest, NoDriveAtAll) {
  Open();
  EXPECT_EQ(form->CDHandle(), 0);
  EXPECT_EQ(form->StatusText(), "No CD devices found!");
  EXPECT_EQ(List()->RowCount(), 0);
  EXPECT_FALSE(form->Actions().Extract->isEnabled());
  EXPECT_FALSE(form->Actions().QueryFreedb->isEnabled());
  form->ExtractExecute();
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "Please access CD devices rightly above all!");
  EXPECT_TRUE(Jobs.empty());
  Close();
  EXPECT_TRUE(QFile::exists(Path("options.ini")));
}

TEST_F(MainFormTest, SpareAspiLayerIsRenamedAndARestartAsked) {
  QFile spare(Path("DovaRuvo.dll"));
  ASSERT_TRUE(spare.open(QIODevice::WriteOnly));
  spare.close();
  Open();
  EXPECT_FALSE(QFile::exists(Path("DovaRuvo.dll")));
  EXPECT_TRUE(QFile::exists(Path("wnaspi32.dll")));
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text,
            "Configuration finished. Please exit the software and run again!");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  Close();

  // With both files present nothing is renamed.
  ASSERT_TRUE(spare.open(QIODevice::WriteOnly));
  spare.close();
  Dialog.Messages.clear();
  Open();
  EXPECT_TRUE(QFile::exists(Path("DovaRuvo.dll")));
  EXPECT_TRUE(Dialog.Messages.empty());
  Close();
}

TEST_F(MainFormTest, DataDiscGivesTheNoAudioMessageAndRefreshRepeatsIt) {
  TDiscDescription disc;
  TTrackDescription data;
  data.Sectors = SecondsToSectors(10);
  data.Content = TTrackContent::Data;
  disc.Tracks.push_back(data);
  WriteDisc(disc);
  Open();
  EXPECT_NE(form->CDHandle(), 0);
  EXPECT_TRUE(form->NoAudioCD());
  EXPECT_EQ(List()->RowCount(), 0);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "Please check if have Audio CD in your CD device.");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);

  form->Actions().Refresh->trigger();
  ASSERT_EQ(Dialog.Messages.size(), 2u);
  EXPECT_EQ(Dialog.Messages[1].Text, "Please check if have Audio CD in your CD device.");
  Close();
}

TEST_F(MainFormTest, RefreshReloadsCatalogueTitlesAndTicksEveryRow) {
  TDiscDescription disc = FiveTracks();
  disc.Titles = {"One", "Two", "Three", "Four", "Five"};
  WriteDisc(disc);
  WriteCatalogue(disc);
  Open();
  form->Actions().SelectNone->trigger();
  List()->SetTitle(0, "Renamed");
  form->Actions().Refresh->trigger();
  EXPECT_EQ(List()->Title(0), "One");
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(List()->Checked(row));
  EXPECT_TRUE(Dialog.Messages.empty());
  Close();
}

TEST_F(MainFormTest, RemovedAndInsertedDiscEmptiesAndRefillsUnticked) {
  const TDiscDescription disc = FiveTracks();
  WriteDisc(disc);
  Open();
  ASSERT_EQ(List()->RowCount(), 5);
  const QString cue = Path("discs/disc.cue");
  const QString moved = Path("disc.cue.away");
  ASSERT_TRUE(QFile::rename(cue, moved));
  form->MediaWatcher()->PollNow();
  EXPECT_EQ(List()->RowCount(), 0);
  EXPECT_FALSE(form->Actions().QueryFreedb->isEnabled());

  ASSERT_TRUE(QFile::rename(moved, cue));
  form->MediaWatcher()->PollNow();
  ASSERT_EQ(List()->RowCount(), 5);
  for (int row = 0; row < 5; ++row) EXPECT_FALSE(List()->Checked(row));
  Close();
}

TEST_F(MainFormTest, UnwritableCatalogueIsReportedAndEndsTheCloseSequence) {
  WriteDisc(FiveTracks());
  // A folder where the catalogue file belongs: every write to it fails.
  ASSERT_TRUE(QDir().mkpath(Path("cdinfo.dat")));
  Open();
  Close();
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_TRUE(Dialog.Messages[0].Text.startsWith("Unable to write to "))
      << Dialog.Messages[0].Text.toStdString();
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  // The sequence ended there: the settings were not written either.
  EXPECT_FALSE(QFile::exists(Path("options.ini")));
}

TEST_F(MainFormTest, ScreenshotOnTheDemoDisc) {
  const TDiscDescription disc = DemoDisc();
  WriteDisc(disc, "demo");
  WriteCatalogue(disc);
  Open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_EQ(List()->RowCount(), 5);
  for (int row = 0; row < List()->RowCount(); ++row) {
    EXPECT_TRUE(List()->Checked(row));
    EXPECT_FALSE(List()->Title(row).startsWith("Track")) << List()->Title(row).toStdString();
    EXPECT_FALSE(List()->topLevelItem(row)->text(3).isEmpty());
  }
  List()->SelectRow(1);
  QCoreApplication::processEvents();
  const QString file = QString(TW_BUILD_DIR) + "/mainwindow.png";
  EXPECT_TRUE(form->grab().save(file, "PNG"));
  EXPECT_GT(QFileInfo(file).size(), 0);
  Close();
}

TEST_F(MainFormTest, ClosingEndsARunningMp3Encoding) {
  // Five minutes of silence: lame needs a while for it, long enough to close
  // in the middle.
  const QString wav = Path("long.wav");
  {
    const uint32_t dataBytes = 300u * 44100u * 4u;
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray header("RIFF");
    auto put32 = [&header](uint32_t v) {
      for (int i = 0; i < 4; ++i) header.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&header](uint16_t v) {
      header.append(static_cast<char>(v & 0xFF));
      header.append(static_cast<char>(v >> 8));
    };
    put32(36 + dataBytes);
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    header.append("data");
    put32(dataBytes);
    ASSERT_EQ(file.write(header), 44);
    ASSERT_TRUE(file.resize(44 + dataBytes));
  }
  Open();
  ASSERT_NE(Mp3EncodeProcess, nullptr);
  ASSERT_NE(WMAEncodeProcess, nullptr);
  TMessageSink sink;
  TMp3EncodeProcess& runner = *Mp3EncodeProcess;
  runner.Active = true;
  runner.SourceFile = wav;
  runner.DestFile = Path("long.mp3");
  runner.NotifyWindow = &sink;
  runner.Encode = true;
  runner.JobKind = kJobWavToMp3;
  runner.Start();
  const pid_t child = runner.Child.ProcessId;
  ASSERT_GT(child, 0);
  // lame has started working once its first progress message arrives.
  ASSERT_TRUE(sink.WaitFor([&] { return !sink.Snapshot().empty(); }, 30000));
  ASSERT_TRUE(sink.WithCode(2000).empty()) << "lame ended before the window closed";

  form->close();
  EXPECT_FALSE(runner.Active);
  ASSERT_TRUE(runner.WaitForMonitors(5000));
  EXPECT_EQ(::kill(child, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  form.reset();
  EXPECT_EQ(Mp3EncodeProcess, nullptr);
  EXPECT_EQ(WMAEncodeProcess, nullptr);
}

TEST_F(MainFormTest, ExtractAndConversionsRunThroughTheJobRunnerWindow) {
  TDiscDescription disc = Disc({2, 2, 2});
  disc.Titles = {"Opening", "Intro", "Coda"};
  WriteDisc(disc);
  WriteCatalogue(disc);
  Open();
  const QString out = MakeOutputFolder();
  SetJobRunnerHook({});
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = modal->windowTitle();
      modal->grab().save(TW_BUILD_DIR "/ripform.png");  // to look at
    }
  });
  form->Actions().Extract->trigger();  // returns once the window has closed
  EXPECT_EQ(shown, "Extracting(01/03): Opening");
  for (const char* title : {"Opening", "Intro", "Coda"}) {
    EXPECT_TRUE(QFile::exists(out + "/" + title + ".mp3")) << title;
    EXPECT_FALSE(QFile::exists(out + "/" + title + ".wav")) << title;
  }
  Dialog.OpenAnswers.push_back({out + "/Intro.mp3"});
  form->Actions().Mp3ToWav->trigger();
  EXPECT_TRUE(QFileInfo(out + "/Intro.wav").size() > 44);
  EXPECT_TRUE(Dialog.Messages.empty());
  Close();
}

// After a real rip the window's status line gives the verdict of the
// checks; the test has no AccurateRip database, so no track is accurate.
TEST_F(MainFormTest, StatusLineGivesTheRipVerdict) {
  WriteDisc(Disc({2, 3}));
  SetJobRunnerHook({});
  Open();
  const QString folder = MakeOutputFolder();
  form->Actions().Extract->trigger();
  EXPECT_EQ(form->StatusText(), "0 of 2 tracks accurately ripped, 2 not present in AccurateRip");
  const QString log = QString::asprintf("%08x.log", DiscIdOf(Disc({2, 3})));
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({log, "Track01.mp3", "Track02.mp3"}));
  Close();
}
