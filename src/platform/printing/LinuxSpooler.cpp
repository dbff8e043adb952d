#include "LinuxSpooler.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <vector>

#include "platform/ErrnoText.h"
#include "platform/Failure.h"
#include "platform/files/FolderTemporary.h"
#include "platform/files/LinuxFiles.h"

namespace folvane::platform {

namespace {

// "<folder>/<name> (n).<ext>"
QString numbered(const QString& path, int n) {
  const QFileInfo info(path);
  const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(" (%1)").arg(n) + suffix);
}

}  // namespace

QList<Diversion> LinuxSpooler::TakeDiversions() {
  return std::exchange(diversions_, {});
}

QString LinuxSpooler::collectingFile() {
  std::vector<char> buffer(4096);
  const uint32_t n =
      profile_.GetProfileStringA(kPdfWriterIniSection, kPdfWriterFileNameValue, QString(), buffer);
  return profile_.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
}

void LinuxSpooler::writeVirtual(const QByteArray& pdf, const QString& target) {
  const auto cannotWrite = [&] {
    return Failure(QStringLiteral("PDF ファイル「%1」を書き込めません。").arg(target));
  };
  // Its own collecting file the printer replaces; written aside and renamed,
  // so the PDF is whole when this returns.
  if (QFileInfo(target).absoluteFilePath() == QFileInfo(collectingFile()).absoluteFilePath()) {
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) < 0 || !out.commit()) throw cannotWrite();
    return;
  }
  FolderTemporary temp(QFileInfo(target).absolutePath(), journal_);
  QFile out;
  if (!temp.isOpen() ||
      !out.open(temp.handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle) ||
      out.write(pdf) != pdf.size() || !out.flush() || ::fsync(temp.handle()) != 0)
    throw cannotWrite();
  constexpr int kMaxNumber = 9999;
  for (int n = 0; n <= kMaxNumber; ++n) {
    const QString name = n == 0 ? target : numbered(target, n);
    if (temp.PlaceNoReplace(name)) {
      if (n > 0) diversions_.append({target, name});
      return;
    }
    if (errno != EEXIST) throw cannotWrite();
  }
  throw cannotWrite();
}

QString LinuxSpooler::VirtualPrinterTarget() {
  if (const auto bytes = registry_.ReadValue(kPdfWriterRegistryKey, kPdfWriterFileNameValue)) {
    const QByteArray text =
        bytes->left(bytes->indexOf('\0') < 0 ? bytes->size() : bytes->indexOf('\0'));
    const QString path = profile_.codePage().decode(text);
    const QString folder = QFileInfo(path).absolutePath();
    const bool naming =
        !namingFolder_.isEmpty() &&
        QDir::cleanPath(folder) == QDir::cleanPath(QFileInfo(namingFolder_).absoluteFilePath());
    if (!path.isEmpty() && !naming && QFileInfo(folder).isDir()) return path;
  }
  return collectingFile();
}

namespace {

// Whether a CUPS scheduler answers at all (a few seconds at most).
bool CupsReachable() {
  http_t* http =
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 3000, nullptr);
  if (!http) return false;
  httpClose(http);
  return true;
}

}  // namespace

// Why no default printer is found: the printer win.ini names (its name is
// what comes before driver and port), and whether CUPS answers.
QString LinuxSpooler::NoPrinterCause() {
  std::vector<char> buffer(4096);
  const uint32_t n = profile_.GetProfileStringA(QStringLiteral("windows"), QStringLiteral("device"),
                                                QString(), buffer);
  const QString device = profile_.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
  const QString named = device.section(u',', 0, -3);
  if (!CupsReachable())
    return named.isEmpty()
               ? QStringLiteral("印刷サービス（CUPS）に接続できません。")
               : QStringLiteral(
                     "印刷サービス（CUPS）に接続できないため、プリンター「%1」を使えません。")
                     .arg(named);
  return named.isEmpty() ? QStringLiteral("既定のプリンターが設定されていません。")
                         : QStringLiteral("プリンター「%1」が見つかりません。").arg(named);
}

void LinuxSpooler::PrintPdf(const QString& pdfPath, const QString& title) {
  // Messages name the document as the user knows it, the printer and the cause.
  const QString document = title.isEmpty() ? pdfPath : title;
  const QString printer = printers_.CurrentPrinterDeviceName();
  if (printer.isEmpty())
    throw Failure(QStringLiteral("「%1」を印刷できません。%2").arg(document, NoPrinterCause()));
  const auto failure = [&](const QString& cause) {
    return Failure(QStringLiteral("「%1」をプリンター「%2」で印刷できません。%3")
                       .arg(document, printer, cause));
  };
  if (::access(QFile::encodeName(pdfPath).constData(), R_OK) != 0) {
    const int error = errno;
    throw failure(
        QStringLiteral("ファイル「%1」を読めません（%2）。").arg(pdfPath, ErrnoText(error)));
  }

  if (printer == kVirtualPdfPrinter) {
    const QString target = VirtualPrinterTarget();
    if (target.isEmpty())
      throw failure(QStringLiteral("PDF プリンターの出力先が設定されていません。"));
    QFile in(pdfPath);
    if (!in.open(QIODevice::ReadOnly))
      throw failure(QStringLiteral("ファイル「%1」を読めません。").arg(pdfPath));
    try {
      writeVirtual(in.readAll(), target);
    } catch (const Failure& e) {
      throw failure(e.message());
    }
    return;
  }

  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(),
                                 QFile::encodeName(pdfPath).constData(), title.toUtf8().constData(),
                                 0, nullptr);
  if (job != 0) return;
  // libcups reports a missing scheduler and a missing queue alike (an
  // internal error, "No such file or directory"): ask again to tell them apart.
  const ipp_status_t status = cupsLastError();
  const QString detail = QString::fromUtf8(cupsLastErrorString());
  if (!CupsReachable()) throw failure(QStringLiteral("印刷サービス（CUPS）に接続できません。"));
  if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
    throw failure(QStringLiteral("プリンターが印刷ジョブを受け付けていません（%1）。").arg(detail));
  if (cups_dest_t* dest =
          cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr))
    cupsFreeDests(1, dest);
  else
    throw failure(QStringLiteral("プリンターが見つかりません。"));
  throw failure(QStringLiteral("印刷ジョブが拒否されました（%1）。").arg(detail));
}

}  // namespace folvane::platform
