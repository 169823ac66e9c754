#include "encoders/WMAEncodeProcess.h"

#include "encoders/EncoderOutput.h"
#include "encoders/OutputLines.h"
#include "encoders/ProgramSearch.h"
#include "encoders/WMAProfiles.h"
#include "platform/Dialogs.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"

#include <QApplication>

TWMAEncodeProcess* WMAEncodeProcess = nullptr;

QString TWMAEncodeProcess::LocateProgram() {
  const QString found = FindHelperProgram(QString::fromLatin1(kWMAUtilityName));
  if (found.isEmpty()) {
    ShowMessage(QApplication::activeWindow(),
                QStringLiteral("Can not find WMA encoder, please reinstall Trackwell: "
                               "trackwell-wmaenc belongs in the program folder or on the PATH. "
                               "Trackwell has no support address; Trackwell.html beside the "
                               "program has the help."),
                TMsgIcon::Information);
    EndOfJob(0);
  }
  return found;
}

int ParseWmaRateNote(const QString& line) { return ParseWmaLine(line).Kbps; }

TCommandLine TWMAEncodeProcess::BuildCommandLine(const QString& program) {
  TCommandLine c;
  EncodedKbps = 0;  // built once per Start: a new run has said nothing yet
  // Decoding is not this utility's job: nothing to start.
  if (!Encode) return c;
  c.Text = program;
  c.Arguments.append(program);
  c.AddSwitchPath(QStringLiteral("-input"), SourceFile);
  c.AddSwitchPath(QStringLiteral("-output"), DestFile);
  const int profile = ValidWMAProfileIndex(OptionsSetting.WMAOptions.BitRate);
  c.AddSwitchValue(QStringLiteral("-a_setting"), QString::fromLatin1(WMAProfileTable[profile]));
  if (OptionsSetting.ID3Use) {
    const TCDInfo& disc = OptionsSetting.CDInfo;
    if (!disc.Artist.isEmpty()) c.AddSwitchValue(QStringLiteral("-author"), disc.Artist);
    if (!disc.Comment.isEmpty()) c.AddSwitchValue(QStringLiteral("-description"), disc.Comment);
  }
  return c;
}

void TWMAEncodeProcess::ParseWmaOutput(const QByteArray& chunk) {
  for (const QString& line : SplitOutputLines(chunk)) {
    const TWmaLine parsed = ParseWmaLine(line);
    if (parsed.Error) {
      // The utility is ending anyway; stop it now so that neither it nor its
      // monitor can act on the job that the window starts next.
      StopChild(false);
      EndOfJob(8, line);
      return;
    }
    if (parsed.Kbps > 0) EncodedKbps = parsed.Kbps;
    if (parsed.Done) {
      int seconds = SecondsSince(StartTime);
      if (seconds == 0) seconds = 1;
      TProcessInfo info;
      info.Code = 100;
      info.Elapsed = ClockText(seconds);
      info.Estimated = info.Elapsed;
      PostProcessInfo(NotifyWindow, info);
    }
  }
}

void TWMAEncodeProcess::EndOfJob(int32_t status, const QString& elapsed) {
  TProcessInfo info;
  info.Code = 5000;
  info.Elapsed = elapsed;
  info.Status = status;
  SendProcessInfo(NotifyWindow, info);
}

void TWMAEncodeProcess::FailedEndOfJob() {
  EndOfJob(8, QStringLiteral("ERROR: the WMA encoder failed; ") + DestFile +
                  QStringLiteral(" was not written."));
}
