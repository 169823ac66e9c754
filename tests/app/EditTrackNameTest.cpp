// The rename dialog on its own.
#include "app/EditTrackName.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

TEST(EditTrackNameTest, CaptionsAndSelectedTextOnShow) {
  TfrmEditTrackName dialog;
  dialog.SetName("Track02");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "Rename Track Title");
  EXPECT_EQ(dialog.btnOK->text(), "&OK");
  EXPECT_EQ(dialog.btnCancel->text(), "&Cancel");
  EXPECT_EQ(dialog.eName->selectedText(), "Track02");
  EXPECT_TRUE(dialog.btnOK->isEnabled());
}

TEST(EditTrackNameTest, OkFollowsWhetherTheFieldHoldsText) {
  TfrmEditTrackName dialog;
  dialog.SetName("");
  EXPECT_FALSE(dialog.btnOK->isEnabled());
  QTest::keyClicks(dialog.eName, "I");
  EXPECT_TRUE(dialog.btnOK->isEnabled());
  QTest::keyClick(dialog.eName, Qt::Key_Backspace);
  EXPECT_FALSE(dialog.btnOK->isEnabled());
}

TEST(EditTrackNameTest, EnterAcceptsEvenWhenEmptyAndCancelKeepsTheTitle) {
  {
    QString title = "Old";
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->eName->clear();
      QTest::keyClick(dialog->eName, Qt::Key_Return);
    });
    EXPECT_TRUE(EditTrackTitle(nullptr, &title));
    EXPECT_EQ(title, "");
  }
  {
    QString title = "Old";
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTest::keyClicks(dialog->eName, "New");
      dialog->btnCancel->click();
    });
    EXPECT_FALSE(EditTrackTitle(nullptr, &title));
    EXPECT_EQ(title, "Old");
  }
  {
    QString title = "Old";
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      // Typing replaces the selected text.
      QTest::keyClicks(dialog->eName, "Intro");
      dialog->btnOK->click();
    });
    EXPECT_TRUE(EditTrackTitle(nullptr, &title));
    EXPECT_EQ(title, "Intro");
  }
}
