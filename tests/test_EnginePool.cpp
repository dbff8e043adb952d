#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "fakes/FailureOf.h"
#include "fakes/FakeCpuGauge.h"
#include "platform/Failure.h"
#include "platform/files/LinuxFiles.h"
#include "platform/office/EnginePool.h"

using namespace folvane::platform;
using folvane::fakes::failureOf;
using folvane::fakes::FakeCpuGauge;

namespace {

// Saves `text` as the file's whole content, in place, as an editor saves.
bool save(const QString& path, const QByteArray& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestEnginePool : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  OfficeEngine::Options options() {
    OfficeEngine::Options o;
    o.helperPath = QStringLiteral(FAKE_OFFICE);
    o.programDir = QStringLiteral("/");
    o.profileDir = dir_.filePath("profile");
    o.startTimeoutMs = 10000;
    o.documentTimeoutMs = 10000;
    return o;
  }
  QString at(const QString& name) { return dir_.filePath(name); }
  QStringList sources(const QString& folder, const QStringList& names) {
    QDir().mkpath(at(folder));
    QStringList paths;
    for (const QString& name : names) {
      QFile f(at(folder + "/" + name));
      if (f.open(QIODevice::WriteOnly)) f.write("first version of " + name.toUtf8() + "\n");
      paths << f.fileName();
    }
    return paths;
  }
  QStringList spooled(const QString& spool) {
    return QDir(spool).entryList(QDir::Files | QDir::NoDotAndDotDot);
  }

 private slots:
  void engineCountFollowsCoresAndMemory() {
    const qint64 mib = qint64(1) << 20;
    QCOMPARE(EngineCount(2, 24 * 1024 * mib), 2);
    QCOMPARE(EngineCount(16, 2400 * mib), 4);  // half of it, 300 MiB each
    QCOMPARE(EngineCount(8, 500 * mib), 1);    // always one
    QCOMPARE(EngineCount(4, 0), 1);            // unknown memory
    QCOMPARE(EngineCount(0, 24 * 1024 * mib), 1);
    QVERIFY(AvailableMemory() > 0);
  }

  // Another engine works only while most of a core sits idle and documents
  // wait; the last one goes idle when it brings less than half a core.
  void theEnginesWorkingFollowTheProcessorGiven() {
    EngineShare share(2);
    QCOMPARE(share.working(), 1);
    const auto reading = [](double seconds, double idle, double engines, bool backlog) {
      EngineShare::Reading r;
      r.seconds = seconds;
      r.idleCores = idle;
      r.engineCores = engines;
      r.backlog = backlog;
      return r;
    };
    QVERIFY(!share.Take(reading(0.2, 1.0, 1.0, true)));   // too short to tell
    QVERIFY(!share.Take(reading(0.5, 1.0, 1.0, false)));  // one keeps up
    QVERIFY(!share.Take(reading(0.5, 0.3, 1.0, true)));   // no core to give
    QVERIFY(share.Take(reading(0.5, 0.9, 1.0, true)));
    QCOMPARE(share.working(), 2);
    QVERIFY(!share.Take(reading(0.5, 0.9, 1.9, true)));  // no third engine
    QVERIFY(!share.Take(reading(0.5, 0.0, -1, true)));   // an engine had too little to do
    QVERIFY(share.Take(reading(0.5, 0.0, 1.1, true)));   // two on one core
    QCOMPARE(share.working(), 1);
    QVERIFY(!share.Take(reading(0.5, 0.0, 0.5, true)));  // never none
    QCOMPARE(share.working(), 1);
    QCOMPARE(share.mostWorking(), 2);
    QCOMPARE(EngineShare(0).working(), 1);

    // A desktop's own programs take half a core: the second engine gets the
    // rest, and keeps working while that is more than a third of a core.
    EngineShare desktop(2);
    QVERIFY(desktop.Take(reading(0.5, 0.45, 0.95, true)));
    QVERIFY(!desktop.Take(reading(0.5, 0.0, 1.45, true)));
    QVERIFY(desktop.Take(reading(0.5, 0.0, 1.1, true)));  // then another session came
    QCOMPARE(desktop.working(), 1);
  }

  // The kernel's figures, for a process whose name holds blanks and
  // parentheses as the name field of /proc/<pid>/stat shows them.
  void theGaugeReadsTheKernelsFigures() {
    const LinuxCpuGauge gauge;
    const QString odd = at("spin) (x");
    QVERIFY(QFile::link(QStringLiteral("/bin/sh"), odd));
    QProcess spin;
    spin.start(odd, {"-c", "i=0; while [ $i -lt 200000 ]; do i=$((i+1)); done; sleep 5"});
    QVERIFY(spin.waitForStarted());
    const qint64 idleBefore = gauge.IdleNs();
    QVERIFY(idleBefore > 0);
    QVERIFY(QTest::qWaitFor([&] { return gauge.ProcessNs(spin.processId()) >= 100000000; }));
    QVERIFY(gauge.IdleNs() >= idleBefore);
    spin.kill();
    spin.waitForFinished();
    QCOMPARE(gauge.ProcessNs(spin.processId()), qint64(0));  // gone
    QCOMPARE(gauge.ProcessNs(0), qint64(0));
  }

  // On a quiet machine both engines render ahead; beside another session's
  // busy core one does; when the core is taken mid-run the second goes idle
  // after its document. Files saved then, some while being rendered, show
  // their new version. Every PDF shows its own file, in the run's order.
  void theEnginesWorkingFollowTheMachine() {
    // The engine that rendered each document, and what the PDF showed.
    struct Run {
      QList<QByteArray> pids;
      QStringList wrong;
    };
    const auto run = [&](const QString& tag, FakeCpuGauge& gauge, const auto& during) {
      QStringList names;
      for (int i = 0; i < 10; ++i) names << QStringLiteral("%1-slow.doc").arg(i);
      const QStringList docs = sources(tag, names);
      EnginePool pool(options(), 2, &gauge);
      pool.Expect(docs, at("spool-" + tag));
      QDir().mkpath(at("out-" + tag));
      Run r;
      for (int i = 0; i < docs.size(); ++i) {
        during(i, pool, docs);
        const QString target = at(QStringLiteral("out-%1/%2.pdf").arg(tag).arg(i));
        pool.Render(docs[i], target);
        const QByteArray pdf = contents(target);
        const QByteArray shown = contents(docs[i]).trimmed();
        if (!pdf.contains(docs[i].toUtf8() + " " + shown)) r.wrong << QString::fromUtf8(pdf);
        r.pids << pdf.mid(pdf.indexOf("pid=")).trimmed();
      }
      pool.Expect({}, at("spool-" + tag));
      if (!spooled(at("spool-" + tag)).isEmpty()) r.wrong << QStringLiteral("left in the spool");
      return r;
    };
    const auto engines = [](const QList<QByteArray>& pids) {
      return QSet<QByteArray>(pids.begin(), pids.end()).size();
    };
    FakeCpuGauge quiet(1.0, 1.0);
    const Run quietRun = run("quiet", quiet, [](int, EnginePool&, const QStringList&) {});
    QCOMPARE(quietRun.wrong, QStringList());
    QCOMPARE(engines(quietRun.pids), 2);

    FakeCpuGauge busy(0.0, 1.0);
    int mostBusy = 0;
    const Run busyRun = run("busy", busy, [&](int, EnginePool& pool, const QStringList&) {
      mostBusy = std::max(mostBusy, pool.working());
    });
    QCOMPARE(busyRun.wrong, QStringList());
    QCOMPARE(engines(busyRun.pids), 1);
    QCOMPARE(mostBusy, 1);

    FakeCpuGauge taken(1.0, 1.0);
    bool shrank = false;
    const Run takenRun = run("taken", taken, [&](int i, EnginePool& pool, const QStringList& docs) {
      if (i != 2) return;
      if (!QTest::qWaitFor([&] { return pool.working() == 2 && pool.engine(1).busy(); })) return;
      taken.Set(0.0, 0.5);  // another session takes a core: each engine gets half of one
      for (const QString& doc : docs.mid(2)) save(doc, "second version\n");
      shrank = QTest::qWaitFor([&] { return pool.working() == 1; });
    });
    QVERIFY(shrank);
    QCOMPARE(takenRun.wrong, QStringList());
    // What was not handed out before goes to the one engine left.
    QCOMPARE(engines(takenRun.pids.mid(6)), 1);
  }

  // Every engine works, ahead of the run, and each document still gets its
  // own PDF however they finish.
  void documentsAreRenderedAheadOnEveryEngineInOrder() {
    const QStringList docs =
        sources("ahead", {"a-slow.doc", "b-slow.doc", "c.doc", "d-slow.doc", "e.xls", "f.doc"});
    const QString spool = at("spool-ahead");
    // The engines note when they start, are told to leave, and have left.
    qputenv("FAKE_OFFICE_TRACE", QFile::encodeName(at("trace")));
    qputenv("FAKE_OFFICE_LINGER", "0.3");
    EnginePool pool(options(), 2);
    pool.Expect(docs, spool);
    // Before the run asks for anything, both engines have work.
    QTRY_VERIFY(pool.engine(0).busy() && pool.engine(1).busy());
    QSet<QByteArray> pids;
    const int cores = QThread::idealThreadCount();
    for (int i = 0; i < docs.size(); ++i) {
      const QString target = at(QStringLiteral("spool-ahead/out%1.pdf").arg(i));
      pool.Render(docs[i], target);
      const QByteArray pdf = contents(target);
      QVERIFY2(pdf.contains(docs[i].toUtf8() + " first version"), pdf.constData());
      // Engines side by side share the cores rather than each taking all.
      QVERIFY2(pdf.contains(" threads=" + QByteArray::number(std::max(1, cores / 2)) + " "),
               pdf.constData());
      pids << pdf.mid(pdf.indexOf("pid="));
      QFile::remove(target);
    }
    QCOMPARE(pids.size(), 2);
    QCOMPARE(pool.engine(0).starts() + pool.engine(1).starts(), 2);
    pool.Expect({}, spool);
    QCOMPARE(spooled(spool), QStringList());
    // Quitting ends both engines side by side, not one after the other.
    pool.Stop();
    qunsetenv("FAKE_OFFICE_TRACE");
    qunsetenv("FAKE_OFFICE_LINGER");
    QCOMPARE(contents(at("trace")), QByteArray("start\nstart\neof\neof\nleave\nleave\n"));
  }

  // A run that passes files by (they failed before printing) or ends early
  // leaves no rendering behind, not even one finishing after the end.
  void whatTheRunDoesNotReachLeavesNothing() {
    const QStringList docs = sources(
        "passed", {"p1.doc", "p2-slow.doc", "p3.doc", "p4-slow.doc", "p5-slow.doc", "p6.doc"});
    const QString spool = at("spool-passed");
    EnginePool pool(options(), 2);
    pool.Expect(docs, spool);
    QTRY_VERIFY(!spooled(spool).isEmpty());              // p1 is done
    pool.Render(docs[2], at("spool-passed/third.pdf"));  // p1 and p2 passed by
    QVERIFY(contents(at("spool-passed/third.pdf")).contains("p3.doc"));
    QFile::remove(at("spool-passed/third.pdf"));
    pool.Expect({}, spool);  // the run ends with p4.. still being rendered
    QTRY_VERIFY(!pool.engine(0).busy() && !pool.engine(1).busy());
    QCOMPARE(spooled(spool), QStringList());
    // The pool serves the next run as before.
    pool.Render(docs[5], at("spool-passed/again.pdf"));
    QVERIFY(contents(at("spool-passed/again.pdf")).contains("p6.doc"));
  }

  // A file saved again after its rendering began is rendered again; a
  // refused one keeps its reason; a crash costs that document only.
  void eachDocumentGetsItsOwnCurrentOutcome() {
    const QStringList docs =
        sources("edited", {"c1.doc", "c2.doc", "refuse-password.xls", "crash.doc", "c5.doc"});
    const QString spool = at("spool-edited");
    EnginePool pool(options(), 2);
    pool.Expect(docs, spool);
    QDir().mkpath(at("out"));
    pool.Render(docs[0], at("out/1.pdf"));
    // c2 is rendered ahead, then saved again.
    const auto renderedAhead = [&](const QByteArray& what) {
      for (const QString& name : spooled(spool))
        if (contents(spool + "/" + name).contains(what)) return true;
      return false;
    };
    QTRY_VERIFY(renderedAhead("c2.doc first version"));
    QVERIFY(save(docs[1], "second version, longer than the first\n"));
    pool.Render(docs[1], at("out/2.pdf"));
    QVERIFY(contents(at("out/2.pdf")).contains("second version"));
    try {
      pool.Render(docs[2], at("out/3.pdf"));
      QFAIL("a refused workbook rendered");
    } catch (const DocumentRefused& refused) {
      QCOMPARE(refused.reason(), QStringLiteral("password"));
    }
    QVERIFY(failureOf([&] { pool.Render(docs[3], at("out/4.pdf")); }).contains("異常終了"));
    pool.Render(docs[4], at("out/5.pdf"));
    QVERIFY(contents(at("out/5.pdf")).contains("c5.doc"));
    pool.Expect({}, spool);
    QTRY_COMPARE(spooled(spool), QStringList());
    QVERIFY(!QFile::exists(at("out/3.pdf")) && !QFile::exists(at("out/4.pdf")));
  }

  // A file saved again while its second rendering runs is rendered a third
  // time; one that never stands still ends after three, and the version each
  // returns is the one its PDF shows.
  void aFileSavedDuringItsRenderingIsRenderedAgain() {
    const QStringList docs = sources("saved", {"e-slow.doc", "f-slow.doc"});
    const QString spool = at("spool-saved");
    EnginePool pool(options(), 1);
    pool.Expect(docs, spool);
    QTRY_VERIFY(!spooled(spool).isEmpty());  // e was rendered ahead
    QVERIFY(save(docs[0], "second version\n"));
    // The second rendering has taken its copy by then (it takes 0.3 s).
    QTimer::singleShot(150, [&] { save(docs[0], "third version, saved during the second\n"); });
    QDir().mkpath(at("out-saved"));
    const FileVersion e = pool.Render(docs[0], at("out-saved/e.pdf"));
    QVERIFY2(contents(at("out-saved/e.pdf")).contains("third version"),
             contents(at("out-saved/e.pdf")).constData());
    QVERIFY(e.stamp == StampOf(QFile::encodeName(docs[0])));
    QCOMPARE(e.stamp.size, qint64(QByteArray("third version, saved during the second\n").size()));

    // Saved every 100 ms: three renderings, then the last one's version,
    // which is no longer the file's.
    int saves = 0;
    QTimer saver;
    QObject::connect(&saver, &QTimer::timeout,
                     [&] { save(docs[1], "save " + QByteArray::number(++saves) + "\n"); });
    saver.start(100);
    QTRY_VERIFY(saves >= 2);
    const FileVersion f = pool.Render(docs[1], at("out-saved/f.pdf"));
    saver.stop();
    QVERIFY(f.known());
    QVERIFY(!(f.stamp == StampOf(QFile::encodeName(docs[1]))));
    QVERIFY2(saves >= 6, qPrintable(QString::number(saves)));  // renderings took their time
    QVERIFY(contents(at("out-saved/f.pdf")).contains("save "));
  }

  // A rendering made ahead that failed is tried again when the file was
  // saved since (a copy arrived whole); one that stands as it was keeps its
  // reason.
  void aFailureAheadIsRetriedOnlyForAChangedFile() {
    QDir().mkpath(at("retry"));
    QVERIFY(save(at("retry/saved.doc"), "refuse-damaged\n") &&
            save(at("retry/same.doc"), "refuse-damaged\n"));
    const QStringList docs{at("retry/saved.doc"), at("retry/same.doc")};
    EnginePool pool(options(), 1);
    pool.Expect(docs, at("spool-retry"));
    QTRY_VERIFY(!pool.engine(0).busy());  // both refused ahead
    QVERIFY(save(at("retry/saved.doc"), "whole at last\n"));
    QDir().mkpath(at("out-retry"));
    pool.Render(docs[0], at("out-retry/saved.pdf"));
    QVERIFY(contents(at("out-retry/saved.pdf")).contains("whole at last"));
    try {
      pool.Render(docs[1], at("out-retry/same.pdf"));
      QFAIL("an unchanged refused file rendered");
    } catch (const DocumentRefused& refused) {
      QCOMPARE(refused.reason(), QStringLiteral("damaged"));
    }
  }

  // Quitting while the run waits for a document: it fails at once, the
  // engines are gone, and nothing rendered ahead stays.
  void stopDuringAWaitEndsEveryEngine() {
    const QStringList docs = sources("stop", {"s1-hang.doc", "s2.doc", "s3.doc"});
    const QString spool = at("spool-stop");
    EnginePool pool(options(), 2);
    pool.Expect(docs, spool);
    QString second;
    QTimer::singleShot(300, [&] {
      second = failureOf([&] { pool.Render(docs[1], at("spool-stop/x.pdf")); });
      pool.Stop();
    });
    const QString why = failureOf([&] { pool.Render(docs[0], at("spool-stop/1.pdf")); });
    QVERIFY2(why.contains("終了しました"), qPrintable(why));
    QVERIFY(second.contains("変換中"));
    QCOMPARE(pool.engine(0).processId(), 0);
    QCOMPARE(pool.engine(1).processId(), 0);
    QCOMPARE(spooled(spool), QStringList());
  }
};

QTEST_GUILESS_MAIN(TestEnginePool)
#include "test_EnginePool.moc"
