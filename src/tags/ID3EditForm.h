#pragma once

#include "tags/Id3Tag.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// The modal ID3v1 tag editor for any MP3 file. The window title tells
// whether a file has been chosen: "ID3 Tag Edit" alone until one is loaded
// or saved as, then followed by ": " and its path. Main thread only.
class TfrmID3Edit : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmID3Edit(QWidget* parent = nullptr);

  QLineEdit* ID3title = nullptr;
  QLineEdit* ID3artist = nullptr;
  QLineEdit* ID3album = nullptr;
  QLineEdit* ID3year = nullptr;
  QLineEdit* ID3comment = nullptr;
  QLineEdit* ID3track = nullptr;
  QComboBox* ID3genre = nullptr;
  QPushButton* btLoadTag = nullptr;
  QPushButton* btSaveTag = nullptr;
  QPushButton* btRemoveTag = nullptr;
  QPushButton* btSaveAs = nullptr;
  QPushButton* btClose = nullptr;

  void btLoadTagClick();
  void btSaveTagClick();
  void btSaveAsClick();
  void btRemoveTagClick();

  // The tag object behind the form; its FileName is the file to act on.
  const Tid3tag& Tag() const { return id3_; }

 private:
  void BuildLayout();
  void FieldsToTag();
  void TagToFields();
  void ClearForm();
  void SetChosenFile(const QString& path);
  void UpdateButtons();
  QString AskFile();

  Tid3tag id3_;
};
