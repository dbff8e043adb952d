#pragma once

#include <QMap>
#include <QSet>
#include <QStringList>

#include "platform/Failure.h"
#include "platform/office/Automation.h"

namespace folvane::fakes {

// Acrobat objects that act out their calls: documents know their page counts
// (`pages`, by path), and every call is logged with its argument types, as
// "PDDoc1.InsertPages(&i16:4, &obj:PDDoc2, i16:0, &i16:3, bool:1)".
class FakeAutomation final : public platform::Automation {
 public:
  QStringList log;
  QMap<QString, int> pages;  // path -> page count
  QSet<QString> failOpen;
  QStringList created;  // programmatic identifiers as given

  std::shared_ptr<platform::AutomationObject> CreateObject(const QString& progId) override {
    created << progId;
    const QString id = progId.toLower();
    QString kind;
    if (id == u"acroexch.app")
      kind = QStringLiteral("App");
    else if (id == u"acroexch.pddoc")
      kind = QStringLiteral("PDDoc");
    else if (id == u"acroexch.avdoc")
      kind = QStringLiteral("AVDoc");
    else
      throw platform::Failure(QStringLiteral("unknown object ") + progId);
    return std::make_shared<Object>(*this, kind + QString::number(++counts_[kind]));
  }

  static QString describe(const platform::Variant& v) {
    if (auto i = std::get_if<int16_t>(&v)) return QStringLiteral("i16:%1").arg(*i);
    if (auto i = std::get_if<int32_t>(&v)) return QStringLiteral("i32:%1").arg(*i);
    if (auto b = std::get_if<bool>(&v)) return QStringLiteral("bool:%1").arg(*b ? 1 : 0);
    if (auto s = std::get_if<QString>(&v)) return QStringLiteral("str:") + *s;
    if (auto o = std::get_if<std::shared_ptr<platform::AutomationObject>>(&v))
      return QStringLiteral("obj:") + static_cast<Object*>(o->get())->name;
    return QStringLiteral("empty");
  }

 private:
  struct Object final : platform::AutomationObject {
    Object(FakeAutomation& owner, QString n) : fake(owner), name(std::move(n)) {}
    FakeAutomation& fake;
    QString name;
    QString path;  // of the open document
    std::shared_ptr<Object> view;

    platform::Variant Invoke(const QString& method, std::vector<platform::Arg> args) override {
      QStringList described;
      for (auto& a : args)
        described << (a.byRef() ? QStringLiteral("&") : QString()) + describe(a.get());
      fake.log << QStringLiteral("%1.%2(%3)").arg(name, method, described.join(", "));
      const QString m = method.toLower();
      if (m == u"open") {
        path = std::get<QString>(args[0].get());
        if (fake.failOpen.contains(path))
          throw platform::Failure(QStringLiteral("cannot open ") + path);
        if (name.startsWith(u"AVDoc")) {
          view = std::make_shared<Object>(fake, name + QStringLiteral(".PDDoc"));
          view->path = path;
        }
        return true;
      }
      if (m == u"getnumpages") return int32_t(fake.pages.value(path, 1));
      if (m == u"getpddoc") return std::shared_ptr<platform::AutomationObject>(view);
      if (m == u"insertpages") {
        auto src = std::get<std::shared_ptr<platform::AutomationObject>>(args[1].get());
        fake.pages[path] += fake.pages.value(static_cast<Object*>(src.get())->path, 1);
        return true;
      }
      if (m == u"save" || m == u"close" || m == u"exit" || m == u"printpages") return true;
      throw platform::Failure(QStringLiteral("no method ") + method);
    }
  };

  QMap<QString, int> counts_;
};

}  // namespace folvane::fakes
