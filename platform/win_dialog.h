// Message boxes, and the button ids that dialogs share with them.
//
// MessageBoxA takes CP932 text and caption. The platform layer records every
// box (as CP932 and as UTF-8, window_model.h) and lets the face answer it:
// the desktop face shows a modal box; the headless face answers from a
// script of queued answers (headless.h), or with the box's default button.
#pragma once
#include "platform/win_types.h"

// Buttons (the low four bits).
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
// Icons.
#define MB_ICONHAND 0x00000010u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0u
// Default button (the first unless one of these is given).
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFMASK 0x00000F00u
// Modality (all boxes are modal to the whole game).
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u

// Answers, also the ids of the OK and Cancel buttons of dialogs.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Shows a modal box; owner may be null. A null caption reads "Error".
// Returns the id of the button chosen.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
