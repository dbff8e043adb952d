#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace folvane::platform {

class AutomationObject;

// An automation value: nothing, a 16-bit or 32-bit integer, a boolean, a
// text or an object. (Automation's true is -1; here it is simply `true`.)
using Variant = std::variant<std::monostate, int16_t, int32_t, bool, QString,
                             std::shared_ptr<AutomationObject>>;

// One argument of a call: a value, or a reference to the caller's variable,
// which the callee may read and write.
class Arg {
 public:
  Arg(Variant value) : slot_(std::move(value)) {}     // NOLINT: implicit, as values are written
  Arg(int value) : slot_(Variant(int16_t(value))) {}  // NOLINT: literals are 16-bit integers
  Arg(bool value) : slot_(Variant(value)) {}          // NOLINT
  Arg(const char* text) : slot_(Variant(QString::fromUtf8(text))) {}  // NOLINT
  static Arg Ref(Variant& variable) {
    Arg a{Variant()};
    a.slot_ = &variable;
    return a;
  }
  Variant& get() { return slot_.index() == 0 ? std::get<0>(slot_) : *std::get<1>(slot_); }
  bool byRef() const { return slot_.index() == 1; }

 private:
  std::variant<Variant, Variant*> slot_;
};

// An object reached by method name with variant arguments (late binding).
// Method names match without regard to letter case. An unknown method, wrong
// arguments, or a call that cannot do its work throws platform::Failure.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual Variant Invoke(const QString& method, std::vector<Arg> args) = 0;
};

// Creates automation objects by programmatic identifier, letter case
// ignored; an unknown identifier throws platform::Failure.
class Automation {
 public:
  virtual ~Automation() = default;
  virtual std::shared_ptr<AutomationObject> CreateObject(const QString& progId) = 0;

  // Tells which documents are about to be opened, in this order, so that an
  // implementation may read them ahead on another core while the returned
  // handle is held (never longer than this object lives). Documents opened
  // otherwise open as ever.
  virtual std::shared_ptr<void> ReadAhead(const QStringList& paths) {
    (void)paths;
    return nullptr;
  }
};

}  // namespace folvane::platform
