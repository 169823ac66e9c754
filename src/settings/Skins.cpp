#include "settings/Skins.h"

#include "platform/ProgramFolder.h"
#include "platform/UserFile.h"
#include "settings/SkinSheets.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcSkins, "trackwell.settings.skins")

namespace {

// A style sheet is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxSkinFileBytes = 1 << 20;

}  // namespace

const char* SkinFileName(int skinIndex) {
  switch (skinIndex) {
    case 0:
      return "DiamondBlue.ssk";
    case 1:
      return "RealOne.ssk";
    case 5:
      return "matrix.ssk";
    default:
      return nullptr;
  }
}

QColor SheetLinkColor(const QString& sheet) {
  static const QRegularExpression pattern("link-color:\\s*(#[0-9a-fA-F]{6})");
  const QRegularExpressionMatch match = pattern.match(sheet);
  return match.hasMatch() ? QColor(match.captured(1)) : QColor();
}

TSkinLook SkinLook(int skinIndex) {
  TSkinLook look;
  if (const char* builtIn = BuiltInSkinSheet(skinIndex)) {
    look.Sheet = QString::fromUtf8(builtIn);
  } else if (const char* file = SkinFileName(skinIndex)) {
    const QString path = ProgramFolder() + QString::fromLatin1(file);
    const std::optional<QByteArray> text = ReadRegularFile(path, kMaxSkinFileBytes);
    if (!text) {
      // The window keeps its designed look; nothing else depends on it.
      qCWarning(lcSkins) << "cannot read the skin file" << path;
      return look;
    }
    look.Sheet = QString::fromUtf8(*text);
  }
  look.Link = SheetLinkColor(look.Sheet);
  return look;
}

void SetLinkLabel(QLabel* label, const QString& url, const QString& text) {
  label->setProperty("twLinkUrl", url);
  label->setProperty("twLinkText", text);
  label->setTextFormat(Qt::RichText);
  label->setCursor(Qt::PointingHandCursor);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  RenderLinkLabel(label);
}

void RenderLinkLabel(QLabel* label) {
  const QVariant url = label->property("twLinkUrl");
  if (!url.isValid()) return;
  const QString text = label->property("twLinkText").toString().toHtmlEscaped();
  const QColor color = label->window()->property(kLinkColorProperty).value<QColor>();
  const QString shown =
      color.isValid() ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(color.name(), text)
                      : text;
  label->setText(
      QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toString().toHtmlEscaped(), shown));
}
