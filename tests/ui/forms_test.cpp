#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/fake_platform.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui_fixture.h"

namespace {

using testing::ElementsAre;
using ui::UserAction;

// Builds its controls in the hook, so OnCreate can see them.
class THookedForm : public TForm {
 public:
  THookedForm() { SetName("HookedForm"); }

  int createRuns = 0;
  int controlsSeenByOnCreate = -1;
  int formsSeenByOnCreate = -1;

 protected:
  void CreateControls() override {
    Create<TLabel>("Label1");
    OnCreate = [this](TComponent*) {
      ++createRuns;
      controlsSeenByOnCreate = ComponentCount();
      formsSeenByOnCreate = Application().FormCount();
    };
  }
};

// The main window: Update runs a long job that processes messages, Cancel closes.
class TMainForm : public TForm {
 public:
  TMainForm() {
    SetName("MainForm");
    SetCaption("Main");
    cancel.OnClick = [this](TComponent*) { Close(); };
  }

  TButton& update = Create<TButton>("UpdateBtn");
  TButton& cancel = Create<TButton>("CancelBtn");
};

class FormTest : public UiTest {};

TEST_F(FormTest, FormsAreCreatedInOrderAndTheFirstIsTheMainForm) {
  auto& main = app.CreateForm<TMainForm>();
  auto& hooked = app.CreateForm<THookedForm>();
  auto& dialog = app.CreateForm<TTestDialog>();

  EXPECT_EQ(app.MainForm(), &main);
  ASSERT_EQ(app.FormCount(), 3);
  EXPECT_EQ(app.Forms(0), &main);
  EXPECT_EQ(app.Forms(1), &hooked);
  EXPECT_EQ(app.Forms(2), &dialog);
  EXPECT_THROW(app.Forms(3), EListError);

  EXPECT_EQ(hooked.createRuns, 1);
  EXPECT_EQ(hooked.controlsSeenByOnCreate, 1);
  EXPECT_EQ(hooked.formsSeenByOnCreate, 2);  // a form exists during its own OnCreate
  EXPECT_FALSE(hooked.Visible());
}

TEST_F(FormTest, ClientSizeAndFrame) {
  struct Case {
    TFormBorderStyle style;
    int width, height;
  } cases[] = {{bsDialog, 586, 562}, {bsSingle, 586, 562}, {bsSizeable, 588, 564},
               {bsNone, 580, 534}, {bsToolWindow, 586, 559}};
  for (const Case& c : cases) {
    TForm form;
    form.SetBorderStyle(c.style);
    form.SetClientSize(580, 534);
    EXPECT_EQ(form.Width(), c.width) << c.style;
    EXPECT_EQ(form.Height(), c.height) << c.style;
    form.SetBorderStyle(bsSizeable);
    EXPECT_EQ(form.ClientWidth(), 580) << c.style;  // the client area is kept
    EXPECT_EQ(form.ClientHeight(), 534) << c.style;
  }
}

TEST_F(FormTest, ModalResultComesFromWhatTheUserDid) {
  auto& dialog = app.CreateForm<TTestDialog>();
  struct Case {
    std::vector<UserAction> actions;
    TModalResult result;
  } cases[] = {
      {{UserAction::Press("TestDialog", "OkBtn")}, mrOk},
      {{UserAction::Press("TestDialog", "CancelBtn")}, mrCancel},
      {{UserAction::Key("TestDialog", VK_RETURN)}, mrOk},
      {{UserAction::Key("TestDialog", VK_ESCAPE)}, mrCancel},
      {{UserAction::CloseBox("TestDialog")}, mrCancel},
      // Enter with Shift is no dialog key; typing and toggling do not end the showing.
      {{UserAction::Key("TestDialog", VK_RETURN, {ssShift}),
        UserAction::Type("TestDialog", "NameEdt", "x"), UserAction::Toggle("TestDialog", "UseChk"),
        UserAction::Press("TestDialog", "CancelBtn")},
       mrCancel},
  };
  for (const Case& c : cases) {
    for (const UserAction& action : c.actions) script.Queue(action);
    EXPECT_EQ(dialog.ShowModal(), c.result);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_FALSE(dialog.Modal());
    EXPECT_EQ(script.Unused(), "");
  }
  EXPECT_TRUE(RecordedInOrder({"show modal TestDialog \"\"", "press TestDialog.OkBtn",
                               "modal result TestDialog 1", "hide TestDialog"}));
}

TEST_F(FormTest, EnterNeedsAnEnabledDefaultButton) {
  auto& dialog = app.CreateForm<TTestDialog>();
  dialog.ok.SetEnabled(false);
  script.Queue(UserAction::Key("TestDialog", VK_RETURN))
      .Queue(UserAction::Press("TestDialog", "OkBtn"))
      .Queue(UserAction::CloseBox("TestDialog"));
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(RecordedInOrder({"key TestDialog Enter", "ignored press TestDialog.OkBtn (disabled)",
                               "close box TestDialog", "modal result TestDialog 2"}));
}

TEST_F(FormTest, KeyPreviewSeesKeysFirstAndCanConsumeThem) {
  auto& dialog = app.CreateForm<TTestDialog>();
  std::vector<std::uint16_t> keys;
  dialog.OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState) {
    keys.push_back(key);
    if (key == VK_ESCAPE) key = 0;
  };

  script.Queue(UserAction::Key("TestDialog", VK_ESCAPE));
  EXPECT_EQ(dialog.ShowModal(), mrCancel);  // without key preview the form does not see keys
  EXPECT_TRUE(keys.empty());

  dialog.SetKeyPreview(true);
  script.Queue(UserAction::Key("TestDialog", VK_ESCAPE))
      .Queue(UserAction::Key("TestDialog", VK_RETURN));
  EXPECT_EQ(dialog.ShowModal(), mrOk);  // Escape was consumed, Enter went on to OK
  EXPECT_THAT(keys, ElementsAre(VK_ESCAPE, VK_RETURN));
}

TEST_F(FormTest, KeyHandlerClosingOnEscapeEndsTheModalShowing) {
  auto& dialog = app.CreateForm<TTestDialog>();
  dialog.cancel.SetCancel(false);
  dialog.SetKeyPreview(true);
  dialog.OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState) {
    if (key == VK_ESCAPE) dialog.Close();
  };
  script.Queue(UserAction::Key("TestDialog", VK_ESCAPE, {ssCtrl}));
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST_F(FormTest, OnCloseCanKeepAModalFormOpen) {
  auto& dialog = app.CreateForm<TTestDialog>();
  int asked = 0;
  dialog.OnClose = [&](TComponent*, TCloseAction& action) {
    if (++asked == 1) action = caNone;
  };
  script.Queue(UserAction::CloseBox("TestDialog")).Queue(UserAction::Press("TestDialog", "OkBtn"));
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);
}

TEST_F(FormTest, NestedModalLoopsEndInnerFirst) {
  auto& outer = app.CreateForm<TTestDialog>();
  outer.SetName("Outer");
  auto& inner = app.CreateForm<TTestDialog>();
  inner.SetName("Inner");
  auto& open = outer.Create<TButton>("OpenBtn");
  TModalResult innerResult = mrNone;
  open.OnClick = [&](TComponent*) {
    outer.SetModalResult(mrRetry);  // asked for while the inner loop runs: ends the outer later
    innerResult = inner.ShowModal();
    EXPECT_TRUE(outer.Visible());
  };
  script.Queue(UserAction::Press("Outer", "OpenBtn")).Queue(UserAction::Key("Inner", VK_ESCAPE));

  EXPECT_EQ(outer.ShowModal(), mrRetry);
  EXPECT_EQ(innerResult, mrCancel);
  EXPECT_TRUE(RecordedInOrder({"show modal Outer \"\"", "show modal Inner \"\"",
                               "modal result Inner 2", "hide Inner", "modal result Outer 4",
                               "hide Outer"}));
}

TEST_F(FormTest, ShowingAVisibleFormModallyRaises) {
  auto& dialog = app.CreateForm<TTestDialog>();
  dialog.Show();
  EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
  EXPECT_TRUE(dialog.Visible());
}

TEST_F(FormTest, RunEndsWhenTheMainFormCloses) {
  auto& main = app.CreateForm<TMainForm>();
  int shows = 0;
  main.OnShow = [&](TComponent*) { ++shows; };
  script.Queue(UserAction::Press("MainForm", "CancelBtn"))
      .Queue(UserAction::Press("MainForm", "UpdateBtn"));
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(main.Visible());
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(script.Unused(), "press MainForm.UpdateBtn\n");
}

TEST_F(FormTest, RunClosesTheMainFormWhenTheScriptIsExhausted) {
  auto& main = app.CreateForm<TMainForm>();
  int closes = 0;
  main.OnClose = [&](TComponent*, TCloseAction& action) {
    ++closes;
    action = caNone;  // even a form that refuses cannot keep a finished script waiting
  };
  app.Run();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(app.Terminated());
}

TEST_F(FormTest, EscapedExceptionGoesToTheErrorBoxAndTheProgramGoesOn) {
  app.SetTitle("update");
  auto& main = app.CreateForm<TMainForm>();
  int runs = 0;
  main.update.OnClick = [&](TComponent*) {
    ++runs;
    if (runs == 1) throw Exception("Failed to set data for 'CurrentUpdate'");
    throw std::runtime_error("bad allocation");
  };
  script.Queue(UserAction::Press("MainForm", "UpdateBtn"))
      .Queue(UserAction::Press("MainForm", "UpdateBtn"))
      .Queue(UserAction::Press("MainForm", "CancelBtn"))
      .AnswerBox("CurrentUpdate")
      .AnswerBox("bad allocation");
  app.Run();
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(script.Boxes().size(), 2u);
  EXPECT_EQ(script.Boxes()[0].text, "Failed to set data for 'CurrentUpdate'");
  EXPECT_EQ(script.Boxes()[0].caption, "update");
  EXPECT_EQ(script.Boxes()[0].flags, MB_ICONSTOP);
  EXPECT_EQ(script.Boxes()[1].text, "bad allocation");
  EXPECT_TRUE(app.Terminated());
}

TEST_F(FormTest, FailingOnShowIsReportedAndTheFormStillShows) {
  auto& dialog = app.CreateForm<TTestDialog>();
  dialog.OnShow = [](TComponent*) { throw EFOpenError("Cannot open file ..\\proxy.def"); };
  script.AnswerBox("proxy.def").Queue(UserAction::Press("TestDialog", "CancelBtn"));
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(RecordedInOrder({"show modal TestDialog \"\"",
                               "box \"\" \"Cannot open file ..\\proxy.def\" flags 0x10 answer 1",
                               "press TestDialog.CancelBtn"}));
}

TEST_F(FormTest, OnlyExceptionsWithAMessageAreCaughtByTheLoop) {
  EXPECT_THROW(app.Dispatch([] { throw 42; }), int);
  script.AnswerBox("Unknown exception");
  app.HandleException(std::make_exception_ptr(42));
  EXPECT_EQ(script.Boxes().at(0).flags, MB_ICONSTOP);
}

TEST_F(FormTest, ClosingTheMainFormFromANestedLoopEndsEverything) {
  auto& main = app.CreateForm<TMainForm>();
  auto& dialog = app.CreateForm<TTestDialog>();
  auto& quit = dialog.Create<TButton>("QuitBtn");
  quit.OnClick = [&](TComponent*) { main.Close(); };
  std::vector<TModalResult> results;
  main.update.OnClick = [&](TComponent*) {
    results.push_back(dialog.ShowModal());
    ShowMessage("Update failed. ExitCode: -1");  // nobody is there to see it
    results.push_back(dialog.ShowModal());
  };
  script.Queue(UserAction::Press("MainForm", "UpdateBtn"))
      .Queue(UserAction::Press("TestDialog", "QuitBtn"));
  app.Run();
  EXPECT_THAT(results, ElementsAre(mrCancel, mrCancel));
  EXPECT_TRUE(app.Terminated());
  EXPECT_TRUE(script.Boxes().empty());
  EXPECT_TRUE(RecordedInOrder({"press TestDialog.QuitBtn", "hide MainForm",
                               "modal result TestDialog 2", "hide TestDialog",
                               "suppressed box \"\" \"Update failed. ExitCode: -1\" flags 0x0",
                               "suppressed modal TestDialog"}));
}

TEST_F(FormTest, CancelAtTheThirdProcessMessagesStopsALongJob) {
  auto& main = app.CreateForm<TMainForm>();
  int steps = 0;
  main.update.OnClick = [&](TComponent*) {
    main.update.SetEnabled(false);
    while (!app.Terminated() && steps < 10) {
      ++steps;
      app.ProcessMessages();
    }
    main.update.SetEnabled(true);
  };
  script.Queue(UserAction::Press("MainForm", "UpdateBtn"))
      .AtProcessMessages(2, UserAction::Press("MainForm", "UpdateBtn"))
      .AtProcessMessages(3, UserAction::Press("MainForm", "CancelBtn"));
  app.Run();
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(RecordedInOrder({"press MainForm.UpdateBtn", "enabled MainForm.UpdateBtn false",
                               "ignored press MainForm.UpdateBtn (at process messages 2) (disabled)",
                               "press MainForm.CancelBtn (at process messages 3)", "hide MainForm"}));
}

TEST_F(FormTest, MessagesAreTitledWithTheApplicationTitle) {
  app.SetTitle("Quorvane update");
  script.AnswerBox("Database update").AnswerBox("cannot terminate");
  ShowMessage("Database update has been successfully completed");
  EXPECT_EQ(platform::TheSystem().MessageBox("cannot terminate", "Error!", MB_ICONSTOP), IDOK);
  ASSERT_EQ(script.Boxes().size(), 2u);
  EXPECT_EQ(script.Boxes()[0].caption, "Quorvane update");
  EXPECT_EQ(script.Boxes()[0].flags, MB_OK);
  EXPECT_EQ(script.Boxes()[1].caption, "Error!");
  EXPECT_EQ(script.Boxes()[1].flags, MB_ICONSTOP);
}

TEST(ApplicationTest, DefaultTitleIsTheExecutableNameWithoutExtension) {
  struct Case {
    const char* path;
    char delimiter;
    const char* title;
  } cases[] = {{"C:\\Quorvane\\update\\update.exe", '\\', "update"},
               {"/opt/quorvane/update/update", '/', "update"},
               {"update.bin.exe", '/', "update.bin"}};
  for (const Case& c : cases) {
    ScopedFakePlatform fakes;
    fakes.system.SetModuleFileName(c.path);
    fakes.system.SetPathDelimiter(c.delimiter);
    TApplication application;
    application.Initialize();
    EXPECT_EQ(application.Title(), c.title) << c.path;
  }
}

}  // namespace
