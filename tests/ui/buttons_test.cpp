#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Buttons.h"
#include "ui/Forms.h"

namespace {

class SpeedButtonGroupTest : public testing::Test {
 protected:
  SpeedButtonGroupTest() {
    for (TSpeedButton* button : buttons) {
      button->SetGroupIndex(1);
      button->OnClick = [this](TComponent* sender) { clicks.push_back(sender->Name()); };
    }
    btnEng.SetDown(true);
  }

  std::vector<bool> DownStates() const {
    std::vector<bool> states;
    for (const TSpeedButton* button : buttons) states.push_back(button->Down());
    return states;
  }

  TForm form;
  TSpeedButton& btnEng = form.Create<TSpeedButton>("btnEng");
  TSpeedButton& btnRus = form.Create<TSpeedButton>("btnRus");
  TSpeedButton& btnBeta = form.Create<TSpeedButton>("btnBeta");
  std::vector<TSpeedButton*> buttons{&btnEng, &btnRus, &btnBeta};
  std::vector<std::string> clicks;
};

using testing::ElementsAre;

TEST_F(SpeedButtonGroupTest, PressingOneReleasesTheOthers) {
  btnBeta.Click();
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, false, true}));
  btnRus.SetDown(true);
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, true, false}));
  EXPECT_THAT(clicks, ElementsAre("btnBeta"));
}

TEST_F(SpeedButtonGroupTest, TheDownButtonStaysDownWhenClickedOrReleased) {
  btnEng.Click();
  btnEng.SetDown(false);
  EXPECT_EQ(DownStates(), (std::vector<bool>{true, false, false}));
  EXPECT_THAT(clicks, ElementsAre("btnEng"));  // the click still reaches its handler
}

TEST_F(SpeedButtonGroupTest, AllowAllUpLetsTheDownButtonGoUp) {
  btnEng.SetAllowAllUp(true);
  btnEng.Click();
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, false, false}));
}

TEST_F(SpeedButtonGroupTest, OtherGroupsAndOtherParentsAreNotTouched) {
  auto& otherGroup = form.Create<TSpeedButton>("Other");
  otherGroup.SetGroupIndex(2);
  otherGroup.SetDown(true);
  TForm otherForm;
  auto& elsewhere = otherForm.Create<TSpeedButton>("Elsewhere");
  elsewhere.SetGroupIndex(1);
  elsewhere.SetDown(true);

  btnRus.Click();
  EXPECT_TRUE(otherGroup.Down());
  EXPECT_TRUE(elsewhere.Down());
  EXPECT_EQ(DownStates(), (std::vector<bool>{false, true, false}));
}

TEST(SpeedButtonTest, ButtonWithoutGroupNeverStaysDown) {
  TForm form;
  auto& button = form.Create<TSpeedButton>("Plain");
  int clicks = 0;
  button.OnClick = [&](TComponent*) { ++clicks; };
  button.SetDown(true);
  button.Click();
  EXPECT_FALSE(button.Down());
  EXPECT_EQ(clicks, 1);
}

}  // namespace
