#include "PdfDocument.h"

#include <unistd.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QFileInfo>

#include "PooledFileInputSource.h"
#include "platform/Failure.h"

namespace folvane::platform {
namespace {

std::string native(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// A named destination turned into the explicit one it stands for.
QPDFObjectHandle explicitDestination(QPDF& pdf, QPDFObjectHandle dest) {
  QPDFObjectHandle found;
  if (dest.isName()) {
    QPDFObjectHandle dests = pdf.getRoot().getKey("/Dests");
    if (dests.isDictionary()) found = dests.getKey(dest.getName());
  } else if (dest.isString()) {
    QPDFObjectHandle names = pdf.getRoot().getKey("/Names");
    if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
      QPDFNameTreeObjectHelper tree(names.getKey("/Dests"), pdf);
      tree.findObject(dest.getUTF8Value(), found);
    }
  } else {
    return dest;
  }
  if (found.isDictionary()) found = found.getKey("/D");
  return found.isArray() ? found : dest;
}

// Named destinations mean nothing in another document: make every item of
// the outline point at its page directly before it is copied.
void resolveNamedDestinations(QPDF& pdf, QPDFObjectHandle item, int depth = 0) {
  for (int guard = 0; item.isDictionary() && guard < 100000 && depth < 100; ++guard) {
    if (item.hasKey("/Dest"))
      item.replaceKey("/Dest", explicitDestination(pdf, item.getKey("/Dest")));
    QPDFObjectHandle action = item.getKey("/A");
    if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo"))
      action.replaceKey("/D", explicitDestination(pdf, action.getKey("/D")));
    resolveNamedDestinations(pdf, item.getKey("/First"), depth + 1);
    item = item.getKey("/Next");
  }
}

// The number of visible entries under an outline root, as /Count wants it.
int visibleCount(QPDFObjectHandle root) {
  int count = 0;
  int guard = 0;
  for (QPDFObjectHandle item = root.getKey("/First"); item.isDictionary() && guard < 1000000;
       item = item.getKey("/Next"), ++guard) {
    ++count;
    QPDFObjectHandle own = item.getKey("/Count");
    if (own.isInteger() && own.getIntValue() > 0) count += int(own.getIntValue());
  }
  return count;
}

}  // namespace

PdfDocument::PdfDocument(const QString& path) : path_(path), pdf_(std::make_shared<QPDF>()) {
  try {
    pdf_->setSuppressWarnings(true);  // a file qpdf repairs is merged as repaired
    pdf_->processInputSource(std::make_shared<PooledFileInputSource>(native(path)));
    pdf_->getRoot();
    QPDFPageDocumentHelper(*pdf_).getAllPages();  // a page tree it cannot read fails here
  } catch (const std::exception& e) {
    throw Failure(QStringLiteral("PDF ファイル「%1」を開けません（%2）。")
                      .arg(path, QString::fromUtf8(e.what())));
  }
}

PdfDocument::~PdfDocument() = default;

int PdfDocument::pageCount() const {
  return int(pdf_->getAllPages().size());
}

void PdfDocument::insertPages(int after, PdfDocument& source, int first, int count,
                              bool bookmarks) {
  try {
    QPDFPageDocumentHelper basePages(*pdf_);
    // qpdf's own page lists, not copies of them: a merge asks for them often.
    const std::vector<QPDFObjectHandle>& sourcePages = source.pdf_->getAllPages();
    const size_t pageCount = pdf_->getAllPages().size();
    if (first < 0 || count < 0 || size_t(first) + size_t(count) > sourcePages.size() ||
        after < -1 || after >= int(pageCount))
      throw std::runtime_error("page numbers out of range");
    sources_.push_back(source.pdf_);
    for (auto src : source.sources_) sources_.push_back(src);

    std::vector<QPDFPageObjectHelper> copies;
    for (int i = first; i < first + count; ++i)
      copies.emplace_back(pdf_->copyForeignObject(sourcePages[size_t(i)]));
    if (after == int(pageCount) - 1) {
      for (auto& page : copies) basePages.addPage(page, false);
    } else {
      // Each copy goes after the previous one, so the range keeps its order.
      bool before = after < 0;
      QPDFPageObjectHelper ref(pdf_->getAllPages()[before ? 0 : size_t(after)]);
      for (auto& page : copies) {
        basePages.addPageAt(page, before, ref);
        ref = page;
        before = false;
      }
    }
    if (bookmarks) appendOutline(source);
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure(QStringLiteral("「%1」のページを「%2」に挿入できません（%3）。")
                      .arg(source.path_, path_, QString::fromUtf8(e.what())));
  }
}

void PdfDocument::appendOutline(PdfDocument& source) {
  QPDF& src = *source.pdf_;
  QPDFObjectHandle srcRoot = src.getRoot().getKey("/Outlines");
  if (!srcRoot.isDictionary() || !srcRoot.getKey("/First").isDictionary()) return;
  resolveNamedDestinations(src, srcRoot.getKey("/First"));

  // The pages were copied first, so the copier maps every destination onto
  // the copied page.
  QPDFObjectHandle first = pdf_->copyForeignObject(srcRoot.getKey("/First"));
  QPDFObjectHandle last = first;
  for (QPDFObjectHandle next = first.getKey("/Next"); next.isDictionary();
       next = next.getKey("/Next"))
    last = next;

  QPDFObjectHandle root = pdf_->getRoot().getKey("/Outlines");
  if (!root.isDictionary()) {
    root = pdf_->makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    pdf_->getRoot().replaceKey("/Outlines", root);
  }
  for (QPDFObjectHandle item = first; item.isDictionary(); item = item.getKey("/Next"))
    item.replaceKey("/Parent", root);
  QPDFObjectHandle oldLast = root.getKey("/Last");
  if (oldLast.isDictionary()) {
    oldLast.replaceKey("/Next", first);
    first.replaceKey("/Prev", oldLast);
  } else {
    root.replaceKey("/First", first);
    first.removeKey("/Prev");
  }
  root.replaceKey("/Last", last);
  // Counted once, then kept up to date: recounting the whole outline at
  // every insertion would make a merge of many files quadratic.
  if (outlineCount_ < 0) {
    outlineCount_ = visibleCount(root);
  } else {
    for (QPDFObjectHandle item = first; item.isDictionary(); item = item.getKey("/Next")) {
      QPDFObjectHandle own = item.getKey("/Count");
      outlineCount_ +=
          1 + ((own.isInteger() && own.getIntValue() > 0) ? int(own.getIntValue()) : 0);
    }
  }
  root.replaceKey("/Count", QPDFObjectHandle::newInteger(outlineCount_));
}

void PdfDocument::save(const QString& target) {
  const QFileInfo info(target);
  const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                       QStringLiteral(".folvane-") + QString::number(::getpid());
  try {
    const std::string name = native(temp);  // the writer keeps the pointer
    QPDFWriter writer(*pdf_, name.c_str());
    writer.setDecodeLevel(qpdf_dl_none);  // streams go out as they came in
    writer.write();
  } catch (const std::exception& e) {
    QFile::remove(temp);
    throw Failure(QStringLiteral("PDF ファイル「%1」を書き込めません（%2）。")
                      .arg(target, QString::fromUtf8(e.what())));
  }
  QFile written(temp);
  const bool synced = written.open(QIODevice::ReadWrite) && ::fsync(written.handle()) == 0;
  written.close();
  if (!synced || ::rename(native(temp).c_str(), native(target).c_str()) != 0) {
    QFile::remove(temp);
    throw Failure(QStringLiteral("PDF ファイル「%1」を書き込めません。").arg(target));
  }
}

void PdfDocument::extract(int first, int last, const QString& target) const {
  try {
    QPDF out;
    out.emptyPDF();
    const auto pages = QPDFPageDocumentHelper(*pdf_).getAllPages();
    if (first < 0 || last >= int(pages.size()) || first > last)
      throw std::runtime_error("page numbers out of range");
    QPDFPageDocumentHelper outPages(out);
    for (int i = first; i <= last; ++i)
      outPages.addPage(
          QPDFPageObjectHelper(out.copyForeignObject(pages[size_t(i)].getObjectHandle())), false);
    const std::string name = native(target);  // the writer keeps the pointer
    QPDFWriter writer(out, name.c_str());
    writer.write();
  } catch (const std::exception& e) {
    throw Failure(QStringLiteral("「%1」のページを取り出せません（%2）。")
                      .arg(path_, QString::fromUtf8(e.what())));
  }
}

}  // namespace folvane::platform
