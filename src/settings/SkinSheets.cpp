// The three built-in looks, as Qt style sheets.
#include "settings/SkinSheets.h"

namespace {

// 2 "Win XP"
const char* const kSheet2 = R"qss(/* Trackwell look "Win XP". link-color: #0033cc */
QWidget { background-color: #ece9d8; color: #000000; font-family: "Tahoma", "DejaVu Sans", sans-serif; }
QMainWindow, QDialog { background-color: #ece9d8; }
QMenuBar { background-color: #ece9d8; color: #000000; border-bottom: 1px solid #7f9db9; }
QMenuBar::item { background: transparent; color: #000000; padding: 3px 8px; }
QMenuBar::item:selected { background-color: #316ac5; color: #ffffff; }
QMenu { background-color: #ffffff; color: #000000; border: 1px solid #7f9db9; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background-color: #316ac5; color: #ffffff; }
QMenu::item:disabled { color: #6f6d62; }
QMenu::separator { height: 1px; background: #7f9db9; margin: 3px 6px; }
QToolBar { background-color: #ece9d8; border: none; spacing: 2px; }
QToolBar::separator { background: #7f9db9; width: 1px; margin: 4px 2px; }
QToolButton { background: transparent; color: #000000; border: 1px solid transparent; border-radius: 3px; padding: 3px; }
QToolButton:hover { border-color: #7f9db9; background-color: #c1d2ee; color: #000000; }
QToolButton:pressed { background-color: #316ac5; color: #ffffff; }
QToolButton:disabled { color: #6f6d62; }
QTreeView, QListView, QTableView, QTextEdit, QPlainTextEdit, QTextBrowser { background-color: #ffffff; color: #000000; alternate-background-color: #f3f6fb; selection-background-color: #316ac5; selection-color: #ffffff; border: 1px solid #7f9db9; }
QHeaderView { background-color: #d6d0c5; }
QHeaderView::section { background-color: #d6d0c5; color: #000000; border: none; border-right: 1px solid #7f9db9; border-bottom: 1px solid #7f9db9; padding: 3px 6px; }
QStatusBar { background-color: #ece9d8; color: #000000; border: 1px solid #7f9db9; }
QStatusBar QLabel { background: transparent; color: #000000; padding: 1px 4px; }
QPushButton { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #d6d0c5); color: #000000; border: 1px solid #7f9db9; border-radius: 3px; padding: 4px 14px; min-width: 64px; }
QPushButton:hover { border-color: #316ac5; }
QPushButton:pressed { background-color: #316ac5; color: #ffffff; }
QPushButton:default { border: 2px solid #316ac5; }
QPushButton:disabled { color: #6f6d62; }
QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox { background-color: #ffffff; color: #000000; border: 1px solid #7f9db9; border-radius: 3px; padding: 2px 4px; selection-background-color: #316ac5; selection-color: #ffffff; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled { color: #6f6d62; }
QComboBox QAbstractItemView { background-color: #ffffff; color: #000000; selection-background-color: #316ac5; selection-color: #ffffff; }
QGroupBox { border: 1px solid #7f9db9; border-radius: 3px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #0046d5; }
QTabWidget::pane { border: 1px solid #7f9db9; }
QTabBar::tab { background-color: #d6d0c5; color: #000000; border: 1px solid #7f9db9; padding: 4px 10px; }
QTabBar::tab:selected { background-color: #ffffff; color: #000000; }
QProgressBar { background-color: #ffffff; color: #000000; border: 1px solid #7f9db9; border-radius: 3px; text-align: center; }
QProgressBar::chunk { background-color: #316ac5; }
QCheckBox, QRadioButton, QLabel { background: transparent; }
QCheckBox::indicator, QRadioButton::indicator, QTreeView::indicator, QListView::indicator { width: 11px; height: 11px; border: 1px solid #000000; background-color: #ffffff; }
QCheckBox::indicator:checked, QRadioButton::indicator:checked, QTreeView::indicator:checked, QListView::indicator:checked { background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.6, fx: 0.5, fy: 0.5, stop: 0 #000000, stop: 0.55 #000000, stop: 0.6 #ffffff, stop: 1 #ffffff); }
QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #6f6d62; }
QRadioButton::indicator { border-radius: 6px; }
QSpinBox::up-button, QSpinBox::down-button, QDoubleSpinBox::up-button, QDoubleSpinBox::down-button { background-color: #d6d0c5; border-left: 1px solid #7f9db9; width: 14px; }
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-bottom: 5px solid #000000; width: 0px; height: 0px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-top: 5px solid #000000; width: 0px; height: 0px; }
QCheckBox:disabled, QRadioButton:disabled, QLabel:disabled { color: #6f6d62; }
QToolTip { background-color: #ffffff; color: #000000; border: 1px solid #7f9db9; }
)qss";

// 3 "Deep Blue"
const char* const kSheet3 = R"qss(/* Trackwell look "Deep Blue". link-color: #8fc0ff */
QWidget { background-color: #0e1a3d; color: #e4eaff; }
QMainWindow, QDialog { background-color: #0e1a3d; }
QMenuBar { background-color: #071230; color: #cfdcff; border-bottom: 1px solid #3a5aa5; }
QMenuBar::item { background: transparent; color: #cfdcff; padding: 3px 8px; }
QMenuBar::item:selected { background-color: #2f5bd8; color: #ffffff; }
QMenu { background-color: #14244f; color: #e4eaff; border: 1px solid #3a5aa5; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background-color: #2f5bd8; color: #ffffff; }
QMenu::item:disabled { color: #8f9cc0; }
QMenu::separator { height: 1px; background: #3a5aa5; margin: 3px 6px; }
QToolBar { background-color: #071230; border: none; spacing: 2px; }
QToolBar::separator { background: #3a5aa5; width: 1px; margin: 4px 2px; }
QToolButton { background: transparent; color: #cfdcff; border: 1px solid transparent; border-radius: 2px; padding: 3px; }
QToolButton:hover { border-color: #3a5aa5; background-color: #1d3470; color: #ffffff; }
QToolButton:pressed { background-color: #2f5bd8; color: #ffffff; }
QToolButton:disabled { color: #6f7fa8; }
QTreeView, QListView, QTableView, QTextEdit, QPlainTextEdit, QTextBrowser { background-color: #14244f; color: #e4eaff; alternate-background-color: #182b5c; selection-background-color: #2f5bd8; selection-color: #ffffff; border: 1px solid #3a5aa5; }
QHeaderView { background-color: #172c60; }
QHeaderView::section { background-color: #172c60; color: #eef2ff; border: none; border-right: 1px solid #3a5aa5; border-bottom: 1px solid #3a5aa5; padding: 3px 6px; }
QStatusBar { background-color: #071230; color: #cfdcff; border: 1px solid #3a5aa5; }
QStatusBar QLabel { background: transparent; color: #cfdcff; padding: 1px 4px; }
QPushButton { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #2a4584, stop: 1 #172c60); color: #eef2ff; border: 1px solid #3a5aa5; border-radius: 2px; padding: 4px 14px; min-width: 64px; }
QPushButton:hover { border-color: #2f5bd8; }
QPushButton:pressed { background-color: #2f5bd8; color: #ffffff; }
QPushButton:default { border: 2px solid #2f5bd8; }
QPushButton:disabled { color: #8f9cc0; }
QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox { background-color: #14244f; color: #e4eaff; border: 1px solid #3a5aa5; border-radius: 2px; padding: 2px 4px; selection-background-color: #2f5bd8; selection-color: #ffffff; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled { color: #8f9cc0; }
QComboBox QAbstractItemView { background-color: #14244f; color: #e4eaff; selection-background-color: #2f5bd8; selection-color: #ffffff; }
QGroupBox { border: 1px solid #3a5aa5; border-radius: 2px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #8fb0ff; }
QTabWidget::pane { border: 1px solid #3a5aa5; }
QTabBar::tab { background-color: #172c60; color: #eef2ff; border: 1px solid #3a5aa5; padding: 4px 10px; }
QTabBar::tab:selected { background-color: #14244f; color: #e4eaff; }
QProgressBar { background-color: #14244f; color: #e4eaff; border: 1px solid #3a5aa5; border-radius: 2px; text-align: center; }
QProgressBar::chunk { background-color: #2f5bd8; }
QCheckBox, QRadioButton, QLabel { background: transparent; }
QCheckBox::indicator, QRadioButton::indicator, QTreeView::indicator, QListView::indicator { width: 11px; height: 11px; border: 1px solid #e4eaff; background-color: #14244f; }
QCheckBox::indicator:checked, QRadioButton::indicator:checked, QTreeView::indicator:checked, QListView::indicator:checked { background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.6, fx: 0.5, fy: 0.5, stop: 0 #e4eaff, stop: 0.55 #e4eaff, stop: 0.6 #14244f, stop: 1 #14244f); }
QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #8f9cc0; }
QRadioButton::indicator { border-radius: 6px; }
QSpinBox::up-button, QSpinBox::down-button, QDoubleSpinBox::up-button, QDoubleSpinBox::down-button { background-color: #172c60; border-left: 1px solid #3a5aa5; width: 14px; }
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-bottom: 5px solid #eef2ff; width: 0px; height: 0px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-top: 5px solid #eef2ff; width: 0px; height: 0px; }
QCheckBox:disabled, QRadioButton:disabled, QLabel:disabled { color: #8f9cc0; }
QToolTip { background-color: #14244f; color: #e4eaff; border: 1px solid #3a5aa5; }
)qss";

// 4 "Protein"
const char* const kSheet4 = R"qss(/* Trackwell look "Protein". link-color: #9c3510 */
QWidget { background-color: #f4ebe1; color: #3a1e10; }
QMainWindow, QDialog { background-color: #f4ebe1; }
QMenuBar { background-color: #8c3b1c; color: #fff3e6; border-bottom: 1px solid #c49a7c; }
QMenuBar::item { background: transparent; color: #fff3e6; padding: 3px 8px; }
QMenuBar::item:selected { background-color: #b8502a; color: #ffffff; }
QMenu { background-color: #fffaf4; color: #3a1e10; border: 1px solid #c49a7c; }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background-color: #b8502a; color: #ffffff; }
QMenu::item:disabled { color: #8a6d5d; }
QMenu::separator { height: 1px; background: #c49a7c; margin: 3px 6px; }
QToolBar { background-color: #8c3b1c; border: none; spacing: 2px; }
QToolBar::separator { background: #c49a7c; width: 1px; margin: 4px 2px; }
QToolButton { background: transparent; color: #fff3e6; border: 1px solid transparent; border-radius: 8px; padding: 3px; }
QToolButton:hover { border-color: #c49a7c; background-color: #a8522f; color: #ffffff; }
QToolButton:pressed { background-color: #b8502a; color: #ffffff; }
QToolButton:disabled { color: #d7a991; }
QTreeView, QListView, QTableView, QTextEdit, QPlainTextEdit, QTextBrowser { background-color: #fffaf4; color: #3a1e10; alternate-background-color: #f8eee2; selection-background-color: #b8502a; selection-color: #ffffff; border: 1px solid #c49a7c; }
QHeaderView { background-color: #e9c9ac; }
QHeaderView::section { background-color: #e9c9ac; color: #3a1e10; border: none; border-right: 1px solid #c49a7c; border-bottom: 1px solid #c49a7c; padding: 3px 6px; }
QStatusBar { background-color: #8c3b1c; color: #fff3e6; border: 1px solid #c49a7c; }
QStatusBar QLabel { background: transparent; color: #fff3e6; padding: 1px 4px; }
QPushButton { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fff6ec, stop: 1 #e9c9ac); color: #3a1e10; border: 1px solid #c49a7c; border-radius: 8px; padding: 4px 14px; min-width: 64px; }
QPushButton:hover { border-color: #b8502a; }
QPushButton:pressed { background-color: #b8502a; color: #ffffff; }
QPushButton:default { border: 2px solid #b8502a; }
QPushButton:disabled { color: #8a6d5d; }
QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox { background-color: #fffaf4; color: #3a1e10; border: 1px solid #c49a7c; border-radius: 8px; padding: 2px 4px; selection-background-color: #b8502a; selection-color: #ffffff; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled { color: #8a6d5d; }
QComboBox QAbstractItemView { background-color: #fffaf4; color: #3a1e10; selection-background-color: #b8502a; selection-color: #ffffff; }
QGroupBox { border: 1px solid #c49a7c; border-radius: 8px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #8c3b1c; }
QTabWidget::pane { border: 1px solid #c49a7c; }
QTabBar::tab { background-color: #e9c9ac; color: #3a1e10; border: 1px solid #c49a7c; padding: 4px 10px; }
QTabBar::tab:selected { background-color: #fffaf4; color: #3a1e10; }
QProgressBar { background-color: #fffaf4; color: #3a1e10; border: 1px solid #c49a7c; border-radius: 8px; text-align: center; }
QProgressBar::chunk { background-color: #b8502a; }
QCheckBox, QRadioButton, QLabel { background: transparent; }
QCheckBox::indicator, QRadioButton::indicator, QTreeView::indicator, QListView::indicator { width: 11px; height: 11px; border: 1px solid #3a1e10; background-color: #fffaf4; }
QCheckBox::indicator:checked, QRadioButton::indicator:checked, QTreeView::indicator:checked, QListView::indicator:checked { background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.6, fx: 0.5, fy: 0.5, stop: 0 #3a1e10, stop: 0.55 #3a1e10, stop: 0.6 #fffaf4, stop: 1 #fffaf4); }
QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: #8a6d5d; }
QRadioButton::indicator { border-radius: 6px; }
QSpinBox::up-button, QSpinBox::down-button, QDoubleSpinBox::up-button, QDoubleSpinBox::down-button { background-color: #e9c9ac; border-left: 1px solid #c49a7c; width: 14px; }
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-bottom: 5px solid #3a1e10; width: 0px; height: 0px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { border-left: 4px solid transparent; border-right: 4px solid transparent; border-top: 5px solid #3a1e10; width: 0px; height: 0px; }
QCheckBox:disabled, QRadioButton:disabled, QLabel:disabled { color: #8a6d5d; }
QToolTip { background-color: #fffaf4; color: #3a1e10; border: 1px solid #c49a7c; }
)qss";

}  // namespace

const char* BuiltInSkinSheet(int skinIndex) {
  switch (skinIndex) {
    case 2:
      return kSheet2;
    case 3:
      return kSheet3;
    case 4:
      return kSheet4;
    default:
      return nullptr;
  }
}
