#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/files/LinuxDrives.h"

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
    // Package images of a typical desktop: on loop devices, read-only.
    QVERIFY(!IsRealFileSystem("/snap/core22/1380", "/dev/loop3", "squashfs"));
    QVERIFY(!IsRealFileSystem("/mnt/image", "/dev/loop0", "ext4"));
    QVERIFY(!IsRealFileSystem("/media/pack", "/dev/sdc1", "squashfs"));
    QVERIFY(IsRealFileSystem("/media/cd", "/dev/sr0", "iso9660"));
  }

  void aFileBoundOntoAFileIsNoDrive() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("data");
    const QString file = dir.filePath("hostname");
    QVERIFY(QDir().mkdir(folder));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QByteArray table =
        "/dev/vda1 / ext4 rw 0 0\n"
        "/dev/vda1 " +
        file.toUtf8() +
        " ext4 rw,bind 0 0\n"
        "/dev/vdb1 " +
        folder.toUtf8() +
        " ext4 rw 0 0\n"
        "/dev/loop7 /snap/app/1 squashfs ro 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/vdb1 " +
        folder.toUtf8() +
        " ext4 rw 0 0\n"
        // A network share is taken without a stat (a dead server would hang
        // it): this one is not even there.
        "server:/export /no/such/share nfs4 rw 0 0\n";
    QCOMPARE(DrivesInMountTable(table), QStringList({"/", folder, "/no/such/share"}));
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
