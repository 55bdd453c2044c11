#pragma once

// What the main window of every toolkit shares: the presenter that holds
// its behaviour, the view through which the presenter sees the window, and
// the dialogs that tests replace.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/MainPresenter.h"  // with the view and the settings store

class TBrowseFolderDlg;  // the toolkit's folder browser

class TMainForm {
public:
  // The window's behaviour: its handlers and state.
  TMainPresenter& Presenter() { return *presenter_; }
  bool Busy() const { return presenter_->Busy(); }

  // Replaceable for tests: the open-file dialog (returns the chosen files,
  // or nothing when cancelled), the folder browser's run, the batch run's
  // error box, and the About box.
  std::function<std::optional<std::vector<std::string>>(const std::string& InitialFolder)>
      FileDialog;
  std::function<bool(TBrowseFolderDlg& Dialog)> ExecuteBrowse;
  std::function<void(const std::string& Text)> BatchErrorBox;
  std::function<void()> AboutBox;

protected:
  // View draws the window (it may refer to a window still being made);
  // Store and Env as TMainPresenter takes them.
  TMainForm(std::unique_ptr<TMainView> View, std::unique_ptr<platform::SettingsStore> Store,
            platform::FileEnv* Env)
      : view_(std::move(View)),
        presenter_(std::make_unique<TMainPresenter>(*view_, std::move(Store), Env)) {}
  ~TMainForm() = default;

  std::unique_ptr<TMainView> view_;
  std::unique_ptr<TMainPresenter> presenter_;
};
