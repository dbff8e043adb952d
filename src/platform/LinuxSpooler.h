#pragma once

#include "Printers.h"
#include "Profile.h"
#include "Registry.h"
#include "Spooler.h"

namespace folvane::platform {

class LinuxSpooler final : public Spooler {
 public:
  LinuxSpooler(Profile& profile, Registry& registry, Printers& printers)
      : profile_(profile), registry_(registry), printers_(printers) {}

  void PrintPdf(const QString& pdfPath, const QString& title) override;
  QList<Diversion> TakeDiversions() override;

  // Where the virtual PDF printer writes its next PDF.
  QString VirtualPrinterTarget();

 private:
  QString collectingFile();
  void writeVirtual(const QByteArray& pdf, const QString& target);

  QList<Diversion> diversions_;
  QString NoPrinterCause();

  Profile& profile_;
  Registry& registry_;
  Printers& printers_;
};

}  // namespace folvane::platform
