#pragma once
// Labels, push buttons, check boxes, edits, drop-down lists and group boxes.

#include <string>

#include "rtl/classes.h"
#include "ui/Controls.h"

class TLabel : public TControl {
 public:
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap) { wordWrap_ = wordWrap; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize) { autoSize_ = autoSize; }

 private:
  TAlignment alignment_ = taLeftJustify;
  bool wordWrap_ = false;
  bool autoSize_ = true;
};

// Modal results: what ends a modal window.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

class TButton : public TControl {
 public:
  TButton() { SetTabStop(true); }

  TNotifyEvent OnClick;

  // The button that Enter presses / that Escape presses in its window.
  bool Default() const { return default_; }
  void SetDefault(bool isDefault) { default_ = isDefault; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool isCancel) { cancel_ = isCancel; }
  // A non-zero result is given to the window when the button is clicked (before OnClick),
  // which ends the window's modal showing.
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result) { modalResult_ = result; }

  void Click();

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

class TCheckBox : public TControl {
 public:
  TCheckBox() { SetTabStop(true); }

  TNotifyEvent OnClick;

  bool Checked() const { return checked_; }
  // Sets the state without running OnClick: only a click runs it.
  void SetChecked(bool checked);
  // What the user's click does: toggles the box, then runs OnClick.
  void Click();

 private:
  bool checked_ = false;
};

class TEdit : public TControl {
 public:
  TEdit();

  TNotifyEvent OnChange;

  // The edit's text is its caption.
  const std::string& Text() const { return Caption(); }
  // Runs OnChange when the text changes, whether the user typed it or the program set it.
  void SetText(std::string text);
  // Shown instead of every character when not '\0'.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char passwordChar) { passwordChar_ = passwordChar; }

 private:
  char passwordChar_ = '\0';
};

// A drop-down list without free typing: the text is always the chosen item's.
class TComboBox : public TControl {
 public:
  TComboBox();

  TNotifyEvent OnChange;

  TStringList& Items() { return items_; }
  const TStringList& Items() const { return items_; }
  // -1 when nothing is chosen. An index outside the items chooses nothing.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The chosen item, empty when none.
  std::string Text() const;
  // What the user's choice does: the item becomes the chosen one and OnChange runs.
  void Select(int index);

 private:
  TStringList items_;
  int itemIndex_ = -1;
};

class TGroupBox : public TControl {};
