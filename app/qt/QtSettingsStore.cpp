#include "app/qt/QtSettingsStore.h"

#include "app/MainLogic.h"
#include "ui/qt/QtText.h"

bool TQtSettingsStore::Open() {
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          SSettingsOrganization, SSettingsApplication);
  // Creates the key (the file) at once, as opening with full access would.
  settings_->sync();
  if (settings_->status() != QSettings::NoError || !settings_->isWritable()) {
    settings_.reset();
    return false;
  }
  return true;
}

platform::SettingsStore::ReadResult TQtSettingsStore::ReadString(const std::string& Name,
                                                                 std::string* Value) {
  const QVariant v = settings_->value(QString::fromStdString(Name));
  if (settings_->status() == QSettings::AccessError) return ReadResult::Failed;
  if (!v.isValid()) return ReadResult::Missing;
  if (v.typeId() != QMetaType::QString) return ReadResult::WrongType;
  const QString text = v.toString();
  if (text.isEmpty()) return ReadResult::Missing;
  *Value = ToBytes(text);
  return ReadResult::Ok;
}

bool TQtSettingsStore::WriteString(const std::string& Name, const std::string& Value) {
  settings_->setValue(QString::fromStdString(Name), ToQString(Value));
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

void TQtSettingsStore::Close() { settings_.reset(); }
