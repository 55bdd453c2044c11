#include "app/MainPresenter.h"

#include <exception>
#include <utility>

#include "streams/Streams.h"
#include "streams/Utils.h"

TMainPresenter::TMainPresenter(TMainView& View, std::unique_ptr<platform::SettingsStore> Store,
                               platform::FileEnv* Env)
    : view_(View), store_(std::move(Store)), env_(Env) {}

void TMainPresenter::FormCreate() {
  TRememberedPaths paths;
  std::exception_ptr failure;
  try {
    LoadSettings(*store_, paths);
  } catch (...) {
    failure = std::current_exception();
  }
  view_.SetFieldText(TMainField::Sources, paths.InputPath);
  view_.SetFieldText(TMainField::Destination, paths.OutputPath);
  if (failure) std::rethrow_exception(failure);
}

void TMainPresenter::FormDestroy() {
  SaveSettings(*store_, {view_.FieldText(TMainField::Sources),
                         view_.FieldText(TMainField::Destination)});
}

bool TMainPresenter::FormCloseQuery() const { return !Busy(); }

bool TMainPresenter::Busy() const { return !view_.ControlEnabled(TMainControl::Go); }

void TMainPresenter::FormKeyDown(int VirtualKey, TMainControl Control) {
  const bool pickers = view_.ControlEnabled(TMainControl::SourcePicker) &&
                       view_.ControlEnabled(TMainControl::DestinationPicker);
  switch (KeyAction(VirtualKey, pickers, view_.Maximized())) {
    case TKeyAction::ChooseDestination:
      Press(TMainControl::DestinationPicker);
      break;
    case TKeyAction::ChooseSources:
      Press(TMainControl::SourcePicker);
      break;
    case TKeyAction::SpanScreen:
      view_.SpanScreen();
      break;
    case TKeyAction::PressFocusedButton:
      Press(Control);
      break;
    case TKeyAction::None:
      break;
  }
}

void TMainPresenter::Escape() { Press(TMainControl::Close); }

void TMainPresenter::Press(TMainControl Control) {
  using THandler = void (TMainPresenter::*)();
  static constexpr std::pair<TMainControl, THandler> kButtons[] = {
      {TMainControl::Go, &TMainPresenter::Button1Click},
      {TMainControl::SourcePicker, &TMainPresenter::BitBtn1Click},
      {TMainControl::DestinationPicker, &TMainPresenter::BitBtn2Click},
      {TMainControl::About, &TMainPresenter::Button3Click},
      {TMainControl::Close, &TMainPresenter::Button2Click},
  };
  for (const auto& [button, handler] : kButtons)
    if (button == Control && view_.ControlEnabled(Control)) (this->*handler)();
}

void TMainPresenter::BitBtn1Click() {
  const std::string folder =
      SourceDialogFolder(view_.FieldText(TMainField::Sources), view_.CurrentFolder());
  if (const auto files = view_.ChooseFiles(folder))
    view_.SetFieldText(TMainField::Sources, ChosenSourceList(*files));
}

void TMainPresenter::BitBtn2Click() {
  const std::string destination = view_.FieldText(TMainField::Destination);
  const std::string start = destination.empty() ? std::string() : BrowseStartFolder(destination);
  if (const auto folder = view_.BrowseForFolder(start))
    view_.SetFieldText(TMainField::Destination, *folder);
}

void TMainPresenter::Button1Click() {
  // However the run ends, the control that had the focus gets it back
  // (before an error that ends the run is shown), and an end asked for
  // during the run comes once it is over.
  struct TAfterRun {
    TMainPresenter& Presenter;
    TMainControl AtStart;
    ~TAfterRun() {
      Presenter.view_.FocusControl(FocusAfterRun(AtStart));
      if (Presenter.endRequested_) Presenter.view_.CloseWindow();
    }
  } after{*this, view_.FocusedControl()};
  RunBatch(view_.FieldText(TMainField::Sources), view_.FieldText(TMainField::Destination), *this,
           {}, env_);
}

void TMainPresenter::Button2Click() { view_.CloseWindow(); }

void TMainPresenter::Button3Click() { view_.ShowAbout(); }

TDropAction TMainPresenter::DropFor(const std::vector<TDroppedItem>& Items,
                                    bool OnDestinationField) const {
  return DropAction(Items, OnDestinationField, Busy());
}

void TMainPresenter::Drop(const std::vector<TDroppedItem>& Items, bool OnDestinationField) {
  const TDropAction action = DropFor(Items, OnDestinationField);
  if (action.Kind == TDropAction::Refused)
    throw Exception(Format(SPathWithSeparator, {action.Text}));
  if (action.Kind != TDropAction::None)
    view_.SetFieldText(action.Kind == TDropAction::Sources ? TMainField::Sources
                                                           : TMainField::Destination,
                       action.Text);
}

void TMainPresenter::UpdateHints() {
  const std::string sources = view_.FieldText(TMainField::Sources);
  const std::string destination = view_.FieldText(TMainField::Destination);
  view_.SetFieldHint(TMainField::Sources,
                     view_.FieldShowsAll(TMainField::Sources) ? "" : SourceListHint(sources));
  view_.SetFieldHint(TMainField::Destination,
                     view_.FieldShowsAll(TMainField::Destination) ? "" : destination);
}

void TMainPresenter::RequestEnd() {
  endRequested_ = true;
  // A dialog's own loop ends when it closes; the handler that opened it
  // carries on as after a cancel.
  view_.CloseDialogs();
  if (!Busy()) view_.CloseWindow();
}

void TMainPresenter::WriteBackDestination(const std::string& NewDestination) {
  view_.SetFieldText(TMainField::Destination, NewDestination);
}

void TMainPresenter::EnableControls(bool Enable) { view_.EnableControls(Enable); }

void TMainPresenter::ProcessMessages() { view_.ProcessMessages(); }

void TMainPresenter::ErrorBox(const std::string& Text) { view_.ErrorBox(Text); }

bool TMainPresenter::StopRequested() { return endRequested_; }
