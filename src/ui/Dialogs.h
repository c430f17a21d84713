#pragma once
// Standard dialogs.

#include <string>

// The text in a modal box with an OK button, titled with the application's title; returns
// once the box is closed.
void ShowMessage(const std::string& text);
