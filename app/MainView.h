#pragma once

// What the main window's presenter asks of a window toolkit: the controls'
// state, the dialogs and the window itself. A toolkit's window implements
// it and forwards its events to TMainPresenter; it takes no decision of its
// own.

#include <optional>
#include <string>
#include <vector>

#include "app/MainLogic.h"

// The window's two fields: the source list (Edit1) and the destination
// folder (Edit2).
enum class TMainField { Sources, Destination };

class TMainView {
public:
  virtual ~TMainView() = default;

  // Field's text, as bytes.
  virtual std::string FieldText(TMainField Field) const = 0;
  // Sets Field's text, its start shown. Raises Exception when the field
  // cannot take the text.
  virtual void SetFieldText(TMainField Field, const std::string& Text) = 0;
  // True when Field shows its whole text at its present width.
  virtual bool FieldShowsAll(TMainField Field) const = 0;
  // Field's tool tip; none when Text is empty.
  virtual void SetFieldHint(TMainField Field, const std::string& Text) = 0;

  // Enables (true) or disables (false) "&Go!", "&Close" and both pickers,
  // nothing else. Must not raise.
  virtual void EnableControls(bool Enabled) = 0;
  // True when Control (not None) is enabled.
  virtual bool ControlEnabled(TMainControl Control) const = 0;
  // The control that has the focus; None when none of the window's has it.
  virtual TMainControl FocusedControl() const = 0;
  // Gives Control the focus, or, while the window is not the active one,
  // once it is activated again. Must not raise.
  virtual void FocusControl(TMainControl Control) = 0;
  // True while the window is maximised.
  virtual bool Maximized() const = 0;

  // The folder the program runs in.
  virtual std::string CurrentFolder() const = 0;
  // Runs the open-file dialog for source documents starting in
  // InitialFolder: the chosen files in the dialog's order, or nothing when
  // cancelled.
  virtual std::optional<std::vector<std::string>> ChooseFiles(const std::string& InitialFolder) = 0;
  // Runs the destination's folder browser, preselecting StartFolder (the
  // folder it preselected last time when StartFolder is empty): the chosen
  // folder, or nothing when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& StartFolder) = 0;
  // A modal error box captioned "Error" with Text and one "OK".
  virtual void ErrorBox(const std::string& Text) = 0;
  // The modal About box.
  virtual void ShowAbout() = 0;
  // Closes every dialog the window has open, as its cancel would.
  virtual void CloseDialogs() = 0;

  // Handles every waiting window message, then returns.
  virtual void ProcessMessages() = 0;
  // Puts the window's frame across the screen's whole width (F5, F6).
  virtual void SpanScreen() = 0;
  // Closes the window as its close box would: only when the presenter's
  // FormCloseQuery allows it, and then the window's end saves the paths.
  // Must not raise (a run that ends with an error may call it).
  virtual void CloseWindow() = 0;
};
