#pragma once

#include <QSet>
#include <QStringList>
#include <functional>
#include <utility>

#include "FakeFiles.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"
#include "platform/printing/Spooler.h"

namespace folvane::fakes {

// Word and Excel that "print" by writing a small PDF to the collecting file
// in the fake file system. Every call is logged; each can fail on demand.
class FakeOffice final : public platform::Office {
 public:
  FakeOffice(FakeFiles& files, QString collectingFile)
      : files_(files), collectingFile_(std::move(collectingFile)) {}

  QStringList log;  // "Create Word", "Open <path>", "PrintOut", "Quit"
  bool failCreate = false;
  QSet<QString> failOpen;      // source paths
  QSet<QString> failPrint;     // source paths whose print throws
  QSet<QString> printNothing;  // source paths whose print "succeeds" without output
  std::function<void()> duringPrint;
  QList<QStringList> expected;  // every announcement of a run's documents

  void Expect(const QStringList& paths) override { expected << paths; }

  std::unique_ptr<platform::OfficeApplication> CreateApplication(
      platform::OfficeKind kind) override {
    log << (kind == platform::OfficeKind::Word ? QStringLiteral("Create Word")
                                               : QStringLiteral("Create Excel"));
    if (failCreate) throw platform::Failure(QStringLiteral("no engine"));
    return std::make_unique<App>(*this);
  }

 private:
  class App final : public platform::OfficeApplication {
   public:
    explicit App(FakeOffice& office) : office_(office) {}
    void Open(const QString& path) override {
      office_.log << QStringLiteral("Open ") + path;
      if (office_.failOpen.contains(path) || !office_.files_.has(path))
        throw platform::Failure(QStringLiteral("cannot open"));
      document_ = path;
    }
    void PrintOut() override {
      office_.log << QStringLiteral("PrintOut");
      if (document_.isEmpty()) throw platform::Failure(QStringLiteral("no document"));
      // What the rendering read; a change while it prints comes after.
      printed_ = office_.files_.VersionOf(document_);
      if (office_.duringPrint) office_.duringPrint();
      if (office_.failPrint.contains(document_))
        throw platform::Failure(QStringLiteral("engine crashed"));
      if (!office_.printNothing.contains(document_))
        office_.files_.put(office_.collectingFile_, "%PDF-1.4 from " + document_.toUtf8());
    }
    void Quit() override { office_.log << QStringLiteral("Quit"); }
    platform::FileVersion PrintedVersion() const override { return printed_; }

   private:
    FakeOffice& office_;
    QString document_;
    platform::FileVersion printed_;
  };

  FakeFiles& files_;
  QString collectingFile_;
};

class FakeSpooler final : public platform::Spooler {
 public:
  QStringList printed;  // "<path> <title>"
  bool fail = false;
  std::function<void(const QString&)> onPrint;  // looks at the file while it exists
  void PrintPdf(const QString& pdfPath, const QString& title) override {
    printed << pdfPath + u' ' + title;
    if (onPrint) onPrint(pdfPath);
    if (fail) throw platform::Failure(QStringLiteral("printer offline"));
  }
  QList<platform::Diversion> diversions;  // handed out at the next take
  QList<platform::Diversion> TakeDiversions() override { return std::exchange(diversions, {}); }
};

}  // namespace folvane::fakes
