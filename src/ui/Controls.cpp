#include "ui/Controls.h"

#include <algorithm>

#include "ui/AdvGrid.h"
#include "ui/Backend.h"
#include "ui/Forms.h"

namespace {

[[noreturn]] void ListIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

}  // namespace

// ---- TComponent -----------------------------------------------------------------------------

TComponent::~TComponent() {
  // Last created first, so that nothing outlives what it was built on.
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ListIndexError(index);
  return components_[static_cast<std::size_t>(index)].get();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (const auto& component : components_) {
    if (SameText(component->Name(), name)) return component.get();
  }
  for (const auto& component : components_) {
    if (TComponent* found = component->FindComponent(name)) return found;
  }
  return nullptr;
}

void TComponent::Adopt(std::unique_ptr<TComponent> component, std::string name) {
  TComponent& adopted = *component;
  adopted.owner_ = this;
  if (!name.empty()) adopted.SetName(std::move(name));
  auto* parent = dynamic_cast<TControl*>(this);
  auto* control = dynamic_cast<TControl*>(&adopted);
  if (parent != nullptr && control != nullptr) control->SetParent(parent);
  components_.push_back(std::move(component));
  adopted.Created();
}

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(bool visible) : visible_(visible) {
  font_.OnChange = [this] { Changed(TControlChange::Font); };
}

TControl::~TControl() {
  SetParent(nullptr);
  for (TControl* child : controls_) child->parent_ = nullptr;
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  if (parent_ != nullptr) std::erase(parent_->controls_, this);
  parent_ = parent;
  if (parent_ != nullptr) parent_->controls_.push_back(this);
}

TControl* TControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) ListIndexError(index);
  return controls_[static_cast<std::size_t>(index)];
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(TControlChange::Bounds);
}

bool TControl::StoreVisible(bool visible) {
  if (visible == visible_) return false;
  visible_ = visible;
  return true;
}

void TControl::SetVisible(bool visible) {
  if (StoreVisible(visible)) Changed(TControlChange::Visible);
}

bool TControl::Showing() const { return visible_ && parent_ != nullptr && parent_->Showing(); }

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(TControlChange::Enabled);
}

void TControl::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(TControlChange::Caption);
}

void TControl::SetHint(std::string hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  Changed(TControlChange::Hint);
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed(TControlChange::Color);
}

void TControl::Repaint() { Changed(TControlChange::Repaint); }

std::intptr_t TControl::Perform(std::uint32_t message, std::intptr_t wParam,
                                std::intptr_t lParam) {
  // The backend draws from the model, so taking up a new font needs nothing beyond telling it.
  if (ui::Backend* backend = ui::ActiveBackend()) {
    backend->MessagePerformed(*this, message, wParam, lParam);
  }
  return 0;
}

void TControl::Changed(TControlChange change) {
  if (ui::Backend* backend = ui::ActiveBackend()) backend->ControlChanged(*this, change);
}

// ---- Kinds and names ------------------------------------------------------------------------

bool IsControl(const TComponent* component) {
  return dynamic_cast<const TControl*>(component) != nullptr;
}

bool IsFrame(const TComponent* component) {
  return dynamic_cast<const TFrame*>(component) != nullptr;
}

bool IsStringGrid(const TComponent* component) {
  return dynamic_cast<const TAdvStringGrid*>(component) != nullptr;
}

TForm* GetParentForm(TControl& control) {
  for (TControl* current = &control; current != nullptr; current = current->Parent()) {
    if (auto* form = dynamic_cast<TForm*>(current)) return form;
  }
  return nullptr;
}

std::string QualifiedName(const TComponent& component) {
  std::string name = component.Name();
  for (const TComponent* owner = component.Owner(); owner != nullptr; owner = owner->Owner()) {
    if (dynamic_cast<const TApplication*>(owner) != nullptr) break;
    name = owner->Name() + "." + name;
  }
  return name;
}
