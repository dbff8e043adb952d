#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "PhaseTimers.h"
#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"

using namespace folvane;
using fakes::FakePlatform;

namespace {

// A folder of Word and Excel files, one that is neither, and one whose print fails.
void fill(FakePlatform& fake) {
  for (const char* name : {"/src/a.doc", "/src/b.xls", "/src/c.txt", "/src/d.doc"})
    fake.files.put(name);
  fake.office.failPrint << "/src/d.doc";
}

SettingsRecord settings() {
  SettingsRecord s;
  s.SourceDir = "/src";
  s.DestDir = "/dest";
  s.LogFile = "/logs/conv.log";
  return s;
}

}  // namespace

class TestPhaseTimers : public QObject {
  Q_OBJECT
 private slots:
  void timedRunLeavesWhatAPlainRunLeavesAndCountsEachPhase() {
    FakePlatform plain;
    fill(plain);
    frmImage imagePage;
    const auto plainFailures = modConvPDF(plain.platform, settings(), imagePage).ConvertDirectory();

    FakePlatform fake;
    fill(fake);
    bench::Phases phases;
    bench::TimedFiles files(fake.files, phases, FakePlatform::kCollectingFile);
    bench::TimedRegistry registry(fake.registry, phases);
    bench::TimedSpooler spooler(fake.spooler, phases);
    bench::TimedOffice office(fake.office, phases);
    bench::TimedClock clock(fake.clock, phases);
    bench::TimedUi ui(phases);
    platform::Platform p{fake.profile,
                         fake.process,
                         ui,
                         registry,
                         fake.printers,
                         fake.system,
                         files,
                         clock,
                         office,
                         spooler,
                         fake.automation,
                         fake.drives,
                         FakePlatform::kCollectingFile,
                         FakePlatform::kOutputFolder,
                         FakePlatform::kSwitchRecord,
                         fake.progress};
    // The print hands a real PDF of 1000 bytes to the spooler, which takes a
    // while: its time must count in both PrintOut and PrintPdf.
    QTemporaryDir dir;
    const QString pdf = dir.filePath("work.pdf");
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'x'));
    f.close();
    fake.office.duringPrint = [&] {
      QThread::msleep(15);
      spooler.PrintPdf(pdf, "work");
    };
    fake.spooler.onPrint = [](const QString&) { QThread::msleep(10); };
    // The event pass runs what is pending, as the program's does.
    int posted = 0;
    QTimer::singleShot(0, [&] { ++posted; });

    const auto failures = modConvPDF(p, settings(), imagePage).ConvertDirectory();

    QCOMPARE(fake.files.files, plain.files.files);  // PDFs, log bytes, sources
    QCOMPARE(failures.size(), plainFailures.size());
    QCOMPARE(fake.office.log, plain.office.log);
    QCOMPARE(posted, 1);

    QCOMPARE(phases.listing.calls, 1);
    QCOMPARE(phases.createApp.calls, 3);
    QCOMPARE(phases.open.calls, 3);
    QCOMPARE(phases.printOut.calls, 3);  // the failed one too
    QCOMPARE(phases.quit.calls, 3);
    QCOMPARE(phases.spooler.calls, 3);
    QCOMPARE(phases.spooledBytes, 3000);
    QCOMPARE(phases.collectingDelete.calls, 3);
    QCOMPARE(phases.sourceDelete.calls, 0);
    QCOMPARE(phases.move.calls, 3);
    QCOMPARE(phases.logOpen.calls, 1);
    QCOMPARE(phases.logWrite.calls, 9);
    QCOMPARE(phases.clock.calls, 6);
    QCOMPARE(phases.doEvents.calls, 4);
    QCOMPARE(phases.registry.calls, 12);  // create, set, close for every name

    // Every print's time is kept, the failed one included, and adds up.
    QCOMPARE(phases.printOutEachNs.size(), 3);
    qint64 sum = 0;
    for (qint64 ns : phases.printOutEachNs) sum += ns;
    QCOMPARE(sum, phases.printOut.wallNs);
    // The spooler's share lies inside the print's: at least the slept times.
    QVERIFY(phases.spooler.wallNs >= 3 * 10'000'000);
    QVERIFY(phases.printOut.wallNs >= phases.spooler.wallNs + 3 * 15'000'000);
    // Sleeping is no CPU time of the calling thread.
    QVERIFY(phases.printOut.cpuNs < phases.printOut.wallNs / 2);
  }

  void sourceDeletesAreToldFromTheCollectingFile() {
    FakePlatform fake;
    bench::Phases phases;
    bench::TimedFiles files(fake.files, phases, FakePlatform::kCollectingFile);
    fake.files.put(FakePlatform::kCollectingFile);
    fake.files.put("/src/a.doc");
    QVERIFY(files.Delete(FakePlatform::kCollectingFile));
    QVERIFY(files.Delete("/src/a.doc"));
    QVERIFY(!files.Delete("/src/a.doc"));  // the answer comes through
    QCOMPARE(phases.collectingDelete.calls, 1);
    QCOMPARE(phases.sourceDelete.calls, 2);
    QVERIFY(!fake.files.has("/src/a.doc"));
  }

  void processFiguresFromProc() {
    // Our own CPU time as /proc tells it agrees with getrusage.
    volatile double x = 0;
    for (int i = 0; i < 30'000'000; ++i) x = x + i * 0.5;
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const qint64 rusageNs = (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000 +
                            (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
    const qint64 procNs = bench::ProcessCpuNs(::getpid());
    QVERIFY2(qAbs(procNs - rusageNs) < 50'000'000,
             qPrintable(QStringLiteral("%1 %2").arg(procNs).arg(rusageNs)));
    QVERIFY(bench::PeakKiB(::getpid()) > 1000);
    QCOMPARE(bench::ProcessCpuNs(0), 0);
    QCOMPARE(bench::PeakKiB(0), 0);

    // A process whose name holds blanks and parentheses: the fields after
    // the name are still found (an idle one has next to no CPU time).
    QTemporaryDir dir;
    const QString odd = dir.filePath("x) 7 7 (y");
    QVERIFY(QFile::copy("/bin/sleep", odd));
    QFile::setPermissions(odd, QFile::ReadOwner | QFile::ExeOwner);
    QProcess sleeper;
    sleeper.start(odd, {"5"});
    QVERIFY(sleeper.waitForStarted());
    QTest::qWait(100);
    const qint64 idle = bench::ProcessCpuNs(sleeper.processId());
    sleeper.kill();
    sleeper.waitForFinished();
    QVERIFY2(idle >= 0 && idle < 500'000'000, qPrintable(QString::number(idle)));
    QCOMPARE(bench::ProcessCpuNs(sleeper.processId()), 0);  // gone
  }
};

QTEST_GUILESS_MAIN(TestPhaseTimers)
#include "test_PhaseTimers.moc"
