#include "ui/Dialogs.h"

#include "ui/Forms.h"

void ShowMessage(const std::string& text) {
  TApplication& application = Application();
  application.MessageBox(text, application.Title(), MB_OK);
}
