#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "rtl/ansi.h"
#include "ui/Buttons.h"
#include "ui/Dialogs.h"
#include "ui/Gauges.h"
#include "ui_fixture.h"

namespace {

using testing::HasSubstr;
using ui::ScriptFailure;
using ui::UserAction;

class ScriptedTest : public UiTest {
 protected:
  // What the script failure says, empty when there was none.
  template <class Body>
  std::string FailureOf(Body body) {
    try {
      body();
    } catch (const ScriptFailure& failure) {
      return failure.what();
    }
    return {};
  }

  TTestDialog& dialog = app.CreateForm<TTestDialog>();
};

TEST_F(ScriptedTest, UnexpectedBoxFailsWithItsText) {
  const std::string failure = FailureOf([] { ShowMessage(Ansi("Ошибка сети")); });
  EXPECT_THAT(failure, HasSubstr("a message box appeared with nothing queued for it"));
  EXPECT_THAT(failure, HasSubstr("Ошибка сети"));  // readable, in UTF-8
}

TEST_F(ScriptedTest, FailureSwallowedByAHandlerStillReachesTheTest) {
  dialog.ok.OnClick = [](TComponent*) {
    try {
      ShowMessage("Loading update failed: ");
    } catch (const std::exception&) {
      // a handler that reports failures of its own catches the script's failure too
    }
  };
  script.Queue(UserAction::Press("TestDialog", "OkBtn"));
  EXPECT_THAT(FailureOf([&] { dialog.ShowModal(); }),
              HasSubstr("nothing queued for it: \"\" \"Loading update failed: \""));
  EXPECT_FALSE(dialog.Visible());
}

TEST_F(ScriptedTest, ModalFormWithNothingQueuedFailsInsteadOfWaiting) {
  EXPECT_THAT(FailureOf([&] { dialog.ShowModal(); }),
              HasSubstr("modal form TestDialog was shown with nothing queued for it"));
  EXPECT_FALSE(dialog.Modal());
}

TEST(ScriptMismatchTest, ScriptThatDoesNotMatchTheScreenFails) {
  struct Case {
    UserAction action;
    const char* message;
  } cases[] = {
      {UserAction::Press("Other", "OkBtn"),
       "modal form TestDialog is shown, but the script acts on form Other"},
      {UserAction::Press("TestDialog", "Missing"), "form TestDialog has no control Missing"},
      {UserAction::Press("TestDialog", "NameEdt"), "TestDialog.NameEdt is not a button"},
      {UserAction::Toggle("TestDialog", "OkBtn"), "TestDialog.OkBtn is not a check box"},
      {UserAction::Choose("TestDialog", "UseChk", 0), "TestDialog.UseChk is not a drop-down list"},
  };
  for (const Case& c : cases) {
    ui::ScriptedSession session;
    auto& shown = session.App().CreateForm<TTestDialog>();
    session.App().CreateForm<TTestDialog>().SetName("Other");
    session.Script().Queue(c.action);
    std::string failure;
    try {
      shown.ShowModal();
    } catch (const ScriptFailure& error) {
      failure = error.what();
    }
    EXPECT_THAT(failure, HasSubstr(c.message));
  }
}

TEST_F(ScriptedTest, ActingOnAFormBehindTheModalOneFails) {
  dialog.ok.OnClick = [](TComponent*) { Application().ProcessMessages(); };
  script.Queue(UserAction::Press("TestDialog", "OkBtn"))
      .AtProcessMessages(1, UserAction::Press("Nowhere", "OkBtn"));
  EXPECT_THAT(FailureOf([&] { dialog.ShowModal(); }),
              HasSubstr("modal form TestDialog is shown, but the script acts on form Nowhere"));
}

TEST_F(ScriptedTest, ActingOnAHiddenFormFails) {
  app.CreateForm<TTestDialog>().SetName("Hidden");
  script.Queue(UserAction::Press("Hidden", "OkBtn"));
  EXPECT_THAT(FailureOf([&] { app.Run(); }),
              HasSubstr("the script acts on form Hidden, which is not shown"));
}

TEST_F(ScriptedTest, UserActionsGoThroughTheModel) {
  auto& list = dialog.Create<TComboBox>("edProxyType");
  list.Items().SetText("HTTP\r\nHTTPS\r\nSOCKS5");
  std::string chosen;
  list.OnChange = [&](TComponent*) { chosen += list.Text() + ";"; };
  bool clicked = false;
  dialog.check.OnClick = [&](TComponent*) { clicked = dialog.check.Checked(); };

  script.Queue(UserAction::Type("TestDialog", "NameEdt", "10.0.0.1"))
      .Queue(UserAction::Toggle("TestDialog", "UseChk"))
      .Queue(UserAction::Choose("TestDialog", "edProxyType", "SOCKS5"))
      .Queue(UserAction::Choose("TestDialog", "edProxyType", 1))
      .Queue(UserAction::Press("TestDialog", "OkBtn"));
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(dialog.edit.Text(), "10.0.0.1");
  EXPECT_TRUE(clicked);
  EXPECT_EQ(chosen, "SOCKS5;HTTPS;");
  EXPECT_TRUE(RecordedInOrder({"type TestDialog.NameEdt \"10.0.0.1\"",
                               "text TestDialog.NameEdt \"10.0.0.1\"", "toggle TestDialog.UseChk",
                               "checked TestDialog.UseChk true",
                               "choose TestDialog.edProxyType \"SOCKS5\"",
                               "item TestDialog.edProxyType 2 \"SOCKS5\""}));

  script.Queue(UserAction::Choose("TestDialog", "edProxyType", "FTP"));
  EXPECT_THAT(FailureOf([&] { dialog.ShowModal(); }), HasSubstr("has no such item"));
}

TEST_F(ScriptedTest, BoxesAreAnsweredByTheirTextInQueueOrder) {
  script.AnswerBox("first", IDCANCEL).AnswerBox("first").AnswerBox("never");
  EXPECT_EQ(app.MessageBox("the first box", "t", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(app.MessageBox("first again", "t", MB_OK), IDOK);
  EXPECT_EQ(script.Unused(), "answer 1 to a box with \"never\"\n");
}

TEST_F(ScriptedTest, CloseBoxNeedsASystemMenu) {
  dialog.SetBorderIcons({});
  script.Queue(UserAction::CloseBox("TestDialog")).Queue(UserAction::Press("TestDialog", "OkBtn"));
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_TRUE(RecordedInOrder({"ignored close box TestDialog (no close box)"}));
}

TEST_F(ScriptedTest, RecordShowsCaptionsColoursAndGauge) {
  auto& gauge = dialog.Create<TGauge>("ProgressBar");
  dialog.SetCaption(Ansi("Обновление"));
  dialog.Show();
  gauge.SetForeColor(8404992);
  gauge.SetProgress(42);
  dialog.ok.SetColor(clSilver);
  EXPECT_TRUE(RecordedInOrder({Ansi("show TestDialog \"Обновление\""),
                               "color TestDialog.ProgressBar 16777215 bar 8404992",
                               "repaint TestDialog.ProgressBar 42%",
                               "color TestDialog.OkBtn 12632256"}));
  EXPECT_THAT(script.Transcript(), HasSubstr("show TestDialog \"Обновление\"\n"));
}

}  // namespace
