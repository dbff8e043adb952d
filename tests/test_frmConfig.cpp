#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "config/frmConfig.h"
#include "fakes/FakePlatform.h"
#include "platform/profile/LinuxProfile.h"
#include "widgets/SettingsWrite.h"
#include "widgets/frmFile.h"

using namespace folvane;

namespace {

const QString kIni = QStringLiteral("/opt/folvane/Folvane.INI");

// The dialog over fakes, opened with the given settings and shown.
struct Opened {
  fakes::FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
  std::unique_ptr<frmConfig> dialog;

  explicit Opened(const SettingsRecord& settings = {}) {
    ini.Settings = settings;
    dialog = std::make_unique<frmConfig>(app);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
  }
  QStringList writes() const {
    QStringList out;
    for (const auto& c : fake.profile.calls)
      if (c.function == "Write") out << c.section + '/' + c.key + '=' + c.value;
    return out;
  }
  int reloads() const {
    int n = 0;
    for (const auto& c : fake.profile.calls) n += c.function == "Get";
    return n / 17;
  }
  QStringList messages() const {
    QStringList out;
    for (const auto& m : fake.ui.messages) out << m.text;
    return out;
  }
  // Replaces the focused box's text by typing.
  void retype(const char* text) {
    QWidget* box = QApplication::focusWidget();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, QString::fromUtf8(text));
  }
  void ctrlTab(bool shift = false) {
    QTest::keyClick(QApplication::focusWidget(), shift ? Qt::Key_Backtab : Qt::Key_Tab,
                    shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
  }
};

// The settings window over a real settings file in a folder of its own.
struct OnDisk {
  QTemporaryDir dir;
  fakes::FakePlatform fake;
  platform::LinuxProfile profile{platform::CodePage("UTF-8"), [] { return QString(); }};
  platform::Platform real = fake.with(profile);
  modIniFile ini{real};
  App app{real, ini};
  OnDisk() { fake.process.executablePath = dir.filePath("Folvane"); }
};

SettingsRecord filled() {
  SettingsRecord s;
  s.SourceDir = "C:\\src";
  s.DestDir = "D:\\out";
  s.PDFWriterName = "Acrobat PDFWriter";
  return s;
}

}  // namespace

class TestFrmConfig : public QObject {
  Q_OBJECT
 private slots:
  void opensWithFocusOnCancelAndLoadedControlsMarked() {
    SettingsRecord s = filled();
    s.DestDup = true;
    Opened o(s);
    QCOMPARE(o.dialog->windowTitle(), QStringLiteral("PDF コンバート環境設定"));
    QCOMPARE(QApplication::focusWidget(), o.dialog->cmdCancel);
    QVERIFY(!o.dialog->cmdApply->isEnabled());
    QCOMPARE(frmConfig::Tag(o.dialog->txtSourceDir), QStringLiteral("UPDATE"));
    QCOMPARE(frmConfig::Tag(o.dialog->chkDupFlg), QStringLiteral("UPDATE"));
    QCOMPARE(frmConfig::Tag(o.dialog->chkDelFlg), QString());     // left unchecked
    QCOMPARE(frmConfig::Tag(o.dialog->txtLogFile), QString());    // left empty
    QCOMPARE(frmConfig::Tag(o.dialog->cmbPDFWriter), QString());  // loading never marks it
    QCOMPARE(o.dialog->cmbPDFWriter->currentText(), QStringLiteral("Acrobat PDFWriter"));
    QCOMPARE(o.dialog->cmbPDFWriter->count(), 2);  // the installed printers, none selected
    QCOMPARE(o.dialog->cmbPDFWriter->currentIndex(), -1);
  }

  void okAtOnceWritesNothing() {
    Opened o(filled());
    o.dialog->cmdOk->click();
    QVERIFY(o.writes().isEmpty());
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
  }

  void oneChangeWritesBackEveryMarkedKeyThenReloads() {
    Opened o(filled());
    o.dialog->chkDupFlg->click();
    QVERIFY(o.dialog->cmdApply->isEnabled());
    o.dialog->cmdOk->click();
    QCOMPARE(o.writes(), (QStringList{"Source_Info/SourceDir=C:\\src", "Dest_Info/DestDir=D:\\out",
                                      "Dest_Info/DestDup=1"}));
    QCOMPARE(o.reloads(), 1);
    QVERIFY(o.messages().isEmpty());
  }

  // Today's formats: a box of page 0 in space no other control takes,
  // reached by Tab after 変換先ファイル重複時更新 and toggled by Space; written
  // after the page's other flags, and only when it was touched.
  void todaysFormatsBoxIsSavedLastAndOnlyWhenTouched() {
    Opened o(filled());
    QCheckBox* box = o.dialog->chkModern;
    QCOMPARE(box->text(), QStringLiteral(".docx・.xlsx なども変換する"));
    QVERIFY(!box->isChecked());
    QWidget* page = o.dialog->fraTab[0];
    QCOMPARE(box->parentWidget(), page);
    QVERIFY(page->rect().contains(box->geometry()));
    for (QWidget* other : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (other != box)
        QVERIFY2(!other->geometry().intersects(box->geometry()), qPrintable(other->objectName()));
    o.dialog->chkDupFlg->setFocus();
    QTest::keyClick(o.dialog->chkDupFlg, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(box->isChecked());
    o.dialog->chkFlip->click();
    o.dialog->cmdOk->click();
    const QStringList writes = o.writes();
    QCOMPARE(writes.mid(writes.size() - 2),
             (QStringList{"PDF_Info/chkFlip_flg=1", "Source_Info/ModernFormats=1"}));
    QVERIFY(o.ini.Settings.ModernFormats);

    SettingsRecord on = filled();
    on.ModernFormats = true;
    Opened loaded(on);
    QVERIFY(loaded.dialog->chkModern->isChecked());
    QCOMPARE(frmConfig::Tag(loaded.dialog->chkModern), QStringLiteral("UPDATE"));
  }

  void anEmptiedSourceIsWrittenThenStopsTheSave() {
    Opened o(filled());
    o.dialog->txtSourceDir->clear();
    o.dialog->cmdApply->click();
    QCOMPARE(o.writes(), QStringList{"Source_Info/SourceDir="});
    QCOMPARE(o.messages(),
             QStringList{"変換元ディレクトリーは必須項目です。再度入力してください。"});
    QCOMPARE(o.fake.ui.messages[0].icon, platform::MsgIcon::Information);
    QCOMPARE(o.reloads(), 0);
    QVERIFY(!o.dialog->cmdApply->isEnabled());
    QVERIFY(o.dialog->isVisible());
  }

  void aSourceNeverSetStopsEverySaveAtOnce() {
    Opened o;
    o.dialog->chkDelFlg->click();
    o.dialog->cmdApply->click();
    QVERIFY(o.writes().isEmpty());
    QCOMPARE(o.messages(),
             QStringList{"変換元ディレクトリーは必須項目です。再度入力してください。"});
  }

  void aLogFileWithTheFlagOffStopsAfterTheLogKeys() {
    SettingsRecord s = filled();
    s.LogFile = "/var/log/conv.log";
    Opened o(s);
    o.dialog->chkDupFlg->click();
    o.dialog->cmdApply->click();
    QCOMPARE(o.writes(),
             (QStringList{"Source_Info/SourceDir=C:\\src", "Dest_Info/DestDir=D:\\out",
                          "Dest_Info/DestDup=1", "Log_Info/LogFile=/var/log/conv.log"}));
    QCOMPARE(o.messages(), QStringList{"ログファイル作成フラグを入力してください。"});
    QCOMPARE(o.reloads(), 0);
  }

  void printerNameCheckDependsOnWhetherTheBoxWasLeft() {
    SettingsRecord s = filled();
    s.PDFWriterName.clear();
    {
      Opened never(s);
      never.dialog->chkFlip->click();
      never.dialog->cmdApply->click();
      QCOMPARE(never.messages(), QStringList{"PDF Writer 名を入力してください。"});
      QVERIFY(!never.writes().join(',').contains("chkFlip_flg"));
    }
    Opened left(s);
    left.dialog->cmbPDFWriter->setFocus();
    left.dialog->txtSourceDir->setFocus();  // leaving it marks it
    QCOMPARE(frmConfig::Tag(left.dialog->cmbPDFWriter), QStringLiteral("UPDATE"));
    QVERIFY(left.dialog->cmdApply->isEnabled());
    left.dialog->cmdApply->click();
    QVERIFY(left.messages().isEmpty());
    QVERIFY(left.writes().contains("PDF_Info/PDFWriterName="));
    QCOMPARE(left.reloads(), 1);
  }

  void aNameTypedAndConfirmedWithEnterIsSaved() {
    Opened o(filled());
    o.dialog->cmbPDFWriter->setFocus();
    o.dialog->cmbPDFWriter->setEditText("Office");
    QTest::keyClick(o.dialog->cmbPDFWriter->lineEdit(), Qt::Key_Return);
    QVERIFY(o.writes().contains("PDF_Info/PDFWriterName=Office"));
    QCOMPARE(o.dialog->cmbPDFWriter->count(), 2);  // nothing added to the list
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
  }

  // Typed as a user types: what is typed is what is saved, whatever the list holds.
  void thePrinterNameIsTakenAsTyped() {
    {
      Opened o(filled());  // the list holds "Acrobat PDFWriter"
      o.dialog->cmbPDFWriter->setFocus();
      o.retype("Acro");
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), o.dialog->chkFlip);
      QCOMPARE(o.dialog->cmbPDFWriter->currentText(), QStringLiteral("Acro"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK, the default button
      QVERIFY(o.writes().contains("PDF_Info/PDFWriterName=Acro"));
      QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
    }
    Opened o(filled());
    o.dialog->cmbPDFWriter->setFocus();
    o.retype("acrobat pdfwriter");
    QTest::keyClick(o.dialog->cmbPDFWriter->lineEdit(), Qt::Key_Return);
    QVERIFY(o.writes().contains("PDF_Info/PDFWriterName=acrobat pdfwriter"));
    QCOMPARE(o.dialog->cmbPDFWriter->currentIndex(), -1);
  }

  void applyByItsAccessKeyTakesTheNameBeingTyped() {
    Opened o(filled());
    o.dialog->chkDupFlg->setFocus();
    QTest::keyClick(o.dialog->chkDupFlg, Qt::Key_Space);  // a change: Apply is enabled
    QVERIFY(o.dialog->cmdApply->isEnabled());
    o.dialog->cmbPDFWriter->setFocus();
    o.retype("Mine");
    QTest::keyClick(o.dialog->cmbPDFWriter->lineEdit(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(
        o.writes().contains("PDF_Info/PDFWriterName=Mine"));  // the button clicks a moment later
    QVERIFY(!o.dialog->cmdApply->isEnabled());
    QCOMPARE(o.reloads(), 1);
  }

  void applyByItsAccessKeySavesANameTypedWithNothingElseChanged() {
    Opened o(filled());
    QVERIFY(!o.dialog->cmdApply->isEnabled());
    o.dialog->cmbPDFWriter->setFocus();
    o.retype("Office");  // typed keys, no other change before
    QVERIFY(o.dialog->cmdApply->isEnabled());
    QVERIFY(!IsMarked(o.dialog->cmbPDFWriter));  // marked only on leaving
    QTest::keyClick(o.dialog->cmbPDFWriter->lineEdit(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(o.writes().contains("PDF_Info/PDFWriterName=Office"));
    QVERIFY(!o.dialog->cmdApply->isEnabled());
  }

  void aJapaneseNameFromTheInputMethodIsSaved() {
    Opened o(filled());
    o.dialog->cmbPDFWriter->setFocus();
    o.retype("");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("経理部　複合機"));
    QApplication::sendEvent(o.dialog->cmbPDFWriter->lineEdit(), &commit);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // leaving marks it
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(o.writes().contains(QStringLiteral("PDF_Info/PDFWriterName=経理部　複合機")));
  }

  void everyControlUsesTheWindowsFont() {
    Opened o(filled());
    for (QWidget* w : std::initializer_list<QWidget*>{o.dialog.get(), o.dialog->cmbPDFWriter,
                                                      o.dialog->txtSourceDir, o.dialog->cmdOk,
                                                      o.dialog->chkLogFile, o.dialog->TabMain})
      QCOMPARE(w->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    // The log file's caption too, at its siblings' size, with room for all
    // of it beside its box.
    auto* caption = o.dialog->findChild<QLabel*>("Label13");
    QVERIFY(caption);
    QCOMPARE(caption->font(), o.dialog->chkLogFile->font());
    QVERIFY(caption->width() >= caption->sizeHint().width());
    QVERIFY(caption->height() >= caption->sizeHint().height());
    QVERIFY(caption->x() >= 0);
    QVERIFY(!caption->geometry().intersects(o.dialog->txtLogFile->geometry()));
  }

  void ctrlTabWalksTheTabsBothWays() {
    Opened o(filled());
    o.dialog->txtSourceDir->setFocus();
    o.ctrlTab();
    QCOMPARE(o.dialog->TabMain->currentIndex(), 1);
    QVERIFY(o.dialog->fraTab[1]->isEnabled());
    QCOMPARE(o.dialog->fraTab[0]->x(), -20000);
    QVERIFY(!o.dialog->fraTab[0]->isEnabled());
    QCOMPARE(QApplication::focusWidget(), o.dialog->TabMain);  // not lost in a hidden page
    o.ctrlTab();
    o.ctrlTab();
    QCOMPARE(o.dialog->TabMain->currentIndex(), 0);  // wrapped around
    o.ctrlTab(true);
    QCOMPARE(o.dialog->TabMain->currentIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                    Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(o.dialog->TabMain->currentIndex(), 0);  // Alt is ignored
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(o.dialog->TabMain->currentIndex(), 0);  // plain Tab only moves the focus
  }

  void aChosenDirectoryMarksItsBox() {
    Opened o;
    QTimer::singleShot(0, [] {
      std::function<void()> poll = [&poll] {
        if (auto* chooser = qobject_cast<frmFile*>(QApplication::activeModalWidget()))
          chooser->cmdExec->click();
        else
          QTimer::singleShot(10, poll);
      };
      poll();
    });
    o.dialog->cmdSrcDIr->click();
    QCOMPARE(o.app.DirSelectTarget, int16_t(1));
    QCOMPARE(o.dialog->txtSourceDir->text(), QStringLiteral("/home/user"));
    QCOMPARE(frmConfig::Tag(o.dialog->txtSourceDir), QStringLiteral("UPDATE"));
    QVERIFY(o.dialog->cmdApply->isEnabled());
    QCOMPARE(o.dialog->txtDestDir->text(), QString());
  }

  void logFileDialogFillsTheBoxOrChangesNothing() {
    Opened o(filled());
    o.fake.ui.fileAnswers = {QStringLiteral("/logs/new.txt"), std::nullopt};
    o.dialog->cmdLogFile->click();
    QCOMPARE(o.dialog->txtLogFile->text(), QStringLiteral("/logs/new.txt"));
    o.dialog->cmdLogFile->click();  // cancelled
    QCOMPARE(o.dialog->txtLogFile->text(), QStringLiteral("/logs/new.txt"));
    QCOMPARE(o.fake.ui.fileDialogs[0].filter,
             QStringLiteral("ログファイル(*.txt)|*.txt|すべてのファイル (*.*)|*.*"));
    QCOMPARE(o.fake.ui.fileDialogs[1].fileName, QStringLiteral("/logs/new.txt"));  // kept
  }

  void cancelAfterApplyKeepsWhatApplyWrote() {
    Opened o(filled());
    o.dialog->chkDupFlg->click();
    o.dialog->cmdApply->click();
    QVERIFY(o.ini.Settings.DestDup);
    const int calls = o.fake.profile.calls.size();
    o.dialog->cmdCancel->click();
    QCOMPARE(o.fake.profile.calls.size(), calls);
    QCOMPARE(*o.fake.profile.get(kIni, "Dest_Info", "DestDup"), QStringLiteral("1"));
    QCOMPARE(o.dialog->result(), int(QDialog::Rejected));
  }

  void aKeyThatCannotBeWrittenIsReportedAndStopsTheSave() {
    Opened o(filled());
    o.fake.profile.failWrites = true;
    o.dialog->chkDupFlg->click();
    o.dialog->cmdApply->click();
    QCOMPARE(o.fake.ui.messages.size(), 1);
    QVERIFY(o.messages()[0].contains(kIni));
    QCOMPARE(o.writes().size(), 1);  // stopped at the first failing key
    QCOMPARE(o.reloads(), 0);
  }

  // A pasted name with a line break cannot go into the file; the message says
  // which key, why, and what the file already holds.
  void aStopMidwaySaysWhichKeyWhyAndWhatWasWritten() {
    OnDisk d;
    auto [dir, fake, ini, app] = std::tie(d.dir, d.fake, d.ini, d.app);
    ini.Settings = filled();
    frmConfig dialog(app);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.cmbPDFWriter->setFocus();
    QLineEdit* edit = dialog.cmbPDFWriter->lineEdit();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QApplication::clipboard()->setText(QStringLiteral("Acrobat\nPDFWriter"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(fake.ui.messages.size(), 1);
    const QString text = fake.ui.messages[0].text;
    QVERIFY2(text.contains("PDFWriterName") && text.contains(QStringLiteral("改行")) &&
                 text.contains(QStringLiteral("SourceDir、DestDir は書き込まれました")) &&
                 !text.split(u'\n').contains(QStringLiteral("設定は保存されていません。")),
             qPrintable(text));
    QFile file(dir.filePath("Folvane.INI"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Source_Info]\r\nSourceDir=C:\\src\r\n"
                                        "[Dest_Info]\r\nDestDir=D:\\out\r\n"));
  }

  void aNewSettingsFileGetsItsKeysInOrder() {
    OnDisk d;
    auto [dir, fake, ini, app] = std::tie(d.dir, d.fake, d.ini, d.app);
    ini.Settings = filled();
    ini.Settings.SourceDir = "/src";
    ini.Settings.DestDir = "/dst";
    ini.Settings.LogFile = "/l.txt";
    ini.Settings.LogFileEnable = ini.Settings.SourceDel = ini.Settings.DestDup =
        ini.Settings.chkFlip_flg = true;
    frmConfig dialog(app);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.cmbPDFWriter->setFocus();
    dialog.cmdApply->setFocus();  // (disabled: focus goes on) the box has been left
    dialog.txtDestDir->setFocus();
    dialog.cmdApply->click();
    QFile file(dir.filePath("Folvane.INI"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("[Source_Info]\r\nSourceDir=/src\r\nSourceDel=1\r\n"
                        "[Dest_Info]\r\nDestDir=/dst\r\nDestDup=1\r\n"
                        "[Log_Info]\r\nLogFileEnable=1\r\nLogFile=/l.txt\r\n"
                        "[PDF_Info]\r\nPDFWriterName=Acrobat PDFWriter\r\nchkFlip_flg=1\r\n"));
  }
};

QTEST_MAIN(TestFrmConfig)
#include "test_frmConfig.moc"
