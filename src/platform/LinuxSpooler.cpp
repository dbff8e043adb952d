#include "LinuxSpooler.h"

#include <cups/cups.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <vector>

#include "Failure.h"

namespace folvane::platform {

QString LinuxSpooler::VirtualPrinterTarget() {
  if (const auto bytes = registry_.ReadValue(kPdfWriterRegistryKey, kPdfWriterFileNameValue)) {
    const QByteArray text =
        bytes->left(bytes->indexOf('\0') < 0 ? bytes->size() : bytes->indexOf('\0'));
    const QString path = profile_.codePage().decode(text);
    if (!path.isEmpty() && QFileInfo(QFileInfo(path).absolutePath()).isDir()) return path;
  }
  std::vector<char> buffer(4096);
  const uint32_t n =
      profile_.GetProfileStringA(kPdfWriterIniSection, kPdfWriterFileNameValue, QString(), buffer);
  return profile_.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
}

void LinuxSpooler::PrintPdf(const QString& pdfPath, const QString& title) {
  const QString printer = printers_.CurrentPrinterDeviceName();
  if (printer.isEmpty())
    throw Failure(QStringLiteral("既定のプリンターが設定されていないため印刷できません。"));

  if (printer == kVirtualPdfPrinter) {
    const QString target = VirtualPrinterTarget();
    if (target.isEmpty())
      throw Failure(QStringLiteral("PDF プリンターの出力先が設定されていません。"));
    QFile in(pdfPath);
    if (!in.open(QIODevice::ReadOnly))
      throw Failure(QStringLiteral("印刷するファイル「%1」を読めません。").arg(pdfPath));
    // Written aside and renamed: the PDF is whole when this returns.
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
      throw Failure(QStringLiteral("PDF ファイル「%1」を書き込めません。").arg(target));
    return;
  }

  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(),
                                 QFile::encodeName(pdfPath).constData(), title.toUtf8().constData(),
                                 0, nullptr);
  if (job == 0)
    throw Failure(QStringLiteral("プリンター「%1」に印刷できません（%2）。")
                      .arg(printer, QString::fromUtf8(cupsLastErrorString())));
}

}  // namespace folvane::platform
