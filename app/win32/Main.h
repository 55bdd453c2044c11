#pragma once

// The main window: the source list and the destination folder with their
// pickers, and the "&Go!", "&About" and "&Close" buttons. It is also the
// application window: the one top-level window of the program, with the
// fixed class name that a second instance looks for.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>

#include "app/MainForm.h"

class THTMLMainForm : public TMainForm {
public:
  // The window class name, the same in every instance.
  static constexpr char ClassName[] = "THTMLMainForm";

  // Creates the window, hidden, with its controls at their designed places
  // scaled for the screen; its creation loads the remembered paths from
  // Store (the registry key of the current user when null). An error while
  // loading is shown by the default error report, and the window is made
  // all the same.
  // Runs go through the file services Env (the system's when null).
  explicit THTMLMainForm(std::unique_ptr<platform::SettingsStore> Store = nullptr,
                         platform::FileEnv* Env = nullptr);
  // Destroys the window if it is still there (which saves the paths).
  ~THTMLMainForm();
  THTMLMainForm(const THTMLMainForm&) = delete;
  THTMLMainForm& operator=(const THTMLMainForm&) = delete;

  // The window; null once it is destroyed.
  HWND Handle() const { return handle_; }

  // Shows the window with ShowWindow's ShowCommand and gives "&Go!" the
  // focus.
  void Show(int ShowCommand = SW_SHOWNORMAL);

  // Disables (false) or enables (true) "&Go!", "&Close" and both pickers.
  void EnableControls(bool Enabled);

  // The controls as designed: label, picker and field of the source list
  // (1) and of the destination folder (2); "&Go!" (1), "&Close" (2) and
  // "&About" (3); the destination picker's folder browser.
  HWND StaticText1 = nullptr, StaticText2 = nullptr;
  HWND BitBtn1 = nullptr, BitBtn2 = nullptr;
  HWND Edit1 = nullptr, Edit2 = nullptr;
  HWND Button1 = nullptr, Button2 = nullptr, Button3 = nullptr;
  std::unique_ptr<TBrowseFolderDlg> BrowseFolderDlg;

  // The controls' identifiers (none is IDOK or IDCANCEL, which the dialog
  // keys send for Enter and Escape).
  enum TControlId : int {
    idButton1 = 101,
    idBitBtn1,
    idBitBtn2,
    idEdit1,
    idEdit2,
    idButton3,
    idButton2,
    idStaticText1,
    idStaticText2,
  };

private:
  static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  static LRESULT CALLBACK ControlProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                                      UINT_PTR Id, DWORD_PTR Form);
  LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  void CreateControls();
  void CreateToolTips();
  void Command(int Id, int Code, HWND Control);
  void DropFiles(HDROP Drop);
  void DrawPicker(const DRAWITEMSTRUCT& Item);
  void Activate(bool Active, bool Minimized);
  void FormResize();
  void SpanScreen();
  class TView;  // what the presenter sees of the window
  // The control a window is, and the window of a control.
  TMainControl ControlOf(HWND Window) const;
  HWND Control(TMainControl Which) const;
  HWND Field(TMainField Which) const { return Which == TMainField::Sources ? Edit1 : Edit2; }

  HWND handle_ = nullptr;
  HWND toolTips_ = nullptr;
  HFONT font_ = nullptr;
  HIMAGELIST glyphs_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to
  std::exception_ptr createError_;  // why the controls could not be made
};

// The text of a field as bytes, and a field set to Text (its start shown).
// Raises Exception when the field cannot take the text.
std::string FieldText(HWND Edit);
void SetFieldText(HWND Edit, const std::string& Text);
