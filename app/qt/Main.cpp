#include "app/qt/Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QUrl>
#include <QDialog>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>

#include <algorithm>
#include <array>
#include <utility>
#include <filesystem>
#include <limits>

#include "about/qt/About.h"
#include "app/BatchRun.h"
#include "app/SourceList.h"
#include "app/qt/Application.h"
#include "app/qt/QtSettingsStore.h"
#include "dialogs/qt/BrowseFolderDlg.h"
#include "dialogs/qt/OpenFileDialog.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "ui/qt/QtMessageBox.h"
#include "ui/qt/QtNativeGeometry.h"
#include "ui/qt/QtPictures.h"
#include "ui/qt/QtText.h"

namespace {

QLabel* MakeLabel(QWidget* Parent, const char* Name, const char* Text, QRect Geometry) {
  auto* label = new QLabel(QString::fromLatin1(Text), Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->setGeometry(Geometry);
  // Where the designed font is missing, a wider one must not cut the text.
  label->resize(std::max(Geometry.width(), label->sizeHint().width()), Geometry.height());
  return label;
}

QPushButton* MakeButton(QWidget* Parent, const char* Name, const char* Text, QRect Geometry) {
  auto* button = new QPushButton(QString::fromLatin1(Text), Parent);
  button->setObjectName(QString::fromLatin1(Name));
  button->setGeometry(Geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QLineEdit* MakeField(QWidget* Parent, const char* Name, QRect Geometry) {
  auto* edit = new QLineEdit(Parent);
  edit->setObjectName(QString::fromLatin1(Name));
  edit->setGeometry(Geometry);
  edit->setReadOnly(true);
  // A field holds the whole list, however many files were chosen (a line
  // edit stops at 32,767 characters unless told otherwise).
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Midlight));
  edit->setPalette(palette);
  return edit;
}

// The virtual-key code for a Qt key, for the keys the window handles
// (0 for any other key).
int VirtualKeyOf(int QtKey) {
  switch (QtKey) {
    case Qt::Key_F2:
      return VK_F2;
    case Qt::Key_F3:
      return VK_F3;
    case Qt::Key_F5:
      return VK_F5;
    case Qt::Key_F6:
      return VK_F6;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    default:
      return 0;
  }
}

}  // namespace

std::string FieldText(const QLineEdit* Edit) { return ToBytes(Edit->text()); }

void SetFieldText(QLineEdit* Edit, const std::string& Text) {
  Edit->setText(ToQString(Text));
  Edit->setCursorPosition(0);  // show the start of a long path
}

namespace {

// True when Edit shows its whole text.
bool TextFits(const QLineEdit* Edit) {
  QStyleOptionFrame option;
  option.initFrom(Edit);
  option.rect = Edit->rect();
  option.lineWidth = Edit->hasFrame() ? Edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                                   &option, Edit)
                                      : 0;
  const QRect text = Edit->style()
                         ->subElementRect(QStyle::SE_LineEditContents, &option, Edit)
                         .marginsRemoved(Edit->textMargins());
  // A line edit keeps two pixels free on either side of its text.
  return Edit->fontMetrics().horizontalAdvance(Edit->text()) <= text.width() - 4;
}

}  // namespace

// The window as the presenter sees it.
class THTMLMainForm::TView : public TMainView {
public:
  explicit TView(THTMLMainForm& Form) : form_(Form) {}

  std::string FieldText(TMainField Field) const override { return ::FieldText(form_.Field(Field)); }
  void SetFieldText(TMainField Field, const std::string& Text) override {
    ::SetFieldText(form_.Field(Field), Text);
  }
  bool FieldShowsAll(TMainField Field) const override { return TextFits(form_.Field(Field)); }
  void SetFieldHint(TMainField Field, const std::string& Text) override {
    form_.Field(Field)->setToolTip(ToQString(Text));
  }
  void EnableControls(bool Enabled) override { form_.EnableControls(Enabled); }
  bool ControlEnabled(TMainControl Which) const override {
    const QWidget* control = form_.Control(Which);
    return control != nullptr && control->isEnabled();
  }
  TMainControl FocusedControl() const override { return form_.ControlOf(form_.focusWidget()); }
  void FocusControl(TMainControl Which) override {
    if (QWidget* control = form_.Control(Which)) control->setFocus();
  }
  bool Maximized() const override { return form_.isMaximized(); }
  std::string CurrentFolder() const override { return std::filesystem::current_path().string(); }
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& Folder) override {
    return form_.FileDialog(Folder);
  }
  std::optional<std::string> BrowseForFolder(const std::string& StartFolder) override {
    TBrowseFolderDlg& dialog = *form_.BrowseFolderDlg;
    if (!StartFolder.empty()) dialog.SetFolderName(StartFolder);
    if (!form_.ExecuteBrowse(dialog)) return std::nullopt;
    return dialog.SelectedFolder();
  }
  void ErrorBox(const std::string& Text) override { form_.BatchErrorBox(Text); }
  void ShowAbout() override { form_.AboutBox(); }
  // Every visible dialog of the application is rejected.
  void CloseDialogs() override {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
        dialog->reject();
  }
  void ProcessMessages() override { QCoreApplication::processEvents(); }
  void SpanScreen() override { form_.SpanScreen(); }
  void CloseWindow() override { form_.close(); }

private:
  THTMLMainForm& form_;
};

THTMLMainForm::THTMLMainForm(std::unique_ptr<platform::SettingsStore> Store, QWidget* Parent,
                             platform::FileEnv* Env)
    : QWidget(Parent),
      TMainForm(std::make_unique<TView>(*this),
                Store ? std::move(Store) : std::make_unique<TQtSettingsStore>(), Env) {
  setObjectName(QStringLiteral("HTMLMainForm"));
  setWindowTitle(QString::fromLatin1(SApplicationTitle));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  setFont(font);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  StaticText1 = MakeLabel(this, "StaticText1", "Source file(s):", {8, 8, 68, 17});
  BitBtn1 = MakeButton(this, "BitBtn1", "", {8, 32, 25, 21});
  Edit1 = MakeField(this, "Edit1", {40, 32, 305, 21});
  StaticText2 = MakeLabel(this, "StaticText2", "Destination path:", {8, 64, 84, 17});
  BitBtn2 = MakeButton(this, "BitBtn2", "", {8, 88, 25, 21});
  Edit2 = MakeField(this, "Edit2", {40, 88, 305, 21});
  Button1 = MakeButton(this, "Button1", "&Go!", {8, 128, 75, 25});
  Button3 = MakeButton(this, "Button3", "&About", {104, 128, 75, 25});
  Button2 = MakeButton(this, "Button2", "&Close", {296, 128, 75, 25});
  for (QLabel* label : {StaticText1, StaticText2}) label->setFocusPolicy(Qt::NoFocus);
  BitBtn1->setToolTip(QString::fromLatin1(SSourcePickerHint));
  BitBtn2->setToolTip(QString::fromLatin1(SDestinationPickerHint));
  for (QLineEdit* field : {Edit1, Edit2}) {
    field->setAcceptDrops(false);  // the window takes them
    connect(field, &QLineEdit::textChanged, this, [this] { presenter_->UpdateHints(); });
  }
  setAcceptDrops(true);
  const QIcon glyph = OpenFolderGlyph();
  for (QPushButton* picker : {BitBtn1, BitBtn2}) {
    picker->setIcon(glyph);
    picker->setIconSize(QSize(16, 16));
  }

  setTabOrder(Button1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  setTabOrder(BitBtn2, Button3);
  setTabOrder(Button3, Button2);

  BrowseFolderDlg = new TBrowseFolderDlg(this);
  BrowseFolderDlg->setObjectName(QStringLiteral("BrowseFolderDlg"));
  BrowseFolderDlg->SetDialogText("Destination path:");

  FileDialog = [this](const std::string& Folder) { return RunFileDialog(Folder); };
  ExecuteBrowse = [](TBrowseFolderDlg& Dialog) { return Dialog.Execute(); };
  BatchErrorBox = [](const std::string& Text) {
    ShowErrorBox(QStringLiteral("Error"), ToQString(Text));
  };
  AboutBox = [] { ShowAboutBox(); };

  const auto handle = [this](QPushButton* Button, void (TMainPresenter::*Handler)()) {
    connect(Button, &QPushButton::clicked, this,
            [this, Handler] { ReportErrors([&] { ((*presenter_).*Handler)(); }); });
  };
  handle(BitBtn1, &TMainPresenter::BitBtn1Click);
  handle(BitBtn2, &TMainPresenter::BitBtn2Click);
  handle(Button1, &TMainPresenter::Button1Click);
  handle(Button2, &TMainPresenter::Button2Click);
  handle(Button3, &TMainPresenter::Button3Click);

  // Every focusable control hands its keys to FormKeyDown.
  for (QWidget* w : std::initializer_list<QWidget*>{BitBtn1, Edit1, BitBtn2, Edit2, Button1,
                                                    Button3, Button2})
    w->installEventFilter(this);

  // A log-off or shut-down asks first, like any close.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& Manager) {
    if (!presenter_->FormCloseQuery()) Manager.cancel();
  });

  resize(kDesignedClientWidth, kDesignedClientHeight);
  Button1->setFocus();

  ReportErrors([this] { presenter_->FormCreate(); });
}

THTMLMainForm::~THTMLMainForm() {
  ReportErrors([this] { presenter_->FormDestroy(); });
}

void THTMLMainForm::FormResize() {
  const TMainLayout layout = MainLayout(width());
  Edit1->resize(layout.EditWidth, Edit1->height());
  Edit2->resize(layout.EditWidth, Edit2->height());
  Button2->move(layout.CloseLeft, Button2->y());
  presenter_->UpdateHints();
}

std::array<std::pair<QWidget*, TMainControl>, 7> THTMLMainForm::NamedControls() const {
  return {{{Button1, TMainControl::Go},
           {BitBtn1, TMainControl::SourcePicker},
           {BitBtn2, TMainControl::DestinationPicker},
           {Button3, TMainControl::About},
           {Button2, TMainControl::Close},
           {Edit1, TMainControl::SourceField},
           {Edit2, TMainControl::DestinationField}}};
}

TMainControl THTMLMainForm::ControlOf(const QObject* Widget) const {
  for (const auto& [widget, control] : NamedControls())
    if (widget == Widget && Widget != nullptr) return control;
  return TMainControl::None;
}

QWidget* THTMLMainForm::Control(TMainControl Which) const {
  for (const auto& [widget, control] : NamedControls())
    if (control == Which) return widget;
  return nullptr;
}

void THTMLMainForm::EnableControls(bool Enabled) {
  for (QPushButton* button : {Button1, Button2, BitBtn1, BitBtn2}) button->setEnabled(Enabled);
}

std::optional<std::vector<TDroppedItem>> THTMLMainForm::DroppedItems(const QMimeData* Data) const {
  if (!Data->hasUrls()) return std::nullopt;
  std::vector<TDroppedItem> items;
  for (const QUrl& url : Data->urls()) {
    if (!url.isLocalFile()) return std::nullopt;
    // The path's bytes as the URL carries them, also where they are not
    // UTF-8 (QUrl::toLocalFile would replace those).
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    items.push_back(FindDroppedItem(bytes.toStdString()));
  }
  return items;
}

bool THTMLMainForm::TakesDrop(const QDropEvent* Event) const {
  const auto items = DroppedItems(Event->mimeData());
  return items && presenter_->DropFor(*items, OnDestinationField(Event)).Kind != TDropAction::None;
}

bool THTMLMainForm::OnDestinationField(const QDropEvent* Event) const {
  return Edit2->geometry().contains(Event->position().toPoint());
}

void THTMLMainForm::dragEnterEvent(QDragEnterEvent* Event) {
  if (TakesDrop(Event)) Event->acceptProposedAction();
}

void THTMLMainForm::dragMoveEvent(QDragMoveEvent* Event) {
  if (TakesDrop(Event))
    Event->acceptProposedAction();
  else
    Event->ignore();
}

void THTMLMainForm::dropEvent(QDropEvent* Event) {
  if (!TakesDrop(Event)) {
    Event->ignore();
    return;
  }
  ReportErrors([&] { presenter_->Drop(*DroppedItems(Event->mimeData()), OnDestinationField(Event)); });
  Event->acceptProposedAction();
}

void THTMLMainForm::keyPressEvent(QKeyEvent* Event) {
  // Escape presses "&Close", the cancel button, while it is enabled.
  if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
    ReportErrors([this] { presenter_->Escape(); });
    Event->accept();
    return;
  }
  QWidget::keyPressEvent(Event);
}

void THTMLMainForm::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  FormResize();
}

void THTMLMainForm::closeEvent(QCloseEvent* Event) {
  Event->setAccepted(presenter_->FormCloseQuery());
}

bool THTMLMainForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress) {
    const int key = VirtualKeyOf(static_cast<QKeyEvent*>(Event)->key());
    if (key != 0) ReportErrors([&] { presenter_->FormKeyDown(key, ControlOf(Watched)); });
    if (key == VK_RETURN) return true;  // Enter did its work
  }
  return QWidget::eventFilter(Watched, Event);  // the control still gets the key
}

std::optional<std::vector<std::string>> THTMLMainForm::RunFileDialog(const std::string& Folder) {
  TOpenFileDialog dialog(QStringLiteral("Select file(s)"), SSourceFilterName, SSourcePatterns, this);
  // Without a folder of its own it starts where the program runs.
  dialog.SetFolder(Folder.empty() ? std::filesystem::current_path().string() : Folder);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.SelectedFiles();
}

void THTMLMainForm::SpanScreen() {
  // In device pixels: under a fractional scale, logical ones would leave the
  // frame a pixel or two short of the edges.
  const QRect frame = NativeFrameGeometry(this);
  const QRect screen = NativeScreenGeometry(QGuiApplication::primaryScreen());
  if (frame.isEmpty() || screen.isEmpty()) return;
  const TRect placed =
      SpanScreenFrame({frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()},
                      {screen.left(), screen.top(), screen.left() + screen.width(),
                       screen.top() + screen.height()});
  SetNativeFrameGeometry(this, QRect(placed.Left, placed.Top, placed.Right - placed.Left,
                                     placed.Bottom - placed.Top));
}
