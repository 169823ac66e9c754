#pragma once

#include "encoders/ChildProcessRunner.h"

// Encodes WAV to WMA with trackwell-wmaenc (program folder, then PATH).
// Progress: one posted Code 100 message when the utility reports "100%".
// End of job, sent (handled before the runner goes on): Code 5000 with
// Status 0 (declined, or the utility was not found), 1 (output in use),
// 2 (the child has exited) or 8 (it printed an error line, in Elapsed).
class TWMAEncodeProcess final : public TChildProcessRunner {
 public:
  // The utility's path, the quoted paths, the profile of WMAOptions.BitRate
  // (an index out of range is set back to 8) and, with ID3Use, the disc's
  // artist and comment. Each value is one argument of its own.
  TCommandLine BuildCommandLine(const QString& program) override;

  void ParseOutput(const QByteArray& chunk) override { ParseWmaOutput(chunk); }
  void ParseWmaOutput(const QByteArray& chunk);

  // The bit rate in kbit/s the utility said it encodes at instead of the
  // profile's (its "Note: ... encoding at N kbit/s" line); 0 while it said
  // nothing this run.
  int EncodedKbps = 0;

 protected:
  bool AsksBeforeOverwrite() const override { return JobKind != 1; }
  void EndOfJob(int32_t status, const QString& elapsed = QString()) override;
  // Status 8, as for an error line: the utility failed without printing one.
  void FailedEndOfJob() override;
  QString LocateProgram() override;
};

// N of a line "... encoding at N kbit/s", the utility's note that it raised
// a profile's bit rate; 0 for any other line.
int ParseWmaRateNote(const QString& line);

// The name the utility is looked for by.
inline constexpr const char* kWMAUtilityName = "trackwell-wmaenc";

// The process-wide WMA runner; the main window creates and frees it.
extern TWMAEncodeProcess* WMAEncodeProcess;
