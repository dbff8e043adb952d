#pragma once

#include "EnginePool.h"
#include "Office.h"
#include "platform/printing/Spooler.h"

namespace folvane::platform {

// Word and Excel sessions over the shared engines: a session renders its
// document to a PDF (or takes the one rendered ahead) and prints that to
// the default printer.
class LokOffice final : public Office {
 public:
  LokOffice(EnginePool& engines, Spooler& spooler, QString spoolDir)
      : engines_(engines), spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  std::unique_ptr<OfficeApplication> CreateApplication(OfficeKind kind) override;
  void Expect(const QStringList& paths) override { engines_.Expect(paths, spoolDir_); }

 private:
  EnginePool& engines_;
  Spooler& spooler_;
  QString spoolDir_;
};

// The reason the engine gave for refusing a document, as the user reads it.
QString RefusalText(const QString& reason, OfficeKind kind);

}  // namespace folvane::platform
