#include "LokOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "platform/Failure.h"

namespace folvane::platform {
namespace {

class LokApplication final : public OfficeApplication {
 public:
  LokApplication(OfficeEngine& engine, Spooler& spooler, QString spoolDir)
      : engine_(engine), spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  void Open(const QString& path) override {
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
      throw Failure(QStringLiteral("ファイルを開けません。"));
    document_ = path;
  }

  void PrintOut() override {
    if (document_.isEmpty()) throw Failure(QStringLiteral("開いている文書がありません。"));
    QDir().mkpath(spoolDir_);
    QTemporaryFile pdf(spoolDir_ + QStringLiteral("/print-XXXXXX.pdf"));
    if (!pdf.open()) throw Failure(QStringLiteral("作業ファイルを作れません。"));
    pdf.close();
    engine_.Convert(document_, pdf.fileName(), QStringLiteral("pdf"));
    // LibreOffice can report success for a document it did not render.
    QFile check(pdf.fileName());
    if (!check.open(QIODevice::ReadOnly) || !check.read(5).startsWith("%PDF"))
      throw Failure(
          QStringLiteral("文書から PDF ができませんでした（パスワード付きか壊れた文書）。"));
    check.close();
    spooler_.PrintPdf(pdf.fileName(), QFileInfo(document_).fileName());
  }

  void Quit() override { document_.clear(); }

 private:
  OfficeEngine& engine_;
  Spooler& spooler_;
  QString spoolDir_;
  QString document_;
};

}  // namespace

std::unique_ptr<OfficeApplication> LokOffice::CreateApplication(OfficeKind) {
  return std::make_unique<LokApplication>(engine_, spooler_, spoolDir_);
}

}  // namespace folvane::platform
