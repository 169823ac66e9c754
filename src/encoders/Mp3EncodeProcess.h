#pragma once

#include "encoders/ChildProcessRunner.h"

// Encodes WAV to MP3 (Encode true) or decodes MP3 to WAV (Encode false)
// with lame, posting progress (Code 1..100) and one end-of-job message
// (Code 2000; Status 0 declined, 1 output in use, 2 the child has exited,
// 3 it failed)
// to NotifyWindow. lame is looked for in the program folder, then on PATH.
class TMp3EncodeProcess final : public TChildProcessRunner {
 public:
  // Text: "lame.exe ..." with the quoted paths, as shown to people; the
  // arguments start with program and add --nohist, which keeps lame's
  // bit-rate histogram (terminal escapes) out of the piped output.
  TCommandLine BuildCommandLine(const QString& program) override;

  void ParseOutput(const QByteArray& chunk) override;
  // Posts what ParseLameEncodeLine / ParseLameDecodeLine find in a chunk.
  void ParseEncodeOutput(const QByteArray& chunk);
  void ParseDecodeOutput(const QByteArray& chunk);

 protected:
  bool AsksBeforeOverwrite() const override { return JobKind != 1 && JobKind != 4; }
  void EndOfJob(int32_t status, const QString& elapsed = QString()) override;
  // Status 3: lame failed; its unfinished output is gone.
  void FailedEndOfJob() override { EndOfJob(3); }
  QString LocateProgram() override;

 private:
  void PostProgress(int percent, const QString& elapsed, const QString& estimated);
};

// The process-wide MP3 runner; the main window creates and frees it.
extern TMp3EncodeProcess* Mp3EncodeProcess;
