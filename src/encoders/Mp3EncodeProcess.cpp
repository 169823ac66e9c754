#include "encoders/Mp3EncodeProcess.h"

#include "encoders/OutputLines.h"
#include "encoders/ProgramSearch.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"

TMp3EncodeProcess* Mp3EncodeProcess = nullptr;

namespace {

// Reads a trimmed decimal number; fallback when it is none.
int ToIntOr(const QString& text, int fallback) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  return ok ? value : fallback;
}

// Text from a 1-based column, as many characters as there are.
QString Columns(const QString& line, int column, int count) {
  if (column < 1) return QString();
  return line.mid(column - 1, count);
}

}  // namespace

QString TMp3EncodeProcess::LocateProgram() {
  const QString found = FindHelperProgram(QStringLiteral("lame"));
  // Not found: starting the bare name fails with the system's own error.
  return found.isEmpty() ? QStringLiteral("lame") : found;
}

TCommandLine TMp3EncodeProcess::BuildCommandLine(const QString& program) {
  TCommandLine c;
  c.Text = QStringLiteral("lame.exe");
  c.Arguments.append(program);
  if (!Encode) {
    c.AddSwitch(QStringLiteral("--decode"));
    c.AddQuotedPath(SourceFile);
    c.AddQuotedPath(DestFile);
    return c;
  }
  const TMp3Options& o = OptionsSetting.Mp3Options;
  c.AddHiddenArgument(QStringLiteral("--nohist"));
  c.AddSwitchValue(QStringLiteral("-b"), QString::number(o.BitRate));
  static const char* const kModes[] = {"s", "j", "f", "d", "m"};
  if (o.StereoMode >= 0 && o.StereoMode <= 4)
    c.AddSwitchValue(QStringLiteral("-m"), QString::fromLatin1(kModes[o.StereoMode]));
  if (o.MpegQuality == 1) c.AddSwitch(QStringLiteral("-f"));
  if (o.MpegQuality == 2) c.AddSwitch(QStringLiteral("-h"));
  if (o.IsSelectVBR) {
    c.AddSwitchValue(QStringLiteral("-V"), QString::number(o.VBRQuality));
    c.AddSwitchValue(QStringLiteral("-B"), QString::number(o.MaxBitRate));
    if (o.IsVBRHead) c.AddSwitch(QStringLiteral("-t"));
  }
  c.AddQuotedPath(SourceFile);
  c.AddQuotedPath(DestFile);
  return c;
}

void TMp3EncodeProcess::ParseOutput(const QByteArray& chunk) {
  if (Encode) {
    ParseEncodeOutput(chunk);
  } else {
    ParseDecodeOutput(chunk);
  }
}

bool TMp3EncodeProcess::EchoesAPath(const QString& line, QChar marker) const {
  for (const QString& path : {SourceFile, DestFile}) {
    if (path.contains(marker) && line.contains(path)) return true;
  }
  return false;
}

void TMp3EncodeProcess::PostProgress(int percent, const QString& elapsed,
                                     const QString& estimated) {
  TProcessInfo info;
  info.Code = percent;
  info.Elapsed = elapsed;
  info.Estimated = estimated;
  info.Status = 0;
  PostProcessInfo(NotifyWindow, info);
}

void TMp3EncodeProcess::ParseEncodeOutput(const QByteArray& chunk) {
  for (const QString& line : SplitOutputLines(chunk)) {
    if (!line.contains(QLatin1Char('%')) || EchoesAPath(line, QLatin1Char('%'))) continue;
    if (ProgressColumn == 0) ProgressColumn = static_cast<int32_t>(line.indexOf('%') + 1) - 3;
    if (ProgressColumn == 0) continue;
    QString p = Columns(line, ProgressColumn, 3).trimmed();
    if (p.startsWith(QLatin1Char('('))) p.remove(0, 1);
    const int percent = ToIntOr(p, 0);
    const QString elapsed = Columns(line, 21, 8).trimmed();
    const QString estimated = Columns(line, 30, 8).trimmed();
    if (percent >= 1 && percent <= 100) PostProgress(percent, elapsed, estimated);
  }
}

void TMp3EncodeProcess::ParseDecodeOutput(const QByteArray& chunk) {
  for (const QString& line : SplitOutputLines(chunk)) {
    if (EchoesAPath(line, QLatin1Char('#'))) continue;
    if (ProgressColumn == 0 && line.contains(QLatin1Char('#')))
      ProgressColumn = static_cast<int32_t>(line.indexOf('#') + 1) + 1;
    if (ProgressColumn == 0) continue;
    const int frame = ToIntOr(Columns(line, ProgressColumn, 6), -1);
    const int total = ToIntOr(Columns(line, ProgressColumn + 7, 6), -1);
    if (frame == -1 || total <= 0) continue;
    const int seconds = SecondsSince(StartTime);
    const int percent = static_cast<int>(static_cast<long long>(frame) * 100 / total);
    if (percent == 0) continue;
    const QString elapsed = ClockText(seconds);
    const QString estimated = ClockText(static_cast<int>(RoundHalfEven(seconds * 100.0 / percent)));
    if (percent >= 1 && percent <= 100) PostProgress(percent, elapsed, estimated);
  }
}

void TMp3EncodeProcess::EndOfJob(int32_t status, const QString& elapsed) {
  TProcessInfo info;
  info.Code = 2000;
  info.Elapsed = elapsed;
  info.Status = status;
  PostProcessInfo(NotifyWindow, info);
}
