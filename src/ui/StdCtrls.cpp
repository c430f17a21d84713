#include "ui/StdCtrls.h"

#include "ui/Forms.h"

void TButton::Click() {
  if (modalResult_ != mrNone) {
    if (TForm* form = GetParentForm(*this)) form->SetModalResult(modalResult_);
  }
  if (OnClick) OnClick(this);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed(TControlChange::Checked);
}

void TCheckBox::Click() {
  SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

TEdit::TEdit() {
  SetTabStop(true);
  SetColor(clWindow);
}

void TEdit::SetText(std::string text) {
  if (text == Text()) return;
  SetCaption(std::move(text));
  if (OnChange) OnChange(this);
}

TComboBox::TComboBox() {
  SetTabStop(true);
  SetColor(clWindow);
}

int TComboBox::ItemIndex() const { return itemIndex_ < items_.Count() ? itemIndex_ : -1; }

void TComboBox::SetItemIndex(int index) {
  const int chosen = index >= 0 && index < items_.Count() ? index : -1;
  if (chosen == ItemIndex()) return;
  itemIndex_ = chosen;
  Changed(TControlChange::ItemIndex);
}

std::string TComboBox::Text() const {
  const int index = ItemIndex();
  return index >= 0 ? items_[index] : std::string{};
}

void TComboBox::Select(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange(this);
}
