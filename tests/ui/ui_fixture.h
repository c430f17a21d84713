#pragma once
// A fresh application played by a script, and a small window to act on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/scripted/ScriptedBackend.h"

// A dialog with an OK (default) and a Cancel (cancel) button, an edit and a check box.
class TTestDialog : public TForm {
 public:
  TTestDialog() {
    SetName("TestDialog");
    SetBorderStyle(bsDialog);
    ok.SetCaption("OK");
    ok.SetDefault(true);
    ok.SetModalResult(mrOk);
    cancel.SetCaption("Cancel");
    cancel.SetCancel(true);
    cancel.SetModalResult(mrCancel);
  }

  TButton& ok = Create<TButton>("OkBtn");
  TButton& cancel = Create<TButton>("CancelBtn");
  TEdit& edit = Create<TEdit>("NameEdt");
  TCheckBox& check = Create<TCheckBox>("UseChk");
};

class UiTest : public testing::Test {
 protected:
  // True when `expected` appear in the record in this order (others may lie between).
  testing::AssertionResult RecordedInOrder(const std::vector<std::string>& expected) const {
    std::size_t next = 0;
    for (const std::string& event : script.Events()) {
      if (next < expected.size() && event == expected[next]) ++next;
    }
    if (next == expected.size()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "missing from the record in order: \"" << expected[next]
                                       << "\"\nrecord:\n" << script.Transcript();
  }

  ui::ScriptedSession session;
  ui::ScriptedBackend& script = session.Script();
  TApplication& app = session.App();
};
