#include "ui/Buttons.h"

void TSpeedButton::SetGroupIndex(int groupIndex) {
  groupIndex_ = groupIndex;
  if (groupIndex_ == 0 && down_) {
    down_ = false;
    Changed(TControlChange::Down);
  } else if (down_) {
    ReleaseOthersOfGroup();
  }
}

void TSpeedButton::SetDown(bool down) {
  if (groupIndex_ == 0) down = false;
  if (down == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = down;
  Changed(TControlChange::Down);
  if (down_) ReleaseOthersOfGroup();
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0 && (!down_ || allowAllUp_)) SetDown(!down_);
  if (OnClick) OnClick(this);
}

void TSpeedButton::ReleaseOthersOfGroup() {
  TControl* parent = Parent();
  if (parent == nullptr) return;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(parent->Controls(i));
    if (other == nullptr || other == this || other->groupIndex_ != groupIndex_) continue;
    if (other->down_) {
      other->down_ = false;
      other->Changed(TControlChange::Down);
    }
  }
}
