#pragma once
// What presents the windows: a backend shows forms and boxes and brings the user's actions
// back into the model (TButton::Click, TForm::PressKey, TForm::Close, TEdit::SetText, ...),
// each through TApplication::Dispatch so that it runs like a message of the loop. The scripted
// backend plays a user from a test, the console backend serves a person at a terminal, the
// win32 backend shows native windows.

#include <cstdint>
#include <string>

#include "ui/Controls.h"
#include "ui/StdCtrls.h"

namespace ui {

class Backend {
 public:
  virtual ~Backend() = default;

  // A form became visible, modally or not.
  virtual void FormShown(TForm& form, bool modal) = 0;
  // A form was hidden (after ModalEnded for a modal one).
  virtual void FormHidden(TForm& form) = 0;
  // A modal showing ended with this result.
  virtual void ModalEnded(TForm& form, TModalResult result) = 0;
  // A property of a control changed, or it asked to be repainted.
  virtual void ControlChanged(TControl& control, TControlChange change) = 0;
  // A message was performed on a control (CM_FONTCHANGED and the like).
  virtual void MessagePerformed(TControl& control, std::uint32_t message, std::intptr_t wParam,
                                std::intptr_t lParam) = 0;

  // Shows a modal box and returns the button the user pressed (IDOK = 1, ...).
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t flags) = 0;
  // A box or modal form that the terminating application did not show.
  virtual void MessageBoxSuppressed(const std::string& text, const std::string& caption,
                                    std::uint32_t flags) = 0;
  virtual void ModalSuppressed(TForm& form) = 0;

  // Waits for the user's next action and carries it out. False when no action will ever
  // come (the input ended), so that a loop can end instead of waiting for ever.
  virtual bool HandleMessage() = 0;
  // Carries out what the user did meanwhile, without waiting.
  virtual void ProcessMessages() = 0;
};

// The backend of the current application, nullptr when none is set.
Backend* ActiveBackend();

}  // namespace ui
