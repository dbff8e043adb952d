#include "PdfDocument.h"

#include <fcntl.h>
#include <unistd.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <set>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "PdfError.h"
#include "PooledFileInputSource.h"
#include "platform/ErrnoText.h"
#include "platform/Failure.h"
#include "platform/files/FolderTemporary.h"
#include "writer/PdfWriter.h"

namespace folvane::platform {
namespace {

std::string native(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString openFailure(const QString& path, const QString& reason) {
  return QStringLiteral("PDF ファイル「%1」を開けません（%2）。").arg(path, reason);
}

std::shared_ptr<QPDF> Read(const std::shared_ptr<PooledFileInputSource>& input,
                           std::shared_ptr<QPDF> pdf = std::make_shared<QPDF>()) {
  pdf->setSuppressWarnings(true);  // a file qpdf repairs is merged as repaired
  pdf->processInputSource(input);
  return pdf;
}

// The file a document was read from, opened again as it was then: another
// file under its name, or the file changed since, fails.
class FileOrigin final : public PdfOrigin {
 public:
  FileOrigin(PdfFilePool& files, std::string file, const FileStamp& stamp)
      : files_(files), file_(std::move(file)), stamp_(stamp) {}
  std::shared_ptr<QPDF> reopen() const override {
    return Read(std::make_shared<PooledFileInputSource>(files_, file_, stamp_));
  }

 private:
  PdfFilePool& files_;
  const std::string file_;
  const FileStamp stamp_;
};

}  // namespace

PdfDocument::PdfDocument(PdfFilePool& files, const QString& path) : files_(files), path_(path) {
  try {
    const auto input = std::make_shared<PooledFileInputSource>(files_, native(path));
    pdf_ = Read(input);
    origin_ = std::make_shared<FileOrigin>(files_, native(path), input->stamp());
    pdf_->getRoot();
    QPDFPageDocumentHelper(*pdf_).getAllPages();  // a page tree it cannot read fails here
    // A copied page takes only its own keys along: what it inherits from
    // the page tree (size, rotation, fonts) is put on the page itself first.
    pdf_->pushInheritedAttributesToPage();
  } catch (const QPDFExc& e) {
    throw Failure(
        openFailure(path, e.getErrorCode() == qpdf_e_password
                              ? QStringLiteral("パスワードで保護されています")
                              : QStringLiteral("壊れているか、PDF ファイルではありません: %1")
                                    .arg(QpdfCause(e.getMessageDetail()))));
  } catch (const std::exception& e) {
    // A file that cannot be read at all is told by its system cause.
    if (::access(native(path).c_str(), R_OK) != 0) {
      const int error = errno;
      throw Failure(openFailure(path, ErrnoText(error)));
    }
    throw Failure(openFailure(path, CauseOf(e)));
  }
}

PdfDocument::~PdfDocument() = default;

void PdfDocument::readAhead(bool structure) {
  if (!pdf_) return;
  try {
    QPDFObjectHandle root = pdf_->getRoot();
    std::set<QPDFObjGen> seen{root.getObjGen()};
    std::vector<QPDFObjectHandle> todo{pdf_->getTrailer().getKey("/Info")};
    for (const auto& [key, value] : root.ditems())
      if (structure || key != "/StructTreeRoot") todo.push_back(value);
    while (!todo.empty()) {
      QPDFObjectHandle h = std::move(todo.back());
      todo.pop_back();
      if (h.isIndirect() && !seen.insert(h.getObjGen()).second) continue;
      if (h.isStream()) h = h.getDict();  // its data is read when written
      if (h.isDictionary()) {
        for (const auto& [key, value] : h.ditems()) todo.push_back(value);
      } else if (h.isArray()) {
        for (const QPDFObjectHandle& item : h.aitems()) todo.push_back(item);
      }
    }
  } catch (const std::exception&) {
  }
}

int PdfDocument::pageCount() const {
  return writer_ ? writer_->pageCount() : int(pdf_->getAllPages().size());
}

void PdfDocument::insertPages(int after, PdfDocument& source, int first, int count,
                              bool bookmarks) {
  try {
    const std::shared_ptr<QPDF> pages = source.readable();
    if (!writer_) compose();
    // Pages read back from a composed document come from a temporary file:
    // that document is kept instead.
    writer_->insert(after, pages, first, count, bookmarks,
                    source.writer_ ? nullptr : source.origin_);
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure(QStringLiteral("「%1」のページを「%2」に挿入できません（%3）。")
                      .arg(source.path_, path_, CauseOf(e)));
  }
}

void PdfDocument::compose() {
  writer_ = std::make_unique<PdfWriter>(pdf_, PdfWriter::kHoldLimit, origin_);
  pdf_.reset();  // read again through its origin when written
}

std::shared_ptr<QPDF> PdfDocument::readable() const {
  if (!writer_) return pdf_;
  // Pages put together from others are read back from a file of their own,
  // removed when the last page read from it is let go of.
  QByteArray name = QFile::encodeName(QDir::tempPath() + QStringLiteral("/folvane-pages-XXXXXX"));
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw PdfError("一時ファイルを作れません", errno);
  try {
    writer_->write(fd);
  } catch (...) {
    ::close(fd);
    ::unlink(name.constData());
    throw;
  }
  ::close(fd);
  std::shared_ptr<QPDF> pdf(new QPDF, [name](QPDF* done) {
    delete done;
    ::unlink(name.constData());
  });
  return Read(std::make_shared<PooledFileInputSource>(files_, name.toStdString()), std::move(pdf));
}

void PdfDocument::save(const QString& target, const QString& journal) {
  // Every message names `target`, never the temporary file beside it.
  const auto failure = [&](const QString& reason) {
    return Failure(
        QStringLiteral("PDF ファイル「%1」を書き込めません（%2）。").arg(target, reason));
  };
  if (target.isEmpty()) throw failure(QStringLiteral("ファイル名が空です"));
  const QFileInfo info(target);
  if (!QFileInfo(info.absolutePath()).isDir())
    throw failure(QStringLiteral("保存先のフォルダー「%1」がありません").arg(info.absolutePath()));
  // Written as a temporary file of the target's folder, which nobody can
  // plant a link for and which a kill leaves nothing of, then put in place.
  FolderTemporary temp(info.absolutePath(), journal);
  try {
    if (!temp.isOpen()) throw PdfError("書き込めません", errno);
    if (!writer_) compose();
    writer_->write(temp.handle());
  } catch (const std::exception& e) {
    throw failure(CauseOf(e));
  }
  if (::fsync(temp.handle()) != 0 || !temp.PlaceReplacing(target)) {
    const int error = errno;
    throw failure(ErrnoText(error));
  }
}

void PdfDocument::extract(int first, int last, const QString& target) const {
  try {
    QPDF out;
    out.emptyPDF();
    const std::shared_ptr<QPDF> pdf = readable();
    const auto pages = QPDFPageDocumentHelper(*pdf).getAllPages();
    if (first < 0 || last >= int(pages.size()) || first > last)
      throw PdfError("ページ番号が範囲外です");
    QPDFPageDocumentHelper outPages(out);
    for (int i = first; i <= last; ++i)
      outPages.addPage(
          QPDFPageObjectHelper(out.copyForeignObject(pages[size_t(i)].getObjectHandle())), false);
    const std::string name = native(target);  // the writer keeps the pointer
    QPDFWriter writer(out, name.c_str());
    writer.write();
  } catch (const std::exception& e) {
    throw Failure(QStringLiteral("「%1」のページを取り出せません（%2）。").arg(path_, CauseOf(e)));
  }
}

}  // namespace folvane::platform
