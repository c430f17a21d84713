#pragma once
// Speed buttons: flat buttons that stay down, one of a group at a time.

#include "ui/Controls.h"

class TSpeedButton : public TControl {
 public:
  TNotifyEvent OnClick;

  // Buttons of the same parent with the same non-zero group index form an exclusive group:
  // pressing one releases the others. Group 0 buttons never stay down.
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int groupIndex);
  bool Down() const { return down_; }
  // Putting a button down releases the others of its group. Without AllowAllUp the down
  // button of a group cannot be released, only replaced.
  void SetDown(bool down);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool allowAllUp) { allowAllUp_ = allowAllUp; }

  // What the user's click does: in a group the button goes down (or up, when all may be up),
  // then OnClick runs.
  void Click();

 private:
  void ReleaseOthersOfGroup();

  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
};
