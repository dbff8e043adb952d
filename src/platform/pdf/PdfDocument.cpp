#include "PdfDocument.h"

#include <fcntl.h>
#include <unistd.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QFileInfo>
#include <set>

#include "PooledFileInputSource.h"
#include "platform/ErrnoText.h"
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

// Named destinations mean nothing in another document: an outline entry
// points at its page directly before it is copied.
void resolveNamedDestinations(QPDF& pdf, QPDFObjectHandle node) {
  if (node.hasKey("/Dest"))
    node.replaceKey("/Dest", explicitDestination(pdf, node.getKey("/Dest")));
  QPDFObjectHandle action = node.getKey("/A");
  if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
    action = action.shallowCopy();
    action.replaceKey("/D", explicitDestination(pdf, action.getKey("/D")));
    node.replaceKey("/A", action);
  }
}

// One level of a rebuilt outline: its first and last entries and the
// number of entries it shows (children of open entries included).
struct OutlineLevel {
  QPDFObjectHandle first = QPDFObjectHandle::newNull();
  QPDFObjectHandle last = QPDFObjectHandle::newNull();
  int visible = 0;
};

constexpr int kOutlineDepth = 100;

// Rebuilds the entries from `item` on as fresh objects of `pdf`, following
// /Next and /First. An entry met a second time (a loop, or one shared by two
// parents) ends its chain there, so every entry comes out once and the new
// tree has no cycles.
OutlineLevel rebuildOutline(QPDF& pdf, QPDFObjectHandle item, QPDFObjectHandle parent,
                            std::set<QPDFObjGen>& seen, int depth) {
  OutlineLevel level;
  for (; item.isDictionary(); item = item.getKey("/Next")) {
    if (item.isIndirect() && !seen.insert(item.getObjGen()).second) break;
    QPDFObjectHandle node = pdf.makeIndirectObject(item.shallowCopy());
    for (const char* key : {"/Parent", "/First", "/Last", "/Next", "/Prev", "/Count"})
      node.removeKey(key);
    resolveNamedDestinations(pdf, node);
    if (parent.isDictionary()) node.replaceKey("/Parent", parent);
    if (level.last.isDictionary()) {
      level.last.replaceKey("/Next", node);
      node.replaceKey("/Prev", level.last);
    } else {
      level.first = node;
    }
    level.last = node;
    ++level.visible;
    if (depth >= kOutlineDepth) continue;
    OutlineLevel kids = rebuildOutline(pdf, item.getKey("/First"), node, seen, depth + 1);
    if (!kids.first.isDictionary()) continue;
    node.replaceKey("/First", kids.first);
    node.replaceKey("/Last", kids.last);
    QPDFObjectHandle count = item.getKey("/Count");
    const bool open = count.isInteger() && count.getIntValue() > 0;
    node.replaceKey("/Count", QPDFObjectHandle::newInteger(open ? kids.visible : -kids.visible));
    if (open) level.visible += kids.visible;
  }
  return level;
}

// The entries under an outline root, rebuilt; an entry that leads back to
// the root itself is cut as well.
OutlineLevel rebuildOutline(QPDF& pdf, QPDFObjectHandle root) {
  std::set<QPDFObjGen> seen;
  if (root.isIndirect()) seen.insert(root.getObjGen());
  return rebuildOutline(pdf, root.getKey("/First"), QPDFObjectHandle::newNull(), seen, 0);
}

QString openFailure(const QString& path, const QString& reason) {
  return QStringLiteral("PDF ファイル「%1」を開けません（%2）。").arg(path, reason);
}

}  // namespace

PdfDocument::PdfDocument(const QString& path) : path_(path), pdf_(std::make_shared<QPDF>()) {
  try {
    pdf_->setSuppressWarnings(true);  // a file qpdf repairs is merged as repaired
    pdf_->processInputSource(std::make_shared<PooledFileInputSource>(native(path)));
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
                                    .arg(QString::fromStdString(e.getMessageDetail()))));
  } catch (const QPDFSystemError& e) {
    throw Failure(openFailure(path, ErrnoText(e.getErrno())));
  } catch (const std::exception& e) {
    // A file that cannot be read at all is told by its system cause.
    if (::access(native(path).c_str(), R_OK) != 0) {
      const int error = errno;
      throw Failure(openFailure(path, ErrnoText(error)));
    }
    throw Failure(openFailure(path, QString::fromUtf8(e.what())));
  }
}

struct PdfDocument::OutlineCopy {
  OutlineLevel level;
};

PdfDocument::~PdfDocument() = default;

void PdfDocument::readAll() {
  try {
    pdf_->getObjectCount();  // resolves every object the file lists
    QPDFObjectHandle root = pdf_->getRoot().getKey("/Outlines");
    if (root.isDictionary() && root.getKey("/First").isDictionary())
      outlineCopy_ = std::make_unique<OutlineCopy>(OutlineCopy{rebuildOutline(*pdf_, root)});
  } catch (const std::exception&) {
    outlineCopy_.reset();
  }
}

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
    outlineCopy_.reset();  // this document's outline is about to change
    // Streams copied from a document as read from its file are read at save
    // time from that file alone; a document holding pages of others hands
    // out streams that are read through it, and it is kept.
    if (source.holdsCopies_) {
      sources_.push_back(source.pdf_);
      for (auto src : source.sources_) sources_.push_back(src);
    }
    holdsCopies_ = true;

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
  // Fresh entries in the source, each once, with no way back to the old
  // ones: the copier then copies exactly them. Made once per insertion, as
  // a second copy of the same entries would link them into a loop.
  OutlineLevel copied;
  if (source.outlineCopy_) {
    copied = source.outlineCopy_->level;
    source.outlineCopy_.reset();
  } else {
    QPDF& src = *source.pdf_;
    QPDFObjectHandle srcRoot = src.getRoot().getKey("/Outlines");
    if (!srcRoot.isDictionary() || !srcRoot.getKey("/First").isDictionary()) return;
    copied = rebuildOutline(src, srcRoot);
  }
  if (!copied.first.isDictionary()) return;

  QPDFObjectHandle root = pdf_->getRoot().getKey("/Outlines");
  if (!root.isDictionary()) {
    root = pdf_->makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    pdf_->getRoot().replaceKey("/Outlines", root);
  }
  if (outlineCount_ < 0) {
    // The base's own outline is followed once as well before it is extended.
    OutlineLevel own = rebuildOutline(*pdf_, root);
    for (QPDFObjectHandle item = own.first; item.isDictionary(); item = item.getKey("/Next"))
      item.replaceKey("/Parent", root);
    root.replaceKey("/First", own.first);
    root.replaceKey("/Last", own.last);
    outlineCount_ = own.visible;
  }

  // The pages were copied first, so the copier maps every destination onto
  // the copied page; it hands back the same copy for an object it has copied.
  QPDFObjectHandle first = pdf_->copyForeignObject(copied.first);
  QPDFObjectHandle last = pdf_->copyForeignObject(copied.last);
  for (QPDFObjectHandle item = first; item.isDictionary(); item = item.getKey("/Next"))
    item.replaceKey("/Parent", root);
  QPDFObjectHandle oldLast = root.getKey("/Last");
  if (oldLast.isDictionary()) {
    oldLast.replaceKey("/Next", first);
    first.replaceKey("/Prev", oldLast);
  } else {
    root.replaceKey("/First", first);
  }
  root.replaceKey("/Last", last);
  // Kept up to date rather than recounted: recounting the whole outline at
  // every insertion would make a merge of many files quadratic.
  outlineCount_ += copied.visible;
  root.replaceKey("/Count", QPDFObjectHandle::newInteger(outlineCount_));
}

void PdfDocument::save(const QString& target) {
  // Every message names `target`, never the temporary file beside it.
  const auto failure = [&](const QString& reason) {
    return Failure(
        QStringLiteral("PDF ファイル「%1」を書き込めません（%2）。").arg(target, reason));
  };
  if (target.isEmpty()) throw failure(QStringLiteral("ファイル名が空です"));
  const QFileInfo info(target);
  if (!QFileInfo(info.absolutePath()).isDir())
    throw failure(QStringLiteral("保存先のフォルダー「%1」がありません").arg(info.absolutePath()));
  const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                       QStringLiteral(".folvane-") + QString::number(::getpid());
  try {
    const std::string name = native(temp);  // the writer keeps the pointer
    QPDFWriter writer(*pdf_, name.c_str());
    // Streams go out as they came in: neither decoded nor, when they came
    // in plain, compressed, which for big pictures cost seconds.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    // One input's password and restrictions must not cover the pages of all
    // the others: the merged file is written unencrypted.
    writer.setPreserveEncryption(false);
    writer.write();
  } catch (const QPDFSystemError& e) {
    QFile::remove(temp);
    throw failure(ErrnoText(e.getErrno()));
  } catch (const std::exception& e) {
    QFile::remove(temp);
    throw failure(QString::fromUtf8(e.what()).replace(temp, target));
  }
  const int fd = ::open(native(temp).c_str(), O_RDWR | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    if (::fsync(fd) != 0) error = errno;
    ::close(fd);
  }
  if (error == 0 && ::rename(native(temp).c_str(), native(target).c_str()) != 0) error = errno;
  if (error != 0) {
    QFile::remove(temp);
    throw failure(ErrnoText(error));
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
