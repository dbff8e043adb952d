#include "QpdfAcrobat.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <functional>
#include <map>
#include <thread>

#include "PdfDocument.h"
#include "PdfReadAhead.h"
#include "PdfWorker.h"
#include "PooledFileInputSource.h"
#include "platform/Failure.h"
#include "platform/files/FolderTemporary.h"

namespace folvane::platform {

// What the objects of one QpdfAcrobat share: the second thread, and the
// documents it reads ahead.
struct QpdfAcrobat::Shared {
  PdfFilePool files;  // outlives the documents the worker still holds
  PdfWorker worker;
  std::weak_ptr<PdfReadAhead> readAhead;
  QString journal;  // of the temporary files a save makes

  std::unique_ptr<PdfDocument> open(const QString& path) {
    if (auto ahead = readAhead.lock())
      if (auto document = ahead->take(path)) return document;
    return std::make_unique<PdfDocument>(files, path);
  }

  // A document opened on the other thread is let go of there, while the
  // caller goes on; one opened here is let go of here, as memory given
  // back on another thread makes both threads wait for the allocator.
  void close(std::unique_ptr<PdfDocument> document) {
    if (!document || document->openedOn() == std::this_thread::get_id()) return;
    worker.post([document = std::shared_ptr<PdfDocument>(std::move(document))] {});
  }
};

namespace {

int toInt(const Variant& v) {
  if (auto i = std::get_if<int16_t>(&v)) return *i;
  if (auto i = std::get_if<int32_t>(&v)) return *i;
  if (auto b = std::get_if<bool>(&v)) return *b ? -1 : 0;
  throw Failure(QStringLiteral("数値の引数が必要です。"));
}

bool toBool(const Variant& v) {
  if (auto b = std::get_if<bool>(&v)) return *b;
  return toInt(v) != 0;
}

QString toText(const Variant& v) {
  if (auto s = std::get_if<QString>(&v)) return *s;
  throw Failure(QStringLiteral("文字列の引数が必要です。"));
}

// Method table of one automation class: names match without regard to case.
template <typename Self>
class Dispatch : public AutomationObject {
 public:
  using Method = std::function<Variant(Self&, std::vector<Arg>&)>;

  Variant Invoke(const QString& method, std::vector<Arg> args) override {
    const auto& table = Self::methods();
    const auto it = table.find(method.toLower());
    if (it == table.end())
      throw Failure(QStringLiteral("%1 にメソッド %2 はありません。").arg(Self::kName, method));
    if (args.size() != it->second.first)
      throw Failure(QStringLiteral("%1.%2 の引数の数が違います。").arg(Self::kName, method));
    return it->second.second(static_cast<Self&>(*this), args);
  }
};

template <typename Self>
using Table = std::map<QString, std::pair<size_t, typename Dispatch<Self>::Method>>;

class AcroApp final : public Dispatch<AcroApp> {
 public:
  static constexpr const char* kName = "AcroExch.App";
  static const Table<AcroApp>& methods() {
    static const Table<AcroApp> table{
        {"exit", {0, [](AcroApp&, std::vector<Arg>&) { return Variant(true); }}},
    };
    return table;
  }
};

class PDDoc final : public Dispatch<PDDoc> {
 public:
  static constexpr const char* kName = "AcroExch.PDDoc";
  explicit PDDoc(std::shared_ptr<QpdfAcrobat::Shared> shared) : shared_(std::move(shared)) {}
  std::unique_ptr<PdfDocument> doc;

  PdfDocument& open() {
    if (!doc) throw Failure(QStringLiteral("PDF 文書が開かれていません。"));
    return *doc;
  }

  static const Table<PDDoc>& methods() {
    static const Table<PDDoc> table{
        {"open",
         {1,
          [](PDDoc& d, std::vector<Arg>& a) {
            const QString path = toText(a[0].get());
            d.doc = d.shared_->open(path);
            return Variant(true);
          }}},
        {"getnumpages",
         {0, [](PDDoc& d, std::vector<Arg>&) { return Variant(int32_t(d.open().pageCount())); }}},
        {"insertpages",
         {5,
          [](PDDoc& d, std::vector<Arg>& a) {
            auto object = std::get_if<std::shared_ptr<AutomationObject>>(&a[1].get());
            auto* source = object ? dynamic_cast<PDDoc*>(object->get()) : nullptr;
            if (!source) throw Failure(QStringLiteral("挿入元の PDF 文書がありません。"));
            d.open().insertPages(toInt(a[0].get()), source->open(), toInt(a[2].get()),
                                 toInt(a[3].get()), toBool(a[4].get()));
            return Variant(true);
          }}},
        {"save",
         {2,
          [](PDDoc& d, std::vector<Arg>& a) {
            if (toInt(a[0].get()) != 1)
              throw Failure(QStringLiteral("全体保存（1）のみ扱えます。"));
            d.open().save(toText(a[1].get()), d.shared_->journal);
            return Variant(true);
          }}},
        {"close",
         {0,
          [](PDDoc& d, std::vector<Arg>&) {
            d.shared_->close(std::move(d.doc));
            return Variant(true);
          }}},
    };
    return table;
  }

 private:
  std::shared_ptr<QpdfAcrobat::Shared> shared_;
};

class AVDoc final : public Dispatch<AVDoc> {
 public:
  static constexpr const char* kName = "AcroExch.AVDoc";
  AVDoc(std::shared_ptr<QpdfAcrobat::Shared> shared, Spooler& spooler, QString spoolDir)
      : shared_(std::move(shared)), spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  static const Table<AVDoc>& methods() {
    static const Table<AVDoc> table{
        {"open",
         {2,
          [](AVDoc& v, std::vector<Arg>& a) {
            auto pd = std::make_shared<PDDoc>(v.shared_);
            pd->doc = std::make_unique<PdfDocument>(v.shared_->files, toText(a[0].get()));
            v.view_ = pd;
            return Variant(true);
          }}},
        {"getpddoc",
         {0,
          [](AVDoc& v, std::vector<Arg>&) {
            if (!v.view_) throw Failure(QStringLiteral("PDF 文書が開かれていません。"));
            return Variant(std::shared_ptr<AutomationObject>(v.view_));
          }}},
        {"printpages",
         {5,
          [](AVDoc& v, std::vector<Arg>& a) {
            v.print(toInt(a[0].get()), toInt(a[1].get()));
            return Variant(true);
          }}},
        {"close",
         {1,
          [](AVDoc& v, std::vector<Arg>&) {
            v.view_.reset();
            return Variant(true);
          }}},
    };
    return table;
  }

 private:
  void print(int first, int last) {
    if (!view_ || !view_->doc) throw Failure(QStringLiteral("PDF 文書が開かれていません。"));
    PdfDocument& doc = *view_->doc;
    const QString title = QFileInfo(doc.path()).fileName();
    if (first == 0 && last == doc.pageCount() - 1) {
      spooler_.PrintPdf(doc.path(), title);  // the whole file, as it is
      return;
    }
    QDir().mkpath(spoolDir_);
    QTemporaryFile part(spoolDir_ + QStringLiteral("/pages-XXXXXX.pdf"));
    if (!part.open()) throw Failure(QStringLiteral("作業ファイルを作れません。"));
    part.close();
    doc.extract(first, last, part.fileName());
    spooler_.PrintPdf(part.fileName(), title);
  }

  std::shared_ptr<QpdfAcrobat::Shared> shared_;
  Spooler& spooler_;
  QString spoolDir_;
  std::shared_ptr<PDDoc> view_;
};

}  // namespace

std::shared_ptr<AutomationObject> QpdfAcrobat::CreateObject(const QString& progId) {
  const QString id = progId.toLower();
  if (id == u"acroexch.app") return std::make_shared<AcroApp>();
  if (id == u"acroexch.pddoc") return std::make_shared<PDDoc>(shared_);
  if (id == u"acroexch.avdoc") return std::make_shared<AVDoc>(shared_, spooler_, spoolDir_);
  throw Failure(
      QStringLiteral("オートメーション オブジェクト「%1」を作成できません。").arg(progId));
}

QpdfAcrobat::QpdfAcrobat(Spooler& spooler, QString spoolDir)
    : spooler_(spooler), spoolDir_(std::move(spoolDir)), shared_(std::make_shared<Shared>()) {
  shared_->journal = TemporaryJournalIn(spoolDir_);
}

std::shared_ptr<void> QpdfAcrobat::ReadAhead(const QStringList& paths) {
  // The handle keeps the worker and the file pool the reading uses, even
  // past this object; the reading stops first.
  struct Handle {
    std::shared_ptr<Shared> shared;
    std::shared_ptr<PdfReadAhead> ahead;
  };
  auto ahead = std::make_shared<PdfReadAhead>(shared_->worker, shared_->files, paths);
  shared_->readAhead = ahead;
  return std::make_shared<Handle>(Handle{shared_, ahead});
}

}  // namespace folvane::platform
