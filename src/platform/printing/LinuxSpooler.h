#pragma once

#include "Printers.h"
#include "Spooler.h"
#include "platform/profile/Profile.h"
#include "platform/profile/Registry.h"

namespace folvane::platform {

class LinuxSpooler final : public Spooler {
 public:
  // The virtual printer's temporary files in users' folders are recorded
  // in `journal` where they need a name (see FolderTemporary). A name in
  // `namingFolder` (the batch conversion's fixed output folder) only names
  // the document: its PDF goes to the collecting file even when someone
  // made that folder.
  LinuxSpooler(Profile& profile, Registry& registry, Printers& printers, QString journal = {},
               QString namingFolder = {})
      : profile_(profile),
        registry_(registry),
        printers_(printers),
        journal_(std::move(journal)),
        namingFolder_(std::move(namingFolder)) {}

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
  QString journal_;
  QString namingFolder_;
};

}  // namespace folvane::platform
