#pragma once

// The main window: the source list and the destination folder with their
// pickers, and the "&Go!", "&About" and "&Close" buttons.

#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/MainForm.h"

class QLabel;
class QLineEdit;
class QDropEvent;
class QMimeData;
class QPushButton;

class THTMLMainForm : public QWidget, public TMainForm {
  Q_OBJECT

public:
  // Store keeps the remembered paths (the QSettings store when null); runs
  // go through the file services Env (the system's when null).
  explicit THTMLMainForm(std::unique_ptr<platform::SettingsStore> Store = nullptr,
                         QWidget* Parent = nullptr, platform::FileEnv* Env = nullptr);
  ~THTMLMainForm() override;

  // Disables (false) or enables (true) "&Go!", "&Close" and both pickers.
  void EnableControls(bool Enabled);

  // The controls as designed: label, picker and field of the source list
  // (1) and of the destination folder (2); "&Go!" (1), "&Close" (2) and
  // "&About" (3); the destination picker's folder browser.
  QLabel *StaticText1, *StaticText2;
  QPushButton *BitBtn1, *BitBtn2;
  QLineEdit *Edit1, *Edit2;
  QPushButton *Button1, *Button2, *Button3;
  TBrowseFolderDlg* BrowseFolderDlg;

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  class TView;  // what the presenter sees of the window

  // The focusable controls by their names in the presenter, the control a
  // widget is, and the widget of a control.
  std::array<std::pair<QWidget*, TMainControl>, 7> NamedControls() const;
  TMainControl ControlOf(const QObject* Widget) const;
  QWidget* Control(TMainControl Which) const;
  QLineEdit* Field(TMainField Which) const { return Which == TMainField::Sources ? Edit1 : Edit2; }
  std::optional<std::vector<std::string>> RunFileDialog(const std::string& InitialFolder);
  // The paths Data carries, as dropped items; nothing when it carries
  // anything else.
  std::optional<std::vector<TDroppedItem>> DroppedItems(const QMimeData* Data) const;
  bool OnDestinationField(const QDropEvent* Event) const;
  // True when the presenter takes what Event carries where it is.
  bool TakesDrop(const QDropEvent* Event) const;
  void FormResize();
  void SpanScreen();
};

// Bytes to and from the text of a field, losslessly.
std::string FieldText(const QLineEdit* Edit);
void SetFieldText(QLineEdit* Edit, const std::string& Text);
