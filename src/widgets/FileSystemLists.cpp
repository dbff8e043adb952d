#include "FileSystemLists.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

namespace folvane {
namespace {

QString childPath(const QString& parent, const QString& name) {
  return parent.endsWith(u'/') ? parent + name : parent + u'/' + name;
}

constexpr int kPathRole = Qt::UserRole;

}  // namespace

DriveListBox::DriveListBox(platform::Drives& drives, QWidget* parent) : QComboBox(parent) {
  addItems(drives.MountedDrives());
  shown_ = currentText();
  connect(this, &QComboBox::activated, this, [this] {
    if (currentText() == shown_) return;
    shown_ = currentText();
    emit Change();
  });
}

void DriveListBox::setDrive(const QString& drive) {
  if (findText(drive) < 0) addItem(drive);
  setCurrentIndex(findText(drive));
  shown_ = drive;
}

DirListBox::DirListBox(platform::Drives& drives, platform::Ui& ui, QWidget* parent)
    : QTreeWidget(parent), drives_(drives), ui_(ui) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setIndentation(12);
  setItemsExpandable(false);
  setStyleSheet(QStringLiteral("QTreeView::branch { image: none; }"));  // nothing folds here
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { open(item); });
}

bool DirListBox::setPath(const QString& path) {
  const auto children = drives_.Subdirectories(path);
  if (!children) {
    ui_.MsgBox(QStringLiteral("フォルダー「%1」を読み取れません。").arg(path),
               platform::MsgIcon::Warning);
    return false;
  }
  clear();
  const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  // The open folders from the root down to `path`.
  QTreeWidgetItem* parent = new QTreeWidgetItem(this, QStringList{QStringLiteral("/")});
  parent->setIcon(0, opened);
  parent->setData(0, kPathRole, QStringLiteral("/"));
  QString walked = QStringLiteral("/");
  for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
    walked = childPath(walked, part);
    auto* item = new QTreeWidgetItem(parent, QStringList{part});
    item->setIcon(0, opened);
    item->setData(0, kPathRole, walked);
    parent = item;
  }
  for (const QString& name : *children) {
    auto* item = new QTreeWidgetItem(parent, QStringList{name});
    item->setIcon(0, closed);
    item->setData(0, kPathRole, childPath(walked, name));
  }
  expandAll();
  setCurrentItem(parent);
  path_ = walked;
  emit Change();
  return true;
}

void DirListBox::open(QTreeWidgetItem* item) {
  if (item) setPath(item->data(0, kPathRole).toString());
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

FileListBox::FileListBox(platform::Drives& drives, QWidget* parent)
    : QListWidget(parent), drives_(drives) {}

void FileListBox::setPattern(const QString& pattern) {
  pattern_ = pattern;
  if (!path_.isEmpty()) setPath(path_);
}

bool FileListBox::setPath(const QString& path) {
  const auto names = drives_.MatchingFiles(path, pattern_);
  if (!names) return false;
  clear();
  addItems(*names);
  path_ = path;
  return true;
}

QString FileListBox::fileName() const {
  const QListWidgetItem* item = currentItem();
  return item && item->isSelected() ? item->text() : QString();
}

void FollowDrive(platform::Drives& drives, DriveListBox& drive, DirListBox& dirList) {
  if (!dirList.setPath(drives.CurrentDirectoryOf(drive.drive())))
    drive.setDrive(drives.DriveOf(dirList.path()));
}

}  // namespace folvane
