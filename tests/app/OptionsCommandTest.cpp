// The Options action of the main window on two generated disc images.
#include "AppFixture.h"
#include "DiscImage.h"
#include "app/MainForm.h"
#include "app/TrackListView.h"
#include "options/OptionSetForm.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdDrives.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

class OptionsCommandTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    SetCdHardwareScan(false);
  }
  void TearDown() override {
    form.reset();
    SetCdHardwareScan(true);
    TAppTest::TearDown();
  }

  void WriteDisc(const TDiscDescription& disc, const QString& name) {
    QDir().mkpath(Path("discs"));
    QString error;
    ASSERT_TRUE(WriteDiscImage(disc, Path("discs/" + name + ".cue"), &error))
        << error.toStdString();
  }

  static TDiscDescription Disc(int tracks) {
    TDiscDescription disc;
    disc.Tracks.resize(tracks);
    for (TTrackDescription& track : disc.Tracks) track.Sectors = SecondsToSectors(2);
    return disc;
  }

  std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(OptionsCommandTest, OpensCentredAndOkWithDriveOneRebuildsTheList) {
  WriteDisc(Disc(2), "alpha");
  TDiscDescription beta = Disc(3);
  beta.Titles = {"One", "Two", "Three"};
  WriteDisc(beta, "beta");
  QString error;
  ASSERT_TRUE(WriteCatalogueSection(beta, Path("cdinfo.dat"), false, &error));
  QDir().mkpath(Path("Output"));  // the default output folder of a first run
  form = std::make_unique<TMainForm>();
  form->show();
  QCoreApplication::processEvents();
  const int32_t first = form->CDHandle();
  ASSERT_NE(first, 0);
  ASSERT_EQ(form->TrackList()->RowCount(), 2);

  QString title;
  bool modal = false;
  QPoint offset(99, 99);
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TOptionSetForm*>(QApplication::activeModalWidget());
    if (!dialog) return;
    title = dialog->windowTitle();
    modal = dialog->isModal();
    offset = dialog->frameGeometry().center() - form->frameGeometry().center();
    dialog->PageControl1->setCurrentWidget(dialog->tsCDROM);
    dialog->cbDevice->setCurrentIndex(1);
    dialog->btOK->click();
  });
  form->Actions().Options->trigger();  // returns once the dialog has closed

  EXPECT_EQ(title, "Options");
  EXPECT_TRUE(modal);
  EXPECT_LE(offset.manhattanLength(), 2);
  EXPECT_EQ(OptionsSetting.CDOptions.Index, 1);
  EXPECT_NE(form->CDHandle(), 0);
  EXPECT_EQ(CloseCDHandle(first), 0) << "the replaced handle was closed";
  ASSERT_EQ(form->TrackList()->RowCount(), 3);
  EXPECT_EQ(form->TrackList()->Title(0), "One");
  EXPECT_EQ(form->DriveText(), "Virtual beta");
  EXPECT_FALSE(QFile::exists(Path("options.ini"))) << "written only at exit";
}
