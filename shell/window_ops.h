// The window operations the core calls; the console, the Win32 window and the tests' recorder each
// implement them, and the link decides which one a program gets.
#pragma once

#include <string>

enum class Control { InfoBox, TargetEdit };
enum class BoxKind { Plain, Error, Warning };

void AddLine(const std::string& Text);       // append a line to the output list and show it
void RemoveLastLine();                        // delete the last line of the output list
void PumpMessages();                          // let pending window messages run, never wait
void SetControlText(Control Which, const std::string& Text); // show a text, then pump
void ShowBox(const std::string& Text, const std::string& Caption, BoxKind Kind); // modal, OK
bool AskYesNoBox(const std::string& Text, const std::string& Caption);          // true for Yes
