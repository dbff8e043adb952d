#include <cstdio>

#include <qpdf/FileInputSource.hh>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <random>
#include <thread>

#include "platform/pdf/PdfError.h"
#include "platform/pdf/PooledFileInputSource.h"

using folvane::platform::PooledFileInputSource;

namespace {

int openDescriptors() {
  return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

}  // namespace

class TestPooledFileInputSource : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  folvane::platform::PdfFilePool pool_;

 private slots:
  // Whatever qpdf's own file source answers, the pooled one answers too.
  void behavesLikeQpdfsFileSource_data() {
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed = 1; seed <= 8; ++seed)
      QTest::newRow(qPrintable(QString::number(seed))) << seed;
  }
  void behavesLikeQpdfsFileSource() {
    QFETCH(unsigned, seed);
    std::mt19937 random(seed);
    QByteArray data;
    while (data.size() < 300 * 1024) {  // several windows, with runs of CR and LF
      const int kind = int(random() % 10);
      data += kind == 0   ? QByteArray("\r\n\r")
              : kind == 1 ? QByteArray("\n")
                          : QByteArray(int(random() % 200), char('a' + kind));
    }
    const QString path = dir_.filePath("data.bin");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();

    FileInputSource plain(QFile::encodeName(path).constData());
    PooledFileInputSource pooled(pool_, QFile::encodeName(path).toStdString());
    std::vector<char> a(100000), b(100000);
    for (int step = 0; step < 3000; ++step) {
      switch (random() % 6) {
        case 0: {
          const qpdf_offset_t to = qpdf_offset_t(random() % (data.size() + 10));
          plain.seek(to, SEEK_SET);
          pooled.seek(to, SEEK_SET);
          break;
        }
        case 1: {
          const qpdf_offset_t back = -qpdf_offset_t(random() % 50);
          plain.seek(back, SEEK_END);
          pooled.seek(back, SEEK_END);
          break;
        }
        case 2: {
          const size_t n = (random() % 4 == 0) ? random() % 100000 : random() % 300;
          const size_t ra = plain.read(a.data(), n);
          const size_t rb = pooled.read(b.data(), n);
          QCOMPARE(rb, ra);
          QVERIFY(std::equal(a.begin(), a.begin() + ra, b.begin()));
          break;
        }
        case 3:
          QCOMPARE(pooled.findAndSkipNextEOL(), plain.findAndSkipNextEOL());
          break;
        case 4:
          if (plain.tell() > 0 && plain.tell() <= data.size()) {
            const char ch = data[plain.tell() - 1];
            plain.unreadCh(ch);
            pooled.unreadCh(ch);
          }
          break;
        case 5: {
          const qpdf_offset_t by = qpdf_offset_t(random() % 100);
          plain.seek(by, SEEK_CUR);
          pooled.seek(by, SEEK_CUR);
          break;
        }
      }
      QCOMPARE(pooled.tell(), plain.tell());
      QCOMPARE(pooled.getLastOffset(), plain.getLastOffset());
    }
  }

  void keepsFewFilesOpenAndReopensOnDemand() {
    std::vector<std::unique_ptr<PooledFileInputSource>> sources;
    const int before = openDescriptors();
    for (int i = 0; i < 200; ++i) {
      const QString path = dir_.filePath(QStringLiteral("f%1").arg(i));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray("file ") + QByteArray::number(i));
      f.close();
      sources.push_back(
          std::make_unique<PooledFileInputSource>(pool_, QFile::encodeName(path).toStdString()));
    }
    QVERIFY(openDescriptors() - before <= int(PooledFileInputSource::kOpenFiles));
    char buf[32] = {};
    for (int i = 0; i < 200; ++i) {  // every one still reads, long after it was closed
      sources[size_t(i)]->seek(0, SEEK_SET);
      const size_t n = sources[size_t(i)]->read(buf, sizeof(buf));
      QCOMPARE(QByteArray(buf, int(n)), QByteArray("file ") + QByteArray::number(i));
    }
    QVERIFY(openDescriptors() - before <= int(PooledFileInputSource::kOpenFiles));
    // A file replaced under its name, or rewritten, while it was closed is
    // not read as if it were the same: its old offsets mean nothing now.
    const auto rewrite = [&](int i, const QByteArray& data, bool replace) {
      const QString path = dir_.filePath(QStringLiteral("f%1").arg(i));
      QFile f(replace ? path + ".new" : path);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(data);
      f.close();
      if (replace) QVERIFY(::rename(QFile::encodeName(f.fileName()), QFile::encodeName(path)) == 0);
    };
    rewrite(0, "file 0", true);    // same bytes, another file
    rewrite(1, "file 9", false);   // same size, other bytes
    rewrite(2, "file 22", false);  // grown
    for (int i = 0; i < 200; ++i) {
      sources[size_t(i)]->seek(0, SEEK_SET);
      if (i < 3)
        QVERIFY_THROWS_EXCEPTION(folvane::platform::PdfError,
                                 sources[size_t(i)]->read(buf, sizeof(buf)));
      else
        QCOMPARE(sources[size_t(i)]->read(buf, sizeof(buf)), size_t(6 + (i > 9) + (i > 99)));
    }
    sources.clear();
    QCOMPARE(openDescriptors(), before);
    QVERIFY_THROWS_EXCEPTION(folvane::platform::PdfError,
                             PooledFileInputSource(pool_, dir_.filePath("none").toStdString()));
  }

  // Two threads reading their own sources share one pool: each reads the
  // right bytes although the other keeps closing its files, and the pool
  // still holds no more than its files.
  void twoThreadsShareThePool() {
    constexpr int kFiles = 100;  // per thread, together more than the pool keeps
    QList<QByteArray> contents;
    for (int i = 0; i < 2 * kFiles; ++i) {
      QByteArray data;
      for (int k = 0; data.size() < 150 * 1024; ++k) data += QByteArray::number(i * 7919 + k) + ' ';
      QFile f(dir_.filePath(QStringLiteral("t%1").arg(i)));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(data);
      contents << data;
    }
    const int before = openDescriptors();
    std::vector<std::unique_ptr<PooledFileInputSource>> sources;
    for (int i = 0; i < 2 * kFiles; ++i)
      sources.push_back(std::make_unique<PooledFileInputSource>(
          pool_, QFile::encodeName(dir_.filePath(QStringLiteral("t%1").arg(i))).toStdString()));
    std::atomic<int> wrong{0};
    const auto readAll = [&](int from) {
      std::vector<char> buf(300);
      for (int round = 0; round < 3; ++round)
        for (int i = from; i < from + kFiles; ++i) {
          PooledFileInputSource& source = *sources[size_t(i)];
          const qpdf_offset_t at = (round * 4099 + i * 37) % (contents[i].size() - 300);
          source.seek(at, SEEK_SET);
          if (source.read(buf.data(), 300) != 300 ||
              QByteArray(buf.data(), 300) != contents[i].mid(at, 300))
            ++wrong;
        }
    };
    std::thread other(readAll, kFiles);
    readAll(0);
    other.join();
    QCOMPARE(wrong.load(), 0);
    QVERIFY(openDescriptors() - before <= int(PooledFileInputSource::kOpenFiles));
    sources.clear();
    QCOMPARE(openDescriptors(), before);
  }
};

QTEST_GUILESS_MAIN(TestPooledFileInputSource)
#include "test_PooledFileInputSource.moc"
