// Modal message boxes of the engine: a text with an icon chosen by severity
// and an OK button, captioned with the application's name.
#pragma once

#include <cstdint>

class VString;

// Severity 1 the stop icon, 2 the exclamation mark, 3 the information icon,
// anything else no icon. identifier and spare are not read; a null text
// shows an empty box. Answers the box's answer (OK).
int32_t ShowMessageBox(int32_t identifier, const VString* text, int32_t spare, int32_t severity);
// Severity 1.
int32_t ShowErrorMessage(int32_t identifier, const VString* text, int32_t spare);
// Severity 3.
int32_t ShowInformationMessage(int32_t identifier, const VString* text, int32_t spare);
