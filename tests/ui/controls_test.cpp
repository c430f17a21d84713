#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/AdvGrid.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/StdCtrls.h"
#include "ui_fixture.h"

namespace {

using testing::ElementsAre;

// Notes its name in a shared list when destroyed.
class TNoisyComponent : public TComponent {
 public:
  explicit TNoisyComponent(std::vector<std::string>& destroyed) : destroyed_(destroyed) {}
  ~TNoisyComponent() override { destroyed_.push_back(Name()); }

 private:
  std::vector<std::string>& destroyed_;
};

TEST(ComponentTest, OwnsInCreationOrderAndFreesOwnedAfterTheOwnersOwnTeardown) {
  std::vector<std::string> destroyed;
  {
    TComponent owner;
    auto& first = owner.Create<TNoisyComponent>("First", destroyed);
    auto& second = owner.Create<TNoisyComponent>("Second", destroyed);
    second.Create<TNoisyComponent>("Inner", destroyed);

    ASSERT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), &first);
    EXPECT_EQ(owner.Components(1), &second);
    EXPECT_EQ(second.Owner(), &owner);
    EXPECT_EQ(owner.FindComponent("inner"), second.Components(0));
    EXPECT_EQ(owner.FindComponent("Missing"), nullptr);
  }
  EXPECT_THAT(destroyed, ElementsAre("Second", "Inner", "First"));
}

TEST(ComponentTest, IndexOutsideTheComponentsRaisesListError) {
  TComponent owner;
  owner.Create<TComponent>("Only");
  EXPECT_THROW(
      {
        try {
          owner.Components(1);
        } catch (const EListError& error) {
          EXPECT_EQ(error.Message(), "List index out of bounds (1)");
          throw;
        }
      },
      EListError);
  EXPECT_THROW(owner.Components(-1), EListError);
}

TEST(ComponentTest, CountReadAnewSeesComponentsCreatedDuringTheWalk) {
  TComponent owner;
  owner.Create<TLabel>("Label1");
  owner.Create<TLabel>("Label2");
  std::vector<std::string> visited;
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    visited.push_back(owner.Components(i)->Name());
    if (i == 0) owner.Create<TLabel>("AddedWhileWalking");
  }
  EXPECT_THAT(visited, ElementsAre("Label1", "Label2", "AddedWhileWalking"));
}

TEST(ControlTest, ControlCreatedByAControlLiesInItAndCanMove) {
  TForm form;
  auto& box = form.Create<TGroupBox>("GroupBox1");
  auto& label = form.Create<TLabel>("Label1");
  EXPECT_EQ(label.Parent(), &form);
  label.SetParent(&box);
  EXPECT_EQ(label.Parent(), &box);
  ASSERT_EQ(box.ControlCount(), 1);
  EXPECT_EQ(box.Controls(0), &label);
  EXPECT_EQ(form.ControlCount(), 1);  // the group box alone
  EXPECT_EQ(label.Owner(), &form);    // ownership stays with the window
  EXPECT_EQ(GetParentForm(label), &form);
}

TEST(ControlTest, DestroyingAParentCreatedLaterLeavesNoDanglingChild) {
  TComponent owner;
  auto& label = owner.Create<TLabel>("Label1");
  {
    auto box = std::make_unique<TGroupBox>();
    label.SetParent(box.get());
  }
  EXPECT_EQ(label.Parent(), nullptr);
}

TEST(ControlTest, KindChecksTellControlsFramesAndGrids) {
  struct Case {
    std::unique_ptr<TComponent> component;
    bool control, frame, grid;
  };
  Case cases[] = {
      {std::make_unique<TComponent>(), false, false, false},
      {std::make_unique<TLabel>(), true, false, false},
      {std::make_unique<TFrame>(), true, true, false},
      {std::make_unique<TAdvStringGrid>(), true, false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsControl(c.component.get()), c.control);
    EXPECT_EQ(IsFrame(c.component.get()), c.frame);
    EXPECT_EQ(IsStringGrid(c.component.get()), c.grid);
  }
  EXPECT_FALSE(IsControl(nullptr));
}

TEST(FontTest, SizeAndHeightConvertAt96DotsPerInchRounded) {
  struct Case {
    int points, height;
  } cases[] = {{8, -11}, {10, -13}, {12, -16}, {14, -19}, {20, -27}, {40, -53}};
  for (const Case& c : cases) {
    TFont font;
    font.SetSize(c.points);
    EXPECT_EQ(font.Height(), c.height) << c.points << " points";
    font.SetHeight(c.height);
    EXPECT_EQ(font.Size(), c.points) << c.height << " pixels";
  }
}

TEST(FontTest, CopyTakesTheDescriptionButNotTheListener) {
  int changes = 0;
  TFont source;
  source.OnChange = [&] { ++changes; };
  source.SetName("Tahoma");
  source.SetStyle({fsBold});
  ASSERT_EQ(changes, 2);

  TFont copy(source);
  EXPECT_TRUE(copy == source);
  copy.SetName("Arial");
  EXPECT_EQ(changes, 2);

  source = copy;
  EXPECT_EQ(source.Name(), "Arial");
  EXPECT_EQ(changes, 3);
  source.SetName("Arial");  // no change, no notice
  EXPECT_EQ(changes, 3);
}

TEST(ColorTest, ColorsAreBlueGreenRed) {
  EXPECT_EQ(RGBToColor(0, 64, 128), 8404992);
  EXPECT_EQ(RGBToColor(255, 0, 0), clRed);
  EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
  EXPECT_EQ(ColorToRGB(8404992), 8404992);
}

class ControlRecordTest : public UiTest {};

TEST_F(ControlRecordTest, ChangesOnAShownWindowAreSeenAndOnAHiddenOneNot) {
  auto& form = app.CreateForm<TTestDialog>();
  auto& label = form.Create<TLabel>("Label1");
  label.SetCaption("before");
  label.Font().SetCharset(RUSSIAN_CHARSET);
  form.Show();
  label.SetCaption("after");
  label.Font().SetName("Arial");
  label.Perform(CM_FONTCHANGED, 0, 0);
  label.SetEnabled(false);
  label.SetVisible(false);
  label.SetCaption("unseen");

  EXPECT_THAT(script.Events(),
              ElementsAre("show TestDialog \"\"", "caption TestDialog.Label1 \"after\"",
                          "font TestDialog.Label1 \"Arial\" -11 charset 204 color -2147483640",
                          "perform TestDialog.Label1 0xB00E 0 0",
                          "enabled TestDialog.Label1 false", "visible TestDialog.Label1 false"));
}

}  // namespace
