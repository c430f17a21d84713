#pragma once
// Components with owners, and controls: the visible parts of a window.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "rtl/sysutils.h"
#include "ui/Graphics.h"
#include "ui/Sets.h"

DECLARE_EXCEPTION(EListError, Exception);
DECLARE_EXCEPTION(EInvalidOperation, Exception);

class TComponent;

// The handler of an event that only names its sender.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

// A component owns the components created through it, in creation order, and destroys them
// (last created first) when it goes.
class TComponent {
 public:
  TComponent() = default;
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  TComponent* Owner() const { return owner_; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. ComponentCount() - 1.
  TComponent* Components(int index) const;
  // The owned component with this name (ASCII case ignored), searched through the owned
  // components' own components too; nullptr when none.
  TComponent* FindComponent(const std::string& name) const;

  // Makes a component owned by this one. A non-empty name replaces the one the component
  // gave itself. A control created by a control gets it as its parent (a window owns all its
  // controls: one that lies in a group box is created by the window and given the box as
  // parent). The component's Created() runs once it is in place.
  template <class T, class... Args>
  T& Create(std::string name, Args&&... args) {
    static_assert(std::is_base_of_v<TComponent, T>);
    auto component = std::make_unique<T>(std::forward<Args>(args)...);
    T& created = *component;
    Adopt(std::move(component), std::move(name));
    return created;
  }

 protected:
  // Runs once the component has its owner, name and parent.
  virtual void Created() {}

 private:
  void Adopt(std::unique_ptr<TComponent> component, std::string name);

  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
};

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The frame of a window; controls with a border know only bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// What changed on a control, for the backend that presents it. Contents covers what a grid
// or a list holds (cells, counts, widths), which a drawing backend reads when it draws.
enum class TControlChange {
  Caption, Hint, Enabled, Visible, Bounds, Color, Font, Repaint, Checked, Down, ItemIndex, Contents
};

// The toolkit's font-changed notification, sent with Perform after a control's font changed.
inline constexpr std::uint32_t CM_FONTCHANGED = 0xB00E;

class TForm;

class TControl : public TComponent {
 public:
  // A window starts hidden, every other control visible.
  explicit TControl(bool visible = true);
  ~TControl() override;

  // The control that contains this one (nullptr for a window or a free control).
  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent);
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;  // EListError outside the range

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  void SetBounds(int left, int top, int width, int height);

  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors anchors) { anchors_ = anchors; }

  bool Visible() const { return visible_; }
  // For a window, showing or hiding it.
  virtual void SetVisible(bool visible);
  // On screen: visible and inside a showing parent (a window: visible).
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool showHint) { showHint_ = showHint; }

  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int tabOrder) { tabOrder_ = tabOrder; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }

  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Draws the control anew.
  void Repaint();
  // Sends a toolkit message to the control; CM_FONTCHANGED makes it take up its font.
  // Returns the message's result (0 for the messages the toolkit knows).
  std::intptr_t Perform(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam);

 protected:
  // Tells the backend what changed; a control whose value changed calls it.
  void Changed(TControlChange change);
  // Stores the visibility without telling anyone; true when it changed.
  bool StoreVisible(bool visible);

 private:
  TControl* parent_ = nullptr;
  std::vector<TControl*> controls_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAnchors anchors_{akLeft, akTop};
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string hint_;
  bool showHint_ = false;
  int tabOrder_ = -1;
  bool tabStop_ = false;
  TFont font_;
  TColor color_ = clBtnFace;
};

// A panel that groups controls as a unit; it owns the components created through it.
class TFrame : public TControl {};

class TAdvStringGrid;

bool IsControl(const TComponent* component);
bool IsFrame(const TComponent* component);
bool IsStringGrid(const TComponent* component);

// The window a control lies in (through its parents), nullptr when none.
TForm* GetParentForm(TControl& control);

// The component's name joined to its owners' names with "." ("UpdateForm.dxButton2"); the
// application itself adds nothing.
std::string QualifiedName(const TComponent& component);
