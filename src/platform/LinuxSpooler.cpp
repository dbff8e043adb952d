#include "LinuxSpooler.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <vector>

#include "Failure.h"

namespace folvane::platform {

namespace {

// "<folder>/<name> (n).<ext>"
QString numbered(const QString& path, int n) {
  const QFileInfo info(path);
  const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(" (%1)").arg(n) + suffix);
}

// Renames `from` to `to` unless `to` exists; false with errno EEXIST when it does.
bool renameNoReplace(const QString& from, const QString& to) {
  const QByteArray a = QFile::encodeName(from);
  const QByteArray b = QFile::encodeName(to);
  if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: link() refuses an existing name too.
  if (::link(a.constData(), b.constData()) == 0) {
    ::unlink(a.constData());
    return true;
  }
  if (errno == EEXIST) return false;
  if (QFileInfo::exists(to)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(a.constData(), b.constData()) == 0;
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
  QTemporaryFile temp(QFileInfo(target).dir().filePath(QStringLiteral(".folvane-print-XXXXXX")));
  if (!temp.open() || temp.write(pdf) != pdf.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
    throw cannotWrite();
  constexpr int kMaxNumber = 9999;
  for (int n = 0; n <= kMaxNumber; ++n) {
    const QString name = n == 0 ? target : numbered(target, n);
    if (renameNoReplace(temp.fileName(), name)) {
      temp.setAutoRemove(false);
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
    if (!path.isEmpty() && QFileInfo(QFileInfo(path).absolutePath()).isDir()) return path;
  }
  return collectingFile();
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
    writeVirtual(in.readAll(), target);
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
