#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

#include "platform/desktop/Ui.h"
#include "platform/files/Drives.h"

namespace folvane {

// The drive list: a drop-down of the machine's drives. Change is raised
// when the user picks another drive.
class DriveListBox : public QComboBox {
  Q_OBJECT
 public:
  DriveListBox(platform::Drives& drives, QWidget* parent);
  QString drive() const { return currentText(); }
  void setDrive(const QString& drive);

 signals:
  // Raised when another drive is chosen; choosing the shown one again is no change.
  void Change();

 private:
  QString shown_;
};

// The directory list: the path from the root down to the current
// directory, then the current directory's subdirectories. A double click
// (or Enter) opens an entry and makes it current; a single click only
// highlights it. Change is raised when the current directory changes.
class DirListBox : public QTreeWidget {
  Q_OBJECT
 public:
  DirListBox(platform::Drives& drives, platform::Ui& ui, QWidget* parent);

  // The current directory: "/" for the root, no trailing separator otherwise.
  QString path() const { return path_; }

  // Opens `path`. When it cannot be read, says so and stays where it was.
  bool setPath(const QString& path);

 signals:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void open(QTreeWidgetItem* item);

  platform::Drives& drives_;
  platform::Ui& ui_;
  QString path_;
};

// The file list: the files of a directory that match a pattern such as
// "*.tif;*.jpg", letter case ignored, with the selected file's name.
class FileListBox : public QListWidget {
  Q_OBJECT
 public:
  FileListBox(platform::Drives& drives, QWidget* parent);
  void setPattern(const QString& pattern);
  bool setPath(const QString& path);
  QString path() const { return path_; }
  QString fileName() const;

 private:
  platform::Drives& drives_;
  QString pattern_ = QStringLiteral("*.*");
  QString path_;
};

// The drive list's Change: the directory list moves to the chosen drive's
// current directory; a drive that cannot be read leaves both lists on the
// last good directory.
void FollowDrive(platform::Drives& drives, DriveListBox& drive, DirListBox& dirList);

}  // namespace folvane
