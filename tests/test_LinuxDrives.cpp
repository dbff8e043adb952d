#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "platform/LinuxDrives.h"

using namespace folvane::platform;

class TestLinuxDrives : public QObject {
  Q_OBJECT
 private slots:
  void onlyRealFileSystemsAreDrives() {
    QVERIFY(IsRealFileSystem("/", "overlay", "overlay"));
    QVERIFY(IsRealFileSystem("/media/usb", "/dev/sdb1", "vfat"));
    QVERIFY(IsRealFileSystem("/mnt/share", "server:/export", "nfs4"));
    QVERIFY(!IsRealFileSystem("/proc", "proc", "proc"));
    QVERIFY(!IsRealFileSystem("/dev/shm", "tmpfs", "tmpfs"));
    QVERIFY(!IsRealFileSystem("/sys/fs/cgroup", "cgroup2", "cgroup2"));
    QVERIFY(!IsRealFileSystem("/run", "tmpfs", "tmpfs"));
  }

  void theRootComesFirstAndHoldsTheCurrentDirectory() {
    LinuxDrives drives;
    const QStringList list = drives.MountedDrives();
    QCOMPARE(list.first(), QStringLiteral("/"));
    QCOMPARE(list.count("/"), 1);
    QCOMPARE(drives.DriveOf("/"), QStringLiteral("/"));
    QVERIFY(list.contains(drives.DriveOf(QDir::currentPath())));
    QCOMPARE(drives.CurrentDirectoryOf(drives.DriveOf(QDir::currentPath())), QDir::currentPath());
  }

  void foldersAndFilesAreListedSorted() {
    QTemporaryDir dir;
    for (const char* d : {"b", "A", ".hidden"}) QVERIFY(QDir(dir.path()).mkdir(d));
    for (const char* f : {"x.TIF", "y.jpg", "z.png"}) {
      QFile file(dir.filePath(f));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    LinuxDrives drives;
    QCOMPARE(drives.Subdirectories(dir.path()), std::optional<QStringList>({"A", "b"}));
    QCOMPARE(drives.MatchingFiles(dir.path(), "*.tif;*.jpg"),
             std::optional<QStringList>({"x.TIF", "y.jpg"}));
    QVERIFY(!drives.Subdirectories(dir.filePath("missing")).has_value());
  }
};

QTEST_GUILESS_MAIN(TestLinuxDrives)
#include "test_LinuxDrives.moc"
