#pragma once
// A backend that plays the user from a script, for tests. The test queues what the user does
// and when; the backend carries it out through the model and records, in order, everything
// the user would have seen. Something that appears with nothing queued for it is a
// ScriptFailure, never a wait.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/Backend.h"
#include "ui/Forms.h"

namespace ui {

// The script did not match what the program did. Once raised, every later step raises the
// same failure again, so that a handler that swallows it cannot hide it.
class ScriptFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One thing the user does in a form. Texts are the program's bytes (Windows-1251).
struct UserAction {
  enum class Kind { Press, Toggle, Type, ChooseIndex, ChooseItem, Key, CloseBox };

  static UserAction Press(std::string form, std::string control);  // button or speed button
  static UserAction Toggle(std::string form, std::string checkBox);
  static UserAction Type(std::string form, std::string edit, std::string text);
  static UserAction Choose(std::string form, std::string comboBox, int index);
  static UserAction Choose(std::string form, std::string comboBox, std::string item);
  static UserAction Key(std::string form, std::uint16_t key, TShiftState shift = {});
  static UserAction CloseBox(std::string form);

  Kind kind = Kind::Press;
  std::string form;
  std::string control;
  std::string text;
  int index = -1;
  std::uint16_t key = 0;
  TShiftState shift;
};

// A message box as the user saw it. Texts are the program's bytes.
struct ShownBox {
  std::string caption;
  std::string text;
  std::uint32_t flags = 0;
  int answer = 0;
};

class ScriptedBackend : public Backend {
 public:
  // The next action of the message loop (Run, or the loop of a modal form).
  ScriptedBackend& Queue(UserAction action);
  // An action carried out at the n-th call of ProcessMessages (counted from 1).
  ScriptedBackend& AtProcessMessages(int call, UserAction action);
  // The next message box whose text contains `textPart` is answered with `answer`.
  ScriptedBackend& AnswerBox(std::string textPart, int answer = IDOK);

  // The record, one readable line per event, texts in the program's bytes:
  //   show F | show modal F | modal result F 1 | hide F
  //   box "caption" "text" flags 0x10 answer 1 | suppressed box "caption" "text" flags 0x0
  //   suppressed modal F
  //   press F.B | toggle F.C | type F.E "text" | choose F.L 2 | key F Escape | close box F
  //   ignored press F.B (disabled) | ... (at process messages 3)
  //   caption F.C "text" | hint F.C "text" | enabled F.C false | visible F.C true
  //   bounds F.C 1 2 3 4 | color F.C 8404992 | font F.C "Tahoma" -11 charset 204 color 0 bold
  //   repaint F.C | repaint F.G 42% | checked F.C true | down F.S true | item F.L 2
  //   cell F.G 2 1 "text" | rows F.G 53 | cols F.G 3 | col width F.G 2 446
  //   perform F.C 0xB00E 0 0
  const std::vector<std::string>& Events() const { return events_; }
  // The record in UTF-8, one event a line, for failure messages.
  std::string Transcript() const;
  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  int ProcessMessagesCalls() const { return processMessagesCalls_; }
  // The queued steps that never came to pass, one a line; empty when the script was played
  // to its end.
  std::string Unused() const;

  void FormShown(TForm& form, bool modal) override;
  void FormHidden(TForm& form) override;
  void ModalEnded(TForm& form, TModalResult result) override;
  void ControlChanged(TControl& control, TControlChange change) override;
  void MessagePerformed(TControl& control, std::uint32_t message, std::intptr_t wParam,
                        std::intptr_t lParam) override;
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override;
  void MessageBoxSuppressed(const std::string& text, const std::string& caption,
                            std::uint32_t flags) override;
  void ModalSuppressed(TForm& form) override;
  bool HandleMessage() override;
  void ProcessMessages() override;

 private:
  struct BoxAnswer {
    std::string textPart;
    int answer = IDOK;
  };

  [[noreturn]] void Fail(const std::string& message);
  void ThrowIfFailed() const;
  void Record(std::string event);
  void RequireReachable(const UserAction& action);
  void Perform(const UserAction& action, const std::string& when);
  bool Usable(TControl& control, const std::string& description);
  TForm& ShownForm(const std::string& name);
  template <class T>
  T& FindControlOf(TForm& form, const std::string& name, const char* kind);

  std::vector<UserAction> queue_;
  std::size_t nextAction_ = 0;
  std::multimap<int, UserAction> atProcessMessages_;
  std::vector<BoxAnswer> boxAnswers_;
  std::vector<TForm*> modalForms_;
  int processMessagesCalls_ = 0;
  std::vector<std::string> events_;
  std::vector<ShownBox> boxes_;
  std::unique_ptr<ScriptFailure> failure_;
};

// A fresh application presented by a scripted backend, for the lifetime of this object: the
// test's own Application() and message box; the ones in use before come back afterwards.
class ScriptedSession {
 public:
  ScriptedSession();
  ~ScriptedSession();
  ScriptedSession(const ScriptedSession&) = delete;
  ScriptedSession& operator=(const ScriptedSession&) = delete;

  ScriptedBackend& Script() { return backend_; }
  TApplication& App() { return application_; }

 private:
  ScriptedBackend backend_;
  TApplication application_;
  TApplication* previous_ = nullptr;
};

}  // namespace ui
