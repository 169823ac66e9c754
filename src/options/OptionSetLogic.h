#pragma once

#include "options/OptionsView.h"

#include <QString>

#include <cstdint>
#include <stdexcept>

struct TOptionsSetting;
class QWidget;

// The main window's drive operations that OK runs when another drive was
// chosen, in this order.
class TOptionsDriveHost {
 public:
  virtual ~TOptionsDriveHost() = default;
  // Opens the drive at that list position; the result becomes the window's
  // CD handle.
  virtual int32_t OpenDrive(int position) = 0;
  virtual void LoadTrackList() = 0;
  // The status text the two calls left becomes the window's DriveText.
  virtual void TakeStatusAsDriveText() = 0;
};

// A bit-rate field whose first three characters are not a whole number.
class EOptionsValueError : public std::runtime_error {
 public:
  explicit EOptionsValueError(const QString& text);
};

enum class TOptionsCheck { Passed, MissingFolder, BadLength };

// The options dialog without its window: loads the settings into a view,
// fills the drive list, applies the two "&Default" buttons, checks and
// stores. Works on the record it was given (the process-wide OptionsSetting
// in the program). Main thread only.
class TOptionSetLogic {
 public:
  explicit TOptionSetLogic(TOptionsSetting& settings);

  TOptionsView Load() const;

  // The drive position stored when the dialog opened; -1 reads as 0.
  int StoredDrivePosition() const { return storedDrive_; }

  // Lists the drives (descriptions without surrounding blanks) and selects
  // the stored position when it is listed, otherwise nothing.
  void FillDevices(TOptionsView& view) const;

  static void LameDefaults(TOptionsView& view);
  static void WmaDefault(TOptionsView& view);

  // The two checks of OK, in order; the message box text for a failed one.
  static TOptionsCheck Check(const TOptionsView& view);
  static QString CheckMessage(TOptionsCheck check, const TOptionsView& view);

  // Copies the view into the record in the dialog's store order. A bit-rate
  // text that is not a number throws EOptionsValueError; what was stored
  // before it stays stored.
  void Store(const TOptionsView& view);

  // A device is selected and it is not the one stored at opening.
  bool DriveChanged(const TOptionsView& view) const;

  // OK: the checks (a failed one is shown in an error box and returned),
  // the store (may throw), then the drive change through the host when the
  // chosen drive changed.
  TOptionsCheck Accept(QWidget* parent, const TOptionsView& view, TOptionsDriveHost* host);

 private:
  TOptionsSetting& settings_;
  int storedDrive_ = 0;
};

// The number of a bit-rate field: its first three characters, blanks
// trimmed. Throws EOptionsValueError naming them when they are not one.
int32_t BitRateOfText(const QString& text);
