#include "encoders/Mp3EncodeProcess.h"

#include "encoders/EncoderOutput.h"
#include "encoders/OutputLines.h"
#include "encoders/ProgramSearch.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"

TMp3EncodeProcess* Mp3EncodeProcess = nullptr;

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
  const QStringList paths{SourceFile, DestFile};
  for (const QString& line : SplitOutputLines(chunk)) {
    if (const auto p = ParseLameEncodeLine(line, &ProgressColumn, paths))
      PostProgress(p->Percent, p->Elapsed, p->Estimated);
  }
}

void TMp3EncodeProcess::ParseDecodeOutput(const QByteArray& chunk) {
  const QStringList paths{SourceFile, DestFile};
  for (const QString& line : SplitOutputLines(chunk)) {
    if (const auto p = ParseLameDecodeLine(line, &ProgressColumn, paths, SecondsSince(StartTime)))
      PostProgress(p->Percent, p->Elapsed, p->Estimated);
  }
}

void TMp3EncodeProcess::EndOfJob(int32_t status, const QString& elapsed) {
  TProcessInfo info;
  info.Code = 2000;
  info.Elapsed = elapsed;
  info.Status = status;
  PostProcessInfo(NotifyWindow, info);
}
