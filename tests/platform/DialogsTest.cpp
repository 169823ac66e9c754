#include "platform/Dialogs.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Runs the real Qt seam: once the box is up, records it and presses Enter's
// button (the default), as a user pressing Enter would.
struct TSeenBox {
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QString DefaultText;
};

TSeenBox ShowAndPressDefault(TMsgButtons buttons, TMsgDefault def, TMsgIcon icon,
                             TMsgResult* result) {
  TSeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.Title = box->windowTitle();
    seen.Text = box->text();
    seen.Icon = box->icon();
    if (box->defaultButton()) {
      seen.DefaultText = box->defaultButton()->text().remove('&');
      box->defaultButton()->click();
    } else {
      box->reject();
    }
  });
  *result = ShowMessage(nullptr, "Sure?", icon, buttons, def);
  return seen;
}

TEST(QtDialogSeamTest, CaptionIconAndNoAsDefault) {
  TMsgResult result{};
  const TSeenBox seen =
      ShowAndPressDefault(TMsgButtons::YesNo, TMsgDefault::No, TMsgIcon::Information, &result);
  EXPECT_EQ(seen.Title, "Trackwell");
  EXPECT_EQ(seen.Text, "Sure?");
  EXPECT_EQ(seen.Icon, QMessageBox::Information);
  EXPECT_EQ(seen.DefaultText, "No");
  EXPECT_EQ(result, TMsgResult::No);
}

TEST(QtDialogSeamTest, FirstButtonIsTheDefaultOtherwise) {
  TMsgResult result{};
  const TSeenBox seen =
      ShowAndPressDefault(TMsgButtons::YesNo, TMsgDefault::First, TMsgIcon::Error, &result);
  EXPECT_EQ(seen.Icon, QMessageBox::Critical);
  EXPECT_EQ(seen.DefaultText, "Yes");
  EXPECT_EQ(result, TMsgResult::Yes);
}

TEST(QtFilterTest, PipeFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFilterFromPipes("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"),
            "Sound file(*.wav) (*.wav);;Any file(*.*) (*.*)");
  EXPECT_EQ(QtFilterFromPipes("A|*.a;*.b"), "A (*.a *.b)");
  EXPECT_EQ(QtFilterFromPipes(""), "");
}

}  // namespace
