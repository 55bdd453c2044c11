#include "dialogs/qt/SystemRoots.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QSysInfo>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "ui/qt/QtText.h"

namespace {

std::string ReadWholeFile(const char* Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

}  // namespace

TFolderRoots SystemFolderRoots() {
  TFolderRoots Roots;
  Roots.Home = ToBytes(QDir::homePath());
  Roots.Desktop = ToBytes(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  if (Roots.Desktop.empty()) Roots.Desktop = Roots.Home;

  std::set<std::string> Known;
  for (const QStorageInfo& Volume : QStorageInfo::mountedVolumes()) {
    if (!Volume.isValid() || !Volume.isReady()) continue;
    const std::string Path = ToBytes(Volume.rootPath());
    if (!IsBrowsableMount(Path, Volume.device().toStdString(),
                          Volume.fileSystemType().toStdString()) ||
        !QFileInfo(Volume.rootPath()).isDir() || !Known.insert(Path).second)
      continue;
    Roots.Mounts.push_back({Path, MountDisplayName(Path, ToBytes(Volume.displayName()))});
  }
  std::sort(Roots.Mounts.begin(), Roots.Mounts.end(),
            [](const TMountPoint& A, const TMountPoint& B) { return A.Path < B.Path; });

  const QString Local = QSysInfo::machineHostName();
  if (!Local.isEmpty()) Roots.Computers.push_back(ToBytes(Local));
  for (const std::string& Name : HostsFileNames(ReadWholeFile("/etc/hosts"))) {
    if (QString::fromStdString(Name).compare(Local, Qt::CaseInsensitive) != 0)
      Roots.Computers.push_back(Name);
  }
  return Roots;
}
