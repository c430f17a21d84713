#include "ui/scripted/ScriptedBackend.h"

#include <algorithm>

#include "rtl/ansi.h"
#include "ui/Buttons.h"
#include "ui/Gauges.h"

namespace ui {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string YesNo(bool value) { return value ? "true" : "false"; }

std::string Hex(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + digits;
}

std::string KeyName(std::uint16_t key) {
  switch (key) {
    case VK_RETURN:
      return "Enter";
    case VK_ESCAPE:
      return "Escape";
    default:
      return IntToStr(key);
  }
}

std::string FontDescription(const TFont& font) {
  std::string text = Quoted(font.Name()) + " " + IntToStr(font.Height()) + " charset " +
                     IntToStr(font.Charset()) + " color " + IntToStr(font.Color());
  if (font.Style().Contains(fsBold)) text += " bold";
  if (font.Style().Contains(fsItalic)) text += " italic";
  if (font.Style().Contains(fsUnderline)) text += " underline";
  if (font.Style().Contains(fsStrikeOut)) text += " strikeout";
  return text;
}

// What the user sees of an edit's text.
std::string ShownText(const TEdit& edit) {
  if (edit.PasswordChar() == '\0') return edit.Text();
  return std::string(edit.Text().size(), edit.PasswordChar());
}

std::string Describe(const UserAction& action) {
  const std::string target = action.form + "." + action.control;
  switch (action.kind) {
    case UserAction::Kind::Press:
      return "press " + target;
    case UserAction::Kind::Toggle:
      return "toggle " + target;
    case UserAction::Kind::Type:
      return "type " + target + " " + Quoted(action.text);
    case UserAction::Kind::ChooseIndex:
      return "choose " + target + " " + IntToStr(action.index);
    case UserAction::Kind::ChooseItem:
      return "choose " + target + " " + Quoted(action.text);
    case UserAction::Kind::Key:
      return "key " + action.form + " " + KeyName(action.key);
    case UserAction::Kind::CloseBox:
      break;
  }
  return "close box " + action.form;
}

bool EnabledThroughParents(const TControl& control) {
  for (const TControl* current = &control; current != nullptr; current = current->Parent()) {
    if (!current->Enabled()) return false;
  }
  return true;
}

}  // namespace

// ---- Actions --------------------------------------------------------------------------------

UserAction UserAction::Press(std::string form, std::string control) {
  UserAction action;
  action.kind = Kind::Press;
  action.form = std::move(form);
  action.control = std::move(control);
  return action;
}

UserAction UserAction::Toggle(std::string form, std::string checkBox) {
  UserAction action = Press(std::move(form), std::move(checkBox));
  action.kind = Kind::Toggle;
  return action;
}

UserAction UserAction::Type(std::string form, std::string edit, std::string text) {
  UserAction action = Press(std::move(form), std::move(edit));
  action.kind = Kind::Type;
  action.text = std::move(text);
  return action;
}

UserAction UserAction::Choose(std::string form, std::string comboBox, int index) {
  UserAction action = Press(std::move(form), std::move(comboBox));
  action.kind = Kind::ChooseIndex;
  action.index = index;
  return action;
}

UserAction UserAction::Choose(std::string form, std::string comboBox, std::string item) {
  UserAction action = Press(std::move(form), std::move(comboBox));
  action.kind = Kind::ChooseItem;
  action.text = std::move(item);
  return action;
}

UserAction UserAction::Key(std::string form, std::uint16_t key, TShiftState shift) {
  UserAction action;
  action.kind = Kind::Key;
  action.form = std::move(form);
  action.key = key;
  action.shift = shift;
  return action;
}

UserAction UserAction::CloseBox(std::string form) {
  UserAction action;
  action.kind = Kind::CloseBox;
  action.form = std::move(form);
  return action;
}

// ---- The script -----------------------------------------------------------------------------

ScriptedBackend& ScriptedBackend::Queue(UserAction action) {
  queue_.push_back(std::move(action));
  return *this;
}

ScriptedBackend& ScriptedBackend::AtProcessMessages(int call, UserAction action) {
  atProcessMessages_.emplace(call, std::move(action));
  return *this;
}

ScriptedBackend& ScriptedBackend::AnswerBox(std::string textPart, int answer) {
  boxAnswers_.push_back({std::move(textPart), answer});
  return *this;
}

std::string ScriptedBackend::Transcript() const {
  std::string transcript;
  for (const std::string& event : events_) transcript += AnsiToUtf8(event) + "\n";
  return transcript;
}

std::string ScriptedBackend::Unused() const {
  std::string unused;
  for (std::size_t i = nextAction_; i < queue_.size(); ++i) unused += Describe(queue_[i]) + "\n";
  for (const auto& [call, action] : atProcessMessages_) {
    unused += Describe(action) + " (at process messages " + IntToStr(call) + ")\n";
  }
  for (const BoxAnswer& box : boxAnswers_) {
    unused += "answer " + IntToStr(box.answer) + " to a box with " + Quoted(box.textPart) + "\n";
  }
  return AnsiToUtf8(unused);
}

void ScriptedBackend::Fail(const std::string& message) {
  Record("script failure: " + message);
  failure_ = std::make_unique<ScriptFailure>(AnsiToUtf8(message) + "\nWhat the user saw:\n" +
                                             Transcript());
  throw *failure_;
}

void ScriptedBackend::ThrowIfFailed() const {
  if (failure_) throw *failure_;
}

void ScriptedBackend::Record(std::string event) { events_.push_back(std::move(event)); }

// ---- What the program shows -----------------------------------------------------------------

void ScriptedBackend::FormShown(TForm& form, bool modal) {
  Record((modal ? "show modal " : "show ") + QualifiedName(form) + " " + Quoted(form.Caption()));
  if (modal) modalForms_.push_back(&form);
}

void ScriptedBackend::FormHidden(TForm& form) {
  Record("hide " + QualifiedName(form));
  std::erase(modalForms_, &form);
}

void ScriptedBackend::ModalEnded(TForm& form, TModalResult result) {
  Record("modal result " + QualifiedName(form) + " " + IntToStr(result));
  // A handler that caught the script's failure must not hide it from the test.
  ThrowIfFailed();
}

void ScriptedBackend::ControlChanged(TControl& control, TControlChange change) {
  // Only what is on screen is seen; a control that disappears is seen going.
  const bool seen = change == TControlChange::Visible
                        ? control.Parent() != nullptr && control.Parent()->Showing()
                        : control.Showing();
  if (!seen) return;
  const std::string name = QualifiedName(control);
  switch (change) {
    case TControlChange::Caption:
      if (const auto* edit = dynamic_cast<const TEdit*>(&control)) {
        Record("text " + name + " " + Quoted(ShownText(*edit)));
      } else {
        Record("caption " + name + " " + Quoted(control.Caption()));
      }
      return;
    case TControlChange::Hint:
      Record("hint " + name + " " + Quoted(control.Hint()));
      return;
    case TControlChange::Enabled:
      Record("enabled " + name + " " + YesNo(control.Enabled()));
      return;
    case TControlChange::Visible:
      Record("visible " + name + " " + YesNo(control.Visible()));
      return;
    case TControlChange::Bounds:
      Record("bounds " + name + " " + IntToStr(control.Left()) + " " + IntToStr(control.Top()) +
             " " + IntToStr(control.Width()) + " " + IntToStr(control.Height()));
      return;
    case TControlChange::Color:
      if (const auto* gauge = dynamic_cast<const TGauge*>(&control)) {
        Record("color " + name + " " + IntToStr(control.Color()) + " bar " +
               IntToStr(gauge->ForeColor()));
      } else {
        Record("color " + name + " " + IntToStr(control.Color()));
      }
      return;
    case TControlChange::Font:
      Record("font " + name + " " + FontDescription(control.Font()));
      return;
    case TControlChange::Repaint:
      if (const auto* gauge = dynamic_cast<const TGauge*>(&control)) {
        Record("repaint " + name + " " + gauge->PercentText());
      } else {
        Record("repaint " + name);
      }
      return;
    case TControlChange::Checked:
      Record("checked " + name + " " +
             YesNo(dynamic_cast<const TCheckBox&>(control).Checked()));
      return;
    case TControlChange::Down:
      Record("down " + name + " " + YesNo(dynamic_cast<const TSpeedButton&>(control).Down()));
      return;
    case TControlChange::ItemIndex: {
      const auto& comboBox = dynamic_cast<const TComboBox&>(control);
      Record("item " + name + " " + IntToStr(comboBox.ItemIndex()) + " " +
             Quoted(comboBox.Text()));
      return;
    }
    case TControlChange::Contents:
      return;  // cells and widths are read from the model, not followed one by one
  }
}

void ScriptedBackend::MessagePerformed(TControl& control, std::uint32_t message,
                                       std::intptr_t wParam, std::intptr_t lParam) {
  if (!control.Showing()) return;
  Record("perform " + QualifiedName(control) + " " + Hex(message) + " " + IntToStr(wParam) + " " +
         IntToStr(lParam));
}

int ScriptedBackend::MessageBox(const std::string& text, const std::string& caption,
                                std::uint32_t flags) {
  ThrowIfFailed();
  const auto queued = std::find_if(boxAnswers_.begin(), boxAnswers_.end(), [&](const BoxAnswer& box) {
    return text.find(box.textPart) != std::string::npos;
  });
  const std::string description =
      Quoted(caption) + " " + Quoted(text) + " flags " + Hex(flags);
  if (queued == boxAnswers_.end()) {
    Fail("a message box appeared with nothing queued for it: " + description);
  }
  const int answer = queued->answer;
  boxAnswers_.erase(queued);
  Record("box " + description + " answer " + IntToStr(answer));
  boxes_.push_back({caption, text, flags, answer});
  return answer;
}

void ScriptedBackend::MessageBoxSuppressed(const std::string& text, const std::string& caption,
                                           std::uint32_t flags) {
  Record("suppressed box " + Quoted(caption) + " " + Quoted(text) + " flags " + Hex(flags));
}

void ScriptedBackend::ModalSuppressed(TForm& form) {
  Record("suppressed modal " + QualifiedName(form));
}

// ---- What the user does ---------------------------------------------------------------------

bool ScriptedBackend::HandleMessage() {
  ThrowIfFailed();
  if (nextAction_ >= queue_.size()) {
    if (!modalForms_.empty()) {
      Fail("modal form " + QualifiedName(*modalForms_.back()) +
           " was shown with nothing queued for it");
    }
    return false;
  }
  const UserAction action = queue_[nextAction_++];
  Perform(action, "");
  return true;
}

void ScriptedBackend::ProcessMessages() {
  ThrowIfFailed();
  const int call = ++processMessagesCalls_;
  const auto [first, last] = atProcessMessages_.equal_range(call);
  std::vector<UserAction> due;
  for (auto it = first; it != last; ++it) due.push_back(it->second);
  atProcessMessages_.erase(first, last);
  for (const UserAction& action : due) {
    Perform(action, " (at process messages " + IntToStr(call) + ")");
  }
}

TForm& ScriptedBackend::ShownForm(const std::string& name) {
  auto* form = dynamic_cast<TForm*>(Application().FindComponent(name));
  if (form == nullptr) Fail("the script acts on form " + name + ", which does not exist");
  if (!form->Visible()) Fail("the script acts on form " + name + ", which is not shown");
  return *form;
}

template <class T>
T& ScriptedBackend::FindControlOf(TForm& form, const std::string& name, const char* kind) {
  TComponent* component = form.FindComponent(name);
  if (component == nullptr) Fail("form " + QualifiedName(form) + " has no control " + name);
  auto* control = dynamic_cast<T*>(component);
  if (control == nullptr) Fail(QualifiedName(*component) + " is not a " + kind);
  return *control;
}

// A person can reach only the modal form on top, when there is one.
void ScriptedBackend::RequireReachable(const UserAction& action) {
  if (modalForms_.empty()) return;
  const TForm& top = *modalForms_.back();
  if (!SameText(top.Name(), action.form)) {
    Fail("modal form " + QualifiedName(top) + " is shown, but the script acts on form " +
         action.form + ": " + Describe(action));
  }
}

bool ScriptedBackend::Usable(TControl& control, const std::string& description) {
  if (!control.Showing()) {
    Record("ignored " + description + " (hidden)");
    return false;
  }
  if (!EnabledThroughParents(control)) {
    Record("ignored " + description + " (disabled)");
    return false;
  }
  Record(description);
  return true;
}

void ScriptedBackend::Perform(const UserAction& action, const std::string& when) {
  RequireReachable(action);
  TForm& form = ShownForm(action.form);
  const std::string description = Describe(action) + when;
  TApplication& application = Application();
  switch (action.kind) {
    case UserAction::Kind::Press: {
      TControl& control = FindControlOf<TControl>(form, action.control, "control");
      if (auto* button = dynamic_cast<TButton*>(&control)) {
        if (Usable(*button, description)) application.Dispatch([button] { button->Click(); });
      } else if (auto* speedButton = dynamic_cast<TSpeedButton*>(&control)) {
        if (Usable(*speedButton, description)) {
          application.Dispatch([speedButton] { speedButton->Click(); });
        }
      } else {
        Fail(QualifiedName(control) + " is not a button");
      }
      return;
    }
    case UserAction::Kind::Toggle: {
      auto& checkBox = FindControlOf<TCheckBox>(form, action.control, "check box");
      if (Usable(checkBox, description)) application.Dispatch([&checkBox] { checkBox.Click(); });
      return;
    }
    case UserAction::Kind::Type: {
      auto& edit = FindControlOf<TEdit>(form, action.control, "edit");
      if (Usable(edit, description)) {
        application.Dispatch([&edit, &action] { edit.SetText(action.text); });
      }
      return;
    }
    case UserAction::Kind::ChooseIndex:
    case UserAction::Kind::ChooseItem: {
      auto& comboBox = FindControlOf<TComboBox>(form, action.control, "drop-down list");
      const int index = action.kind == UserAction::Kind::ChooseItem
                            ? comboBox.Items().IndexOf(action.text)
                            : action.index;
      if (index < 0 || index >= comboBox.Items().Count()) {
        Fail(QualifiedName(comboBox) + " has no such item: " + description);
      }
      if (Usable(comboBox, description)) {
        application.Dispatch([&comboBox, index] { comboBox.Select(index); });
      }
      return;
    }
    case UserAction::Kind::Key:
      Record(description);
      application.Dispatch([&form, &action] { form.PressKey(action.key, action.shift); });
      return;
    case UserAction::Kind::CloseBox:
      if (form.BorderStyle() == bsNone || !form.BorderIcons().Contains(biSystemMenu)) {
        Record("ignored " + description + " (no close box)");
        return;
      }
      Record(description);
      application.Dispatch([&form] { form.Close(); });
      return;
  }
}

// ---- Session --------------------------------------------------------------------------------

ScriptedSession::ScriptedSession() : previous_(UseApplication(&application_)) {
  application_.SetBackend(&backend_);
}

ScriptedSession::~ScriptedSession() {
  application_.SetBackend(nullptr);
  UseApplication(previous_);
  // The message box goes back to the application that was in use.
  TApplication& restored = Application();
  if (restored.Backend() != nullptr) restored.SetBackend(restored.Backend());
}

}  // namespace ui
