#include "clsPDFMarge.h"

#include "platform/Failure.h"

namespace folvane {

using platform::Arg;
using platform::AutomationObject;
using platform::Variant;

namespace {

int64_t numberOf(const Variant& v) {
  if (auto i = std::get_if<int16_t>(&v)) return *i;
  if (auto i = std::get_if<int32_t>(&v)) return *i;
  throw platform::Failure(QStringLiteral("ページ数を取得できません。"));
}

}  // namespace

int16_t CInt(int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX)
    throw platform::Failure(
        QStringLiteral("オーバーフローしました（ページ番号 %1 は扱える範囲を超えています）。")
            .arg(value));
  return int16_t(value);
}

QString MergeFailureReport(const QStringList& failures) {
  return platform::ListedMessage(
      QStringLiteral("開けない PDF ファイルが %1 件あるため、統合できません"
                     "でした。統合ファイルは書き込んでいません。\n")
          .arg(failures.size()),
      failures);
}

QStringList clsPDFMarge::listPdfs() {
  return platform_.files.FileSearch(vSourceDir + QStringLiteral("*.pdf"), &unreadable_);
}

QString clsPDFMarge::pathOf(const QString& name) {
  return platform_.files.OpenablePath(vSourceDir + name);
}

int16_t clsPDFMarge::PdfInsert() {
  auto& automation = platform_.automation;
  std::shared_ptr<AutomationObject> app = automation.CreateObject(QStringLiteral("AcroExch.App"));
  std::shared_ptr<AutomationObject> base =
      automation.CreateObject(QStringLiteral("AcroExch.PDDoc"));

  const QStringList names = listPdfs();
  if (names.isEmpty()) return 1;  // nothing opened, nothing closed, no Exit
  QStringList paths;
  for (const QString& name : names) paths << pathOf(name);
  // Files are read on another core while the pages of the previous ones
  // are copied.
  const std::shared_ptr<void> readAhead = automation.ReadAhead(paths);

  // Every file is opened even after one has failed, so that one message
  // names them all; once one has failed nothing more is inserted or saved.
  QStringList failures;
  pageless_.clear();
  try {
    base->Invoke(QStringLiteral("Open"), {Arg(paths.front())});
    // Alone, the file is asked its pages here; else as the second goes in.
    if (names.size() == 1 && numberOf(base->Invoke(QStringLiteral("GetNumPages"), {})) == 0)
      pageless_ << names.front();
    tell(names.front(), {});
  } catch (const platform::Failure& e) {
    failures << e.message();
    tell(names.front(), e.message());
  }
  for (qsizetype i = 1; i < names.size(); ++i) {
    if (failures.isEmpty()) {
      vLastPage = CInt(numberOf(base->Invoke(QStringLiteral("GetNumPages"), {})) - 1);
      if (i == 1 && vLastPage < 0) pageless_ << names.front();
    }
    std::shared_ptr<AutomationObject> source =
        automation.CreateObject(QStringLiteral("AcroExch.PDDoc"));
    try {
      source->Invoke(QStringLiteral("Open"), {Arg(paths[i])});
    } catch (const platform::Failure& e) {
      failures << e.message();
      tell(names[i], e.message());
      continue;
    }
    QString failure;
    if (failures.isEmpty()) {
      vNumberOfPage = CInt(numberOf(source->Invoke(QStringLiteral("GetNumPages"), {})));
      if (vNumberOfPage == 0) pageless_ << names[i];
      Variant lastPage(vLastPage);
      Variant sourceDoc(source);
      Variant numberOfPage(vNumberOfPage);
      try {
        base->Invoke(QStringLiteral("InsertPages"), {Arg::Ref(lastPage), Arg::Ref(sourceDoc),
                                                     Arg(0), Arg::Ref(numberOfPage), Arg(true)});
      } catch (const platform::Failure& e) {
        failures << e.message();
        failure = e.message();
      }
      vLastPage = std::get<int16_t>(lastPage);
      vNumberOfPage = std::get<int16_t>(numberOfPage);
    }
    tell(names[i], failure);
    source->Invoke(QStringLiteral("Close"), {});
  }
  if (!failures.isEmpty()) throw platform::Failure(MergeFailureReport(failures));

  Variant destFile(vDestFile);
  base->Invoke(QStringLiteral("Save"), {Arg(1), Arg::Ref(destFile)});
  base->Invoke(QStringLiteral("Close"), {});
  app->Invoke(QStringLiteral("Exit"), {});
  return 0;
}

void clsPDFMarge::PDFPrint() {
  auto& automation = platform_.automation;
  std::shared_ptr<AutomationObject> app = automation.CreateObject(QStringLiteral("AcroExch.APP"));
  std::shared_ptr<AutomationObject> view =
      automation.CreateObject(QStringLiteral("AcroExch.AVDoc"));
  std::shared_ptr<AutomationObject> doc = automation.CreateObject(QStringLiteral("AcroExch.PDDoc"));

  const QStringList names = listPdfs();
  platform::ProgressRun progress(platform_.progress, names.size());
  for (const QString& name : names) {
    progress.Working(name);
    try {
      view->Invoke(QStringLiteral("Open"), {Arg(pathOf(name)), Arg("")});
      const Variant pd = view->Invoke(QStringLiteral("GetPDDoc"), {});
      if (auto object = std::get_if<std::shared_ptr<AutomationObject>>(&pd)) doc = *object;
      Variant lastPage(CInt(numberOf(doc->Invoke(QStringLiteral("GetNumPages"), {})) - 1));
      view->Invoke(QStringLiteral("PrintPages"),
                   {Arg(0), Arg::Ref(lastPage), Arg(2), Arg(true), Arg(false)});
    } catch (const platform::Failure& e) {
      tell(name, e.message());
      throw;
    }
    tell(name, {});
    view->Invoke(QStringLiteral("Close"), {Arg(true)});
    progress.Step();
  }
  app->Invoke(QStringLiteral("Exit"), {});
}

}  // namespace folvane
