#include <signal.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fakes/FailureOf.h"
#include "fakes/FakeOffice.h"
#include "platform/Failure.h"
#include "platform/office/EnginePool.h"
#include "platform/office/LokOffice.h"
#include "platform/office/OfficeEngine.h"

using namespace folvane::platform;
using folvane::fakes::failureOf;

namespace {

QString fakeHelper() {
  return QStringLiteral(FAKE_OFFICE);
}

}  // namespace

class TestOfficeEngine : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  OfficeEngine::Options options() {
    OfficeEngine::Options o;
    o.helperPath = fakeHelper();
    o.programDir = QStringLiteral("/");
    o.profileDir = dir_.filePath("profile");
    o.startTimeoutMs = 10000;
    o.documentTimeoutMs = 10000;
    return o;
  }
  QString out(const char* name) { return dir_.filePath(QString::fromUtf8(name)); }
  // A source file, as the engine reads one.
  QString src(const char* name) {
    QDir().mkpath(dir_.filePath("src"));
    QFile f(dir_.filePath("src/" + QString::fromUtf8(name)));
    if (!f.exists() && f.open(QIODevice::WriteOnly)) f.write("contents\n");
    return f.fileName();
  }

 private slots:
  void oneEngineServesManyDocuments() {
    OfficeEngine engine(options());
    for (const char* name : {"a.pdf", "b.pdf", "報告.pdf"}) {
      engine.Convert(src("doc"), out(name), "pdf");
      QVERIFY(QFile::exists(out(name)));
    }
    QCOMPARE(engine.starts(), 1);
    QVERIFY(engine.processId() > 0);
    // An engine on its own leaves LibreOffice its threads.
    QFile pdf(out("a.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().contains(" threads=" + qgetenv("MAX_CONCURRENCY") + " "));
  }

  void aCrashFailsThatDocumentOnlyAndTheNextGetsANewEngine() {
    OfficeEngine engine(options());
    engine.Convert(src("first"), out("c1.pdf"), "pdf");
    const QString why = failureOf([&] { engine.Convert(src("crash.doc"), out("c2.pdf"), "pdf"); });
    QVERIFY2(why.contains("異常終了"), qPrintable(why));
    QCOMPARE(engine.starts(),
             2);  // tried once more on a new engine, in case it was not the document
    engine.Convert(src("after"), out("c3.pdf"), "pdf");
    QVERIFY(QFile::exists(out("c3.pdf")));
    QCOMPARE(engine.starts(), 3);
  }

  void aHangIsEndedAtTheTimeLimit() {
    auto o = options();
    o.documentTimeoutMs = 400;
    OfficeEngine engine(o);
    const qint64 before = [&] {
      engine.Convert(src("warm"), out("h0.pdf"), "pdf");
      return engine.processId();
    }();
    // The window thread goes on with its events while the engine hangs.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    const QString why = failureOf([&] { engine.Convert(src("hang.doc"), out("h1.pdf"), "pdf"); });
    ticker.stop();
    QVERIFY2(why.contains("終えませんでした"), qPrintable(why));
    QVERIFY(ticks >= 3);
    QVERIFY(!QFile::exists(QStringLiteral("/proc/%1/cmdline").arg(before)) ||
            QFile(QStringLiteral("/proc/%1/cmdline").arg(before)).size() == 0);
    engine.Convert(src("after"), out("h2.pdf"), "pdf");
    QCOMPARE(engine.starts(), 2);
  }

  void anIdleEngineKilledMeanwhileCostsNoDocument() {
    OfficeEngine engine(options());
    engine.Convert(src("one"), out("k1.pdf"), "pdf");
    ::kill(pid_t(engine.processId()), SIGKILL);
    QTest::qWait(50);
    engine.Convert(src("two"), out("k2.pdf"), "pdf");
    QVERIFY(QFile::exists(out("k2.pdf")));
    QCOMPARE(engine.starts(), 2);
  }

  void engineIsRenewedAfterItsDocumentCount() {
    auto o = options();
    o.documentsPerEngine = 2;
    OfficeEngine engine(o);
    // The renewed engine takes its time to leave; its successor, on the
    // same profile, starts only then.
    qputenv("FAKE_OFFICE_TRACE", QFile::encodeName(out("trace")));
    qputenv("FAKE_OFFICE_LINGER", "0.3");
    for (const char* name : {"r1.pdf", "r2.pdf", "r3.pdf"})
      engine.Convert(src("x"), out(name), "pdf");
    qunsetenv("FAKE_OFFICE_TRACE");
    qunsetenv("FAKE_OFFICE_LINGER");
    QCOMPARE(engine.starts(), 2);
    QFile trace(out("trace"));
    QVERIFY(trace.open(QIODevice::ReadOnly));
    QCOMPARE(trace.readAll(), QByteArray("start\neof\nleave\nstart\n"));
    QVERIFY(QFile::exists(out("r3.pdf")));
  }

  void engineErrorsCarryTheirCause() {
    OfficeEngine engine(options());
    const QString why = failureOf([&] { engine.Convert(src("fail.doc"), out("e.pdf"), "pdf"); });
    QVERIFY2(why.contains("cannot load " + src("fail.doc")), qPrintable(why));
    QCOMPARE(engine.starts(), 1);  // an ordinary error keeps the engine
  }

  void refusedDocumentsAreToldWhyInJapanese() {
    EnginePool engines(options(), 1);
    OfficeEngine& engine = engines.engine(0);
    folvane::fakes::FakeSpooler spooler;
    LokOffice office(engines, spooler, dir_.filePath("spool"));
    const auto reasonFor = [&](const char* name, OfficeKind kind) {
      QFile source(dir_.filePath(QString::fromUtf8(name)));
      if (!source.open(QIODevice::WriteOnly)) return QStringLiteral("cannot make the source");
      source.close();
      auto app = office.CreateApplication(kind);
      app->Open(source.fileName());
      return failureOf([&] { app->PrintOut(); });
    };
    QCOMPARE(reasonFor("refuse-password.xls", OfficeKind::Excel),
             QStringLiteral("パスワードで保護されています。"));
    QCOMPARE(reasonFor("refuse-damaged.doc", OfficeKind::Word),
             QStringLiteral("ファイルが壊れているため開けません。"));
    QCOMPARE(reasonFor("refuse-empty.doc", OfficeKind::Word),
             QStringLiteral("空のファイルです（0 バイト）。"));
    QCOMPARE(reasonFor("refuse-picture.doc", OfficeKind::Word),
             QStringLiteral("Word 文書ではありません（中身は画像です）。"));
    QCOMPARE(reasonFor("refuse-text.xls", OfficeKind::Excel),
             QStringLiteral("Excel ブックではありません（中身は文字だけのテキストです）。"));
    QVERIFY(reasonFor("refuse-unknown.xls", OfficeKind::Excel)
                .startsWith("Excel ブックではありません"));
    QCOMPARE(reasonFor("refuse-busy.xls", OfficeKind::Excel),
             QStringLiteral("ほかのプログラムが書き込み中のため、変換できませんでした。"));
    QCOMPARE(engine.starts(), 1);  // a refusal keeps the engine
    QVERIFY(spooler.printed.isEmpty());
    // An error without a reason keeps LibreOffice's own words.
    QVERIFY(reasonFor("fail.doc", OfficeKind::Word).contains("cannot load"));
  }

  void missingPiecesAreExplained() {
    auto noHelper = options();
    noHelper.helperPath = dir_.filePath("nothing-here");
    QVERIFY(failureOf([&] {
              OfficeEngine(noHelper).Convert("/a", out("m.pdf"), "pdf");
            }).contains("見つかりません"));
    auto noOffice = options();
    noOffice.programDir = dir_.filePath("no-libreoffice");
    QVERIFY(failureOf([&] {
              OfficeEngine(noOffice).Convert("/a", out("m.pdf"), "pdf");
            }).contains("LibreOffice がインストールされていない"));
    qputenv("FAKE_OFFICE_NOREADY", "1");
    const QString why =
        failureOf([&] { OfficeEngine(options()).Convert("/a", out("m.pdf"), "pdf"); });
    qunsetenv("FAKE_OFFICE_NOREADY");
    QVERIFY2(why.contains("no office here"), qPrintable(why));
  }

  void stopDuringAHangEndsTheEngineAtOnce() {
    auto o = options();
    o.documentTimeoutMs = 60000;
    OfficeEngine engine(o);
    engine.Convert(src("warm"), out("q0.pdf"), "pdf");
    const qint64 pid = engine.processId();
    QString secondCall;
    // What the quit button does while the engine works on a document.
    QTimer::singleShot(200, [&] {
      secondCall = failureOf([&] { engine.Convert(src("other"), out("q2.pdf"), "pdf"); });
      engine.Stop();
    });
    const QString why = failureOf([&] { engine.Convert(src("hang.doc"), out("q1.pdf"), "pdf"); });
    QVERIFY2(why.contains("終了しました"), qPrintable(why));  // not the time limit
    QVERIFY(secondCall.contains("変換中"));
    QCOMPARE(engine.processId(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
    QCOMPARE(engine.starts(), 1);  // the document was not handed to a new engine
    engine.Convert(src("after"), out("q3.pdf"), "pdf");
    QVERIFY(QFile::exists(out("q3.pdf")));
  }

  void stopEndsTheHelper() {
    OfficeEngine engine(options());
    engine.Convert(src("x"), out("s.pdf"), "pdf");
    const qint64 pid = engine.processId();
    engine.Stop();
    QCOMPARE(engine.processId(), 0);
    QVERIFY(::kill(pid_t(pid), 0) != 0);
  }

  void sessionsPrintTheRenderedPdfAndCleanUp() {
    EnginePool engines(options(), 1);
    folvane::fakes::FakeSpooler spooler;
    const QString spool = dir_.filePath("spool");
    LokOffice office(engines, spooler, spool);
    QFile source(dir_.filePath("letter.doc"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.close();

    auto word = office.CreateApplication(OfficeKind::Word);
    QVERIFY(failureOf([&] { word->Open(dir_.filePath("absent.doc")); }).contains("開けません"));
    word->Open(source.fileName());
    word->PrintOut();
    word->Quit();
    QCOMPARE(spooler.printed.size(), 1);
    QVERIFY(spooler.printed[0].endsWith(" letter.doc"));
    QVERIFY(QDir(spool).entryList(QDir::Files).isEmpty());  // the rendered PDF is gone

    // A document LibreOffice "converts" to nothing is no PDF.
    QFile blank(dir_.filePath("blank.doc"));
    QVERIFY(blank.open(QIODevice::WriteOnly));
    blank.close();
    auto excel = office.CreateApplication(OfficeKind::Excel);
    excel->Open(blank.fileName());
    QVERIFY(failureOf([&] { excel->PrintOut(); }).contains("PDF ができませんでした"));
    QCOMPARE(spooler.printed.size(), 1);
  }
};

QTEST_GUILESS_MAIN(TestOfficeEngine)
#include "test_OfficeEngine.moc"
