#pragma once
// Windows and the application object with its message loop.

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "ui/Backend.h"
#include "ui/Controls.h"
#include "ui/Sets.h"
#include "ui/StdCtrls.h"

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;

enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter,
                 poOwnerFormCenter };

enum TShiftStateItem { ssShift, ssAlt, ssCtrl };
using TShiftState = TSet<TShiftStateItem>;

inline constexpr std::uint16_t VK_RETURN = 0x0D;
inline constexpr std::uint16_t VK_ESCAPE = 0x1B;

enum TCloseAction { caNone, caHide };

using TKeyEvent = std::function<void(TComponent* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TCloseEvent = std::function<void(TComponent* Sender, TCloseAction& Action)>;

// Frame metrics at 96 dots per inch: the border on each side and the caption bar's height
// that lie between a window's size and its client size.
inline constexpr int kSizeableFrameWidth = 4;
inline constexpr int kDialogFrameWidth = 3;
inline constexpr int kCaptionHeight = 22;
inline constexpr int kToolCaptionHeight = 19;

class TForm : public TControl {
 public:
  TForm();

  // The area inside the frame; the window's size follows from it and the border style.
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
  void SetClientSize(int width, int height);

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  // Keeps the client size.
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons) { borderIcons_ = icons; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  // The window sees key presses before its controls.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool keyPreview) { keyPreview_ = keyPreview; }

  // Once, when the form has been created (after CreateControls).
  TNotifyEvent OnCreate;
  // Each time the form becomes visible.
  TNotifyEvent OnShow;
  // When the form is about to close; caNone keeps it open.
  TCloseEvent OnClose;
  // A key press, when KeyPreview is set; setting the key to 0 consumes it.
  TKeyEvent OnKeyDown;

  bool Showing() const override;
  void SetVisible(bool visible) override;
  void Show();
  void Hide();
  // Closes the window: a modal one ends its showing with mrCancel (unless a result is set);
  // another one asks OnClose and hides. Closing the main form terminates the application.
  void Close();

  TModalResult ModalResult() const { return modalResult_; }
  // Non-zero during ShowModal ends the modal showing with this result.
  void SetModalResult(TModalResult result) { modalResult_ = result; }
  bool Modal() const { return modal_; }
  // Shows the form and runs a nested loop until it closes; returns the modal result.
  // EInvalidOperation when the form is already visible.
  TModalResult ShowModal();

  // What the user's key press does: OnKeyDown first when KeyPreview is set; then, unless it
  // consumed the key, Enter clicks the default button and Escape the cancel button.
  void PressKey(std::uint16_t key, TShiftState shift = {});

 protected:
  // Where a derived form builds its controls; runs once after the form has its owner and
  // before OnCreate.
  virtual void CreateControls() {}
  void Created() override;

 private:
  int FrameWidth() const;
  int CaptionHeight() const;
  // The modal loop's ending: asks OnClose; false when it keeps the form open.
  bool CloseModal();
  bool AskClose();
  TButton* FindDialogButton(bool isDefault) const;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDefault;
  bool keyPreview_ = false;
  TModalResult modalResult_ = mrNone;
  bool modal_ = false;
};

// MessageBox flags and answers.
inline constexpr std::uint32_t MB_OK = 0x00;
inline constexpr std::uint32_t MB_OKCANCEL = 0x01;
inline constexpr std::uint32_t MB_YESNO = 0x04;
inline constexpr std::uint32_t MB_ICONSTOP = 0x10;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class TApplication : public TComponent {
 public:
  TApplication() = default;
  ~TApplication() override;

  void Initialize();

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T>
  T& CreateForm() {
    T& form = Create<T>(std::string{});
    if (mainForm_ == nullptr) mainForm_ = &form;
    return form;
  }
  // The forms that exist, in creation order.
  int FormCount() const;
  TForm* Forms(int index) const;  // EListError outside the range
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and handles the user's actions until it closes (or the input ends,
  // which closes it).
  void Run();
  // Carries out what the user did meanwhile, once, without waiting.
  void ProcessMessages();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // The title of the application's boxes; by default the executable's name without its
  // extension.
  std::string Title() const;
  void SetTitle(std::string title) { title_ = std::move(title); }

  // A modal box; returns the button pressed.
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags);
  // The default error box: an exception that escaped an event handler, shown with its
  // message; the program goes on.
  void HandleException(std::exception_ptr error);
  void HandleException(const std::exception& error);
  // The standard exception box, as the entry point shows an exception that reached it.
  void ShowException(const std::exception& error);

  // Runs what the user did as the message loop runs a message: an Exception or std::exception
  // that escapes goes to the default error box and the program goes on. Anything else passes.
  void Dispatch(const std::function<void()>& userAction);

  // The backend that presents the windows; the system message box goes to it too.
  void SetBackend(ui::Backend* backend);
  ui::Backend* Backend() const { return backend_; }

 private:
  ui::Backend& RequireBackend() const;

  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::optional<std::string> title_;
  ui::Backend* backend_ = nullptr;
};

// The application object: the program's own, unless UseApplication put another in place.
TApplication& Application();
// For tests: a fresh application for the time of a test (nullptr: the program's own). Returns
// the one that was in use before, nullptr for the program's own.
TApplication* UseApplication(TApplication* application);
