#include "ui/qt/QtMessageBox.h"

#include <QMessageBox>

void ShowErrorBox(const QString& Caption, const QString& Text) {
  // Without a parent the box is centred on the screen.
  QMessageBox box(QMessageBox::Critical, Caption, Text, QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
