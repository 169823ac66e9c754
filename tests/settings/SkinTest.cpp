// The six looks: which sheet a skin number gives a window, and that each
// look's text stands out from its background.
#include "platform/ProgramFolder.h"
#include "settings/SharedRoutines.h"
#include "settings/SkinSheets.h"
#include "settings/Skins.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <set>

namespace {

// WCAG relative luminance and contrast ratio.
double Luminance(const QColor& color) {
  auto channel = [](double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
         0.0722 * channel(color.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(dir_.path());
    for (int i = 0; i < 6; ++i) {
      if (const char* name = SkinFileName(i)) {
        ASSERT_TRUE(
            QFile::copy(QString(TW_SOURCE_DIR) + "/data/skins/" + name, dir_.filePath(name)));
      }
    }
  }
  void TearDown() override { SetProgramFolder(QString()); }

  QString FileText(const char* name) const {
    QFile file(dir_.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
  }

  QTemporaryDir dir_;
};

}  // namespace

TEST_F(SkinTest, EachNumberGivesItsLookAtCreationAndOthersTheDesignedOne) {
  const struct {
    int Index;
    const char* File;
  } looks[] = {{0, "DiamondBlue.ssk"}, {1, "RealOne.ssk"}, {2, nullptr},
               {3, nullptr},           {4, nullptr},       {5, "matrix.ssk"}};
  std::set<QString> sheets;
  for (const auto& look : looks) {
    QWidget window;
    ApplySkin(&window, look.Index);
    const QString expected =
        look.File ? FileText(look.File) : QString::fromUtf8(BuiltInSkinSheet(look.Index));
    EXPECT_FALSE(expected.isEmpty()) << look.Index;
    EXPECT_EQ(window.styleSheet(), expected) << look.Index;
    EXPECT_EQ(window.property(kLinkColorProperty).value<QColor>(), SheetLinkColor(expected))
        << look.Index;
    sheets.insert(expected);
  }
  EXPECT_EQ(sheets.size(), 6u);

  for (int outside : {-1, 6, 1000}) {
    QWidget window;
    ApplySkin(&window, 5);
    ApplySkin(&window, outside);
    EXPECT_TRUE(window.styleSheet().isEmpty()) << outside;
  }
}

TEST_F(SkinTest, AMissingSkinFileLeavesTheDesignedLook) {
  ASSERT_TRUE(QFile::remove(dir_.filePath("matrix.ssk")));
  QWidget window;
  ApplySkin(&window, 5);
  EXPECT_TRUE(window.styleSheet().isEmpty());
  EXPECT_TRUE(SkinLook(5).Sheet.isEmpty());
}

TEST_F(SkinTest, TextStandsOutFromItsBackgroundInEveryLook) {
  for (int index = 0; index < 6; ++index) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel("Did you know...", &window);
    auto* list = new QTreeWidget(&window);
    auto* button = new QPushButton("&Close", &window);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(button);
    ApplySkin(&window, index);
    window.ensurePolished();
    for (QWidget* w : std::initializer_list<QWidget*>{label, list, button}) w->ensurePolished();
    const QPalette& w = window.palette();
    // The palette is the sheet's, not the toolkit's.
    EXPECT_NE(w.color(QPalette::Window), QApplication::palette().color(QPalette::Window)) << index;
    EXPECT_GE(Contrast(w.color(QPalette::WindowText), w.color(QPalette::Window)), 7.0) << index;
    EXPECT_GE(Contrast(SkinLook(index).Link, w.color(QPalette::Window)), 4.5) << index;
    const QPalette& l = list->palette();
    EXPECT_GE(Contrast(l.color(QPalette::Text), l.color(QPalette::Base)), 7.0) << index;
    EXPECT_GE(Contrast(l.color(QPalette::HighlightedText), l.color(QPalette::Highlight)), 4.5)
        << index;
  }
}

TEST_F(SkinTest, LinkLabelsTakeTheLookOfTheirWindow) {
  QWidget window;
  auto* link = new QLabel(&window);
  SetLinkLabel(link, "https://a.test/?x=1&y=2", "A <link>");
  EXPECT_EQ(link->text(), "<a href=\"https://a.test/?x=1&amp;y=2\">A &lt;link&gt;</a>");
  ApplySkin(&window, 5);
  EXPECT_EQ(link->text(), "<a href=\"https://a.test/?x=1&amp;y=2\"><span style=\"color:" +
                              SkinLook(5).Link.name() + "\">A &lt;link&gt;</span></a>");
  ApplySkin(&window, -1);
  EXPECT_FALSE(link->text().contains("span"));
}
