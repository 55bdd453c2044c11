#pragma once

// The main window: the source list and the destination folder with their
// pickers, and the "&Go!", "&About" and "&Close" buttons.

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainLogic.h"
#include "platform/SettingsStore.h"

class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class TBrowseFolderDlg;

// The virtual-key code for a Qt key, for the keys the window handles
// (0 for any other key).
int VirtualKeyOf(int QtKey);

class THTMLMainForm : public QWidget {
  Q_OBJECT

public:
  // Store keeps the remembered paths (the QSettings store when null).
  explicit THTMLMainForm(std::unique_ptr<platform::SettingsStore> Store = nullptr,
                         QWidget* Parent = nullptr);
  ~THTMLMainForm() override;

  void EnableControls(bool Enabled);
  bool Busy() const;

  // The system asks the program to end (a log-off, Ctrl+C): open dialogs
  // close, and the window closes as its "&Close" would, now when idle, or
  // once a run has finished the file at hand.
  void RequestEnd();
  bool EndRequested() const { return endRequested_; }

  // Replaceable for tests: the open-file dialog (returns the chosen files,
  // or nothing when cancelled), the folder browser's run, the batch run's
  // error box, and the About box.
  std::function<std::optional<std::vector<std::string>>(const std::string& InitialFolder)>
      ChooseFiles;
  std::function<bool(TBrowseFolderDlg& Dialog)> ExecuteBrowse;
  std::function<void(const std::string& Text)> BatchErrorBox;
  std::function<void()> ShowAbout;

  // The handlers.
  void FormCreate();
  void FormDestroy();
  void FormResize();
  // Control is the control the key went to (the focused one when null).
  void FormKeyDown(int VirtualKey, QWidget* Control = nullptr);
  bool FormCloseQuery();
  void BitBtn1Click();
  void BitBtn2Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();

  // The controls as designed: label, picker and field of the source list
  // (1) and of the destination folder (2); "&Go!" (1), "&Close" (2) and
  // "&About" (3); the destination picker's folder browser.
  QLabel *StaticText1, *StaticText2;
  QPushButton *BitBtn1, *BitBtn2;
  QLineEdit *Edit1, *Edit2;
  QPushButton *Button1, *Button2, *Button3;
  TBrowseFolderDlg* BrowseFolderDlg;

  // Shows the fields' whole texts as tool tips when they do not fit.
  void UpdateHints();

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

  // The control a widget is, and the widget of a control.
  TMainControl ControlOf(const QWidget* Widget) const;
  QWidget* Control(TMainControl Which) const;

private:
  std::optional<std::vector<std::string>> RunFileDialog(const std::string& InitialFolder);
  // What dropping Data at Position would do.
  TDropAction DropFor(const QMimeData* Data, const QPoint& Position) const;
  void SpanScreen();

  std::unique_ptr<platform::SettingsStore> store_;
  bool endRequested_ = false;
};

// Bytes to and from the text of a field, losslessly.
std::string FieldText(const QLineEdit* Edit);
void SetFieldText(QLineEdit* Edit, const std::string& Text);
