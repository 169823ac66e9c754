#pragma once

#include <QColor>
#include <QString>

// A look: a Qt style sheet for a window and everything in it, plus the
// colour of links in rich-text labels, which style sheets cannot set. The
// sheet names its link colour in a comment ("link-color: #rrggbb").
struct TSkinLook {
  QString Sheet;  // empty: the window's designed look
  QColor Link;    // invalid: the toolkit's
};

// The skin file of a skin number, without a folder: "DiamondBlue.ssk" (0),
// "RealOne.ssk" (1), "matrix.ssk" (5); nullptr for the built-in looks and
// numbers outside 0..5.
const char* SkinFileName(int skinIndex);

// The look a skin number selects: a skin file beside the program or a
// built-in sheet. Outside 0..5, or when the skin file cannot be read, the
// designed look (an empty sheet).
TSkinLook SkinLook(int skinIndex);

// The link colour a sheet names; invalid when it names none.
QColor SheetLinkColor(const QString& sheet);

class QLabel;
// Makes the label a link to url showing text, in the link colour of the
// look its window has (ApplySkin renders it again when the look changes).
// Main thread only.
void SetLinkLabel(QLabel* label, const QString& url, const QString& text);
// Renders a link label in its window's link colour; other labels are left
// alone.
void RenderLinkLabel(QLabel* label);

// The window property ApplySkin keeps the look's link colour in.
inline constexpr const char* kLinkColorProperty = "twLinkColor";
