#pragma once

#include "OfficeEngine.h"
#include "platform/Office.h"
#include "platform/Spooler.h"

namespace folvane::platform {

// Word and Excel sessions over the shared engine: a session renders its
// document to a PDF and prints that to the default printer.
class LokOffice final : public Office {
 public:
  LokOffice(OfficeEngine& engine, Spooler& spooler, QString spoolDir)
      : engine_(engine), spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  std::unique_ptr<OfficeApplication> CreateApplication(OfficeKind kind) override;

 private:
  OfficeEngine& engine_;
  Spooler& spooler_;
  QString spoolDir_;
};

// The reason the engine gave for refusing a document, as the user reads it.
QString RefusalText(const QString& reason, OfficeKind kind);

}  // namespace folvane::platform
