#include "ui/Forms.h"

#include <utility>

#include "platform/platform.h"

// ---- TForm ----------------------------------------------------------------------------------

TForm::TForm() : TControl(false) {}

int TForm::FrameWidth() const {
  switch (borderStyle_) {
    case bsNone:
      return 0;
    case bsSizeable:
    case bsSizeToolWin:
      return kSizeableFrameWidth;
    case bsSingle:
    case bsDialog:
    case bsToolWindow:
      break;
  }
  return kDialogFrameWidth;
}

int TForm::CaptionHeight() const {
  switch (borderStyle_) {
    case bsNone:
      return 0;
    case bsToolWindow:
    case bsSizeToolWin:
      return kToolCaptionHeight;
    case bsSingle:
    case bsSizeable:
    case bsDialog:
      break;
  }
  return kCaptionHeight;
}

int TForm::ClientWidth() const { return Width() - 2 * FrameWidth(); }

int TForm::ClientHeight() const { return Height() - CaptionHeight() - 2 * FrameWidth(); }

void TForm::SetClientSize(int width, int height) {
  SetBounds(Left(), Top(), width + 2 * FrameWidth(), height + CaptionHeight() + 2 * FrameWidth());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  const int width = ClientWidth();
  const int height = ClientHeight();
  borderStyle_ = style;
  SetClientSize(width, height);
}

void TForm::Created() {
  CreateControls();
  if (OnCreate) Application().Dispatch([this] { OnCreate(this); });
}

bool TForm::Showing() const { return Visible(); }

void TForm::SetVisible(bool visible) {
  if (visible) {
    Show();
  } else {
    Hide();
  }
}

void TForm::Show() {
  if (!StoreVisible(true)) return;
  if (ui::Backend* backend = ui::ActiveBackend()) backend->FormShown(*this, modal_);
  if (OnShow) Application().Dispatch([this] { OnShow(this); });
}

void TForm::Hide() {
  if (!StoreVisible(false)) return;
  if (ui::Backend* backend = ui::ActiveBackend()) backend->FormHidden(*this);
}

bool TForm::AskClose() {
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  return action != caNone;
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!AskClose()) return;
  Hide();
  if (Application().MainForm() == this) Application().Terminate();
}

TModalResult TForm::ShowModal() {
  TApplication& application = Application();
  // Once the main window has closed (say during a transfer), the handler still on the stack
  // unwinds towards the end of the program; a window popping up now would face a user who
  // has already left, so none is shown and the showing counts as cancelled.
  if (application.Terminated()) {
    if (ui::Backend* backend = application.Backend()) backend->ModalSuppressed(*this);
    return mrCancel;
  }
  if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  ui::Backend* backend = application.Backend();
  if (backend == nullptr) throw EInvalidOperation("No backend presents the windows");

  struct ModalState {
    TForm& form;
    ~ModalState() {
      form.modal_ = false;
      form.Hide();
    }
  };
  modal_ = true;
  modalResult_ = mrNone;
  const ModalState leaveModal{*this};
  Show();
  while (true) {
    if (application.Terminated()) {
      modalResult_ = mrCancel;
      break;
    }
    if (modalResult_ != mrNone) {
      if (CloseModal()) break;
      modalResult_ = mrNone;
    }
    if (!backend->HandleMessage()) {
      // No input will ever come: the form goes as if its close box had been used.
      modalResult_ = mrCancel;
      break;
    }
  }
  backend->ModalEnded(*this, modalResult_);
  return modalResult_;
}

bool TForm::CloseModal() { return AskClose(); }

TButton* TForm::FindDialogButton(bool isDefault) const {
  std::vector<const TControl*> pending{this};
  while (!pending.empty()) {
    const TControl* control = pending.back();
    pending.pop_back();
    for (int i = control->ControlCount() - 1; i >= 0; --i) {
      TControl* child = control->Controls(i);
      auto* button = dynamic_cast<TButton*>(child);
      if (button != nullptr && (isDefault ? button->Default() : button->Cancel()) &&
          button->Showing() && button->Enabled()) {
        return button;
      }
      pending.push_back(child);
    }
  }
  return nullptr;
}

void TForm::PressKey(std::uint16_t key, TShiftState shift) {
  if (keyPreview_ && OnKeyDown) {
    OnKeyDown(this, key, shift);
    if (key == 0) return;
  }
  if ((key != VK_RETURN && key != VK_ESCAPE) || !shift.Empty()) return;
  if (TButton* button = FindDialogButton(key == VK_RETURN)) button->Click();
}

// ---- TApplication ---------------------------------------------------------------------------

namespace {

TApplication* applicationInUse = nullptr;

TApplication& ProgramApplication() {
  static TApplication application;
  return application;
}

std::string MessageOf(const std::exception& error) {
  if (const auto* exception = dynamic_cast<const Exception*>(&error)) return exception->Message();
  return error.what();
}

// What a box answers when nobody is there to press a button: the answer of its close box.
int DismissedAnswer(std::uint32_t flags) {
  switch (flags & 0x0Fu) {
    case MB_OK:
      return IDOK;
    case MB_YESNO:
      return IDNO;
    default:
      return IDCANCEL;
  }
}

}  // namespace

TApplication& Application() {
  return applicationInUse != nullptr ? *applicationInUse : ProgramApplication();
}

TApplication* UseApplication(TApplication* application) {
  return std::exchange(applicationInUse, application);
}

namespace ui {

Backend* ActiveBackend() { return Application().Backend(); }

}  // namespace ui

TApplication::~TApplication() {
  if (backend_ != nullptr) platform::SetMessageBoxPresenter(nullptr);
  if (applicationInUse == this) applicationInUse = nullptr;
}

void TApplication::Initialize() {
  if (title_) return;
  const std::string path = platform::TheSystem().ModuleFileName();
  const std::size_t folderEnd = path.find_last_of(std::string{'/', platform::TheSystem().PathDelimiter()});
  std::string name = folderEnd == std::string::npos ? path : path.substr(folderEnd + 1);
  const std::size_t extension = name.rfind('.');
  if (extension != std::string::npos) name.erase(extension);
  title_ = std::move(name);
}

std::string TApplication::Title() const { return title_.value_or(std::string{}); }

int TApplication::FormCount() const {
  int count = 0;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (dynamic_cast<TForm*>(Components(i)) != nullptr) ++count;
  }
  return count;
}

TForm* TApplication::Forms(int index) const {
  int seen = 0;
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* form = dynamic_cast<TForm*>(Components(i));
    if (form != nullptr && seen++ == index) return form;
  }
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

ui::Backend& TApplication::RequireBackend() const {
  if (backend_ == nullptr) throw EInvalidOperation("No backend presents the windows");
  return *backend_;
}

void TApplication::Run() {
  if (mainForm_ == nullptr) return;
  ui::Backend& backend = RequireBackend();
  mainForm_->Show();
  while (!terminated_) {
    if (!backend.HandleMessage()) {
      // The input has ended: the user is gone, so the program ends as if the window closed.
      mainForm_->Close();
      Terminate();
    }
  }
}

void TApplication::ProcessMessages() {
  if (backend_ != nullptr) backend_->ProcessMessages();
}

int TApplication::MessageBox(const std::string& text, const std::string& caption,
                             std::uint32_t flags) {
  // After the main window has closed nobody reads boxes any more (see TForm::ShowModal).
  if (terminated_) {
    if (backend_ != nullptr) backend_->MessageBoxSuppressed(text, caption, flags);
    return DismissedAnswer(flags);
  }
  return RequireBackend().MessageBox(text, caption, flags);
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(std::move(error));
  } catch (const std::exception& escaped) {
    HandleException(escaped);
  } catch (...) {
    MessageBox("Unknown exception", Title(), MB_OK | MB_ICONSTOP);
  }
}

void TApplication::HandleException(const std::exception& error) { ShowException(error); }

void TApplication::ShowException(const std::exception& error) {
  MessageBox(MessageOf(error), Title(), MB_OK | MB_ICONSTOP);
}

void TApplication::Dispatch(const std::function<void()>& userAction) {
  try {
    userAction();
  } catch (const std::exception& escaped) {
    HandleException(escaped);
  }
}

void TApplication::SetBackend(ui::Backend* backend) {
  backend_ = backend;
  if (backend_ == nullptr) {
    platform::SetMessageBoxPresenter(nullptr);
    return;
  }
  platform::SetMessageBoxPresenter(
      [this](const std::string& text, const std::string& caption, std::uint32_t flags) {
        return MessageBox(text, caption, flags);
      });
}
