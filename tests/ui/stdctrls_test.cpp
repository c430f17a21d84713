#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/StdCtrls.h"
#include "ui_fixture.h"

namespace {

using testing::ElementsAre;

TEST(CheckBoxTest, ClickTogglesAndRunsOnClickWhileSettingDoesNot) {
  TCheckBox box;
  std::vector<bool> seenInHandler;
  box.OnClick = [&](TComponent*) { seenInHandler.push_back(box.Checked()); };
  box.SetChecked(true);
  EXPECT_TRUE(seenInHandler.empty());
  box.Click();
  box.Click();
  EXPECT_THAT(seenInHandler, ElementsAre(false, true));
}

TEST(EditTest, OnChangeRunsOnlyWhenTheTextChanges) {
  TEdit edit;
  int changes = 0;
  edit.OnChange = [&](TComponent*) { ++changes; };
  edit.SetText("proxy");
  edit.SetText("proxy");
  EXPECT_EQ(edit.Text(), "proxy");
  EXPECT_EQ(edit.Caption(), "proxy");
  EXPECT_EQ(changes, 1);
}

TEST(ComboBoxTest, OnlyItemsCanBeChosen) {
  TComboBox list;
  list.Items().SetText("HTTP\r\nHTTPS\r\nSOCKS4\r\nSOCKS5");
  struct Case {
    int set, index;
    const char* text;
  } cases[] = {{3, 3, "SOCKS5"}, {4, -1, ""}, {0, 0, "HTTP"}, {-2, -1, ""}};
  for (const Case& c : cases) {
    list.SetItemIndex(c.set);
    EXPECT_EQ(list.ItemIndex(), c.index) << c.set;
    EXPECT_EQ(list.Text(), c.text) << c.set;
  }
  list.SetItemIndex(3);
  list.Items().Delete(3);
  EXPECT_EQ(list.ItemIndex(), -1);  // the chosen item is gone
  EXPECT_EQ(list.Text(), "");
}

TEST(ComboBoxTest, SelectChoosesAndRunsOnChange) {
  TComboBox list;
  list.Items().SetText("HTTP\r\nHTTPS");
  std::string chosen;
  list.OnChange = [&](TComponent*) { chosen = list.Text(); };
  list.SetItemIndex(0);
  EXPECT_EQ(chosen, "");
  list.Select(1);
  EXPECT_EQ(chosen, "HTTPS");
}

class ButtonTest : public UiTest {};

TEST_F(ButtonTest, ModalResultReachesTheWindowBeforeOnClick) {
  auto& dialog = app.CreateForm<TTestDialog>();
  TModalResult seen = mrNone;
  dialog.ok.OnClick = [&](TComponent*) { seen = dialog.ModalResult(); };
  dialog.ok.Click();
  EXPECT_EQ(seen, mrOk);
}

TEST_F(ButtonTest, PasswordEditShowsItsMaskOnly) {
  auto& dialog = app.CreateForm<TTestDialog>();
  dialog.edit.SetPasswordChar('*');
  dialog.Show();
  dialog.edit.SetText("secret");
  EXPECT_TRUE(RecordedInOrder({"text TestDialog.NameEdt \"******\""}));
  EXPECT_EQ(dialog.edit.Text(), "secret");
}

}  // namespace
