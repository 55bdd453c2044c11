#include "app/qt/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/MainLogic.h"
#include "ui/TextCodec.h"
#include "ui/qt/QtText.h"

namespace {

// Makes the settings file, empty, when it is missing: opening the key
// creates it at once, so a program that ends without saving (a crash, a
// kill) still leaves the key behind.
bool CreateKey(const QString& FileName) {
  if (QFileInfo::exists(FileName)) return true;
  if (!QDir().mkpath(QFileInfo(FileName).absolutePath())) return false;
  QFile file(FileName);
  return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || QFileInfo::exists(FileName);
}

}  // namespace

bool TQtSettingsStore::Open() {
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          SSettingsOrganization, SSettingsApplication);
  CreateKey(settings_->fileName());
  settings_->sync();
  if (settings_->status() == QSettings::NoError && settings_->isWritable()) return true;
  settings_.reset();
  return false;
}

platform::SettingsStore::ReadResult TQtSettingsStore::ReadString(const std::string& Name,
                                                                 std::string* Value) {
  const QVariant v = settings_->value(QString::fromStdString(Name));
  if (settings_->status() == QSettings::AccessError) return ReadResult::Failed;
  if (!v.isValid()) return ReadResult::Missing;
  std::string bytes;
  if (v.typeId() == QMetaType::QString)
    bytes = ToBytes(v.toString());
  else if (v.typeId() == QMetaType::QByteArray)
    bytes = v.toByteArray().toStdString();  // a text that is not UTF-8, byte for byte
  else
    return ReadResult::WrongType;
  if (bytes.empty()) return ReadResult::Missing;
  *Value = std::move(bytes);
  return ReadResult::Ok;
}

bool TQtSettingsStore::WriteString(const std::string& Name, const std::string& Value) {
  // The configuration file is UTF-8 text: a value that is not (a file name
  // in Latin-1, say) is kept as its bytes, which the file shows escaped.
  if (IsValidUtf8(Value))
    settings_->setValue(QString::fromStdString(Name), ToQString(Value));
  else
    settings_->setValue(QString::fromStdString(Name), QByteArray::fromStdString(Value));
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

void TQtSettingsStore::Close() { settings_.reset(); }
