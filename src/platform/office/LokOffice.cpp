#include "LokOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/Failure.h"
#include "platform/files/LinuxFiles.h"

namespace folvane::platform {
namespace {

class LokApplication final : public OfficeApplication {
 public:
  LokApplication(OfficeKind kind, EnginePool& engines, Spooler& spooler, QString spoolDir)
      : kind_(kind), engines_(engines), spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  void Open(const QString& path) override {
    // By the bytes the listing read: a CP932 name has no other spelling.
    const QByteArray native = engines_.NativePath(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::access(native.constData(), R_OK) != 0)
      throw Failure(QStringLiteral("ファイルを開けません。"));
    document_ = path;
  }

  void PrintOut() override {
    if (document_.isEmpty()) throw Failure(QStringLiteral("開いている文書がありません。"));
    printed_ = {};
    QDir().mkpath(spoolDir_);
    QTemporaryFile pdf(spoolDir_ + QStringLiteral("/print-XXXXXX.pdf"));
    if (!pdf.open()) throw Failure(QStringLiteral("作業ファイルを作れません。"));
    pdf.close();
    try {
      printed_ = engines_.Render(document_, pdf.fileName());
    } catch (const DocumentRefused& refused) {
      throw Failure(RefusalText(refused.reason(), kind_));
    }
    // LibreOffice can report success for a document it did not render.
    QFile check(pdf.fileName());
    if (!check.open(QIODevice::ReadOnly) || !check.read(5).startsWith("%PDF"))
      throw Failure(
          QStringLiteral("文書から PDF ができませんでした（パスワード付きか壊れた文書）。"));
    check.close();
    spooler_.PrintPdf(pdf.fileName(), QFileInfo(document_).fileName());
  }

  void Quit() override { document_.clear(); }
  FileVersion PrintedVersion() const override { return printed_; }

 private:
  OfficeKind kind_;
  EnginePool& engines_;
  Spooler& spooler_;
  QString spoolDir_;
  QString document_;
  FileVersion printed_;
};

}  // namespace

QString RefusalText(const QString& reason, OfficeKind kind) {
  const QString what =
      kind == OfficeKind::Excel ? QStringLiteral("Excel ブック") : QStringLiteral("Word 文書");
  if (reason == u"password") return QStringLiteral("パスワードで保護されています。");
  if (reason == u"damaged") return QStringLiteral("ファイルが壊れているため開けません。");
  if (reason == u"empty") return QStringLiteral("空のファイルです（0 バイト）。");
  if (reason == u"busy")
    return QStringLiteral("ほかのプログラムが書き込み中のため、変換できませんでした。");
  if (reason == u"text")
    return QStringLiteral("%1ではありません（中身は文字だけのテキストです）。").arg(what);
  if (reason == u"picture") return QStringLiteral("%1ではありません（中身は画像です）。").arg(what);
  return QStringLiteral("%1ではありません（Word・Excel の形式ではありません）。").arg(what);
}

std::unique_ptr<OfficeApplication> LokOffice::CreateApplication(OfficeKind kind) {
  return std::make_unique<LokApplication>(kind, engines_, spooler_, spoolDir_);
}

}  // namespace folvane::platform
