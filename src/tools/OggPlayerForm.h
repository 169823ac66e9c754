#pragma once

// The Ogg player window: shows TOggPlayer's state and forwards the user's
// clicks and its two timers to it. Opened modally from the main window.

#include "tools/OggPlayer.h"

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;

class TfrmOggPlayer : public QDialog {
 public:
  explicit TfrmOggPlayer(QWidget* parent = nullptr);
  ~TfrmOggPlayer() override;

  TOggPlayer& Player() { return player_; }

  QLabel* lFileName = nullptr;
  QLabel* lSampleRate = nullptr;
  QLabel* lCurrentTime = nullptr;
  QLabel* lTotalTime = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // open and play
  QPushButton* BitBtn2 = nullptr;  // pause / resume
  QPushButton* BitBtn3 = nullptr;  // stop
  QSlider* TrackBar1 = nullptr;    // balance, 0..10
  QLabel* Image1 = nullptr;        // the level display
  QTimer* Timer1 = nullptr;        // levels, 50 ms
  QTimer* Timer2 = nullptr;        // clock, 500 ms

  void BitBtn1Click();
  void Timer1Timer();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape closes the window too, without a close event.
  void reject() override;

 private:
  void Refresh();

  TOggPlayer player_;
  QImage levels_;
};

// Shows the player modally over the owner until it is closed.
void ShowOggPlayer(QWidget* owner);
