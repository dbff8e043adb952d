#pragma once

#include "platform/office/Automation.h"
#include "platform/printing/Spooler.h"

namespace folvane::platform {

// The Acrobat automation objects on the qpdf library:
//  "AcroExch.App"   Exit
//  "AcroExch.PDDoc" Open, GetNumPages, InsertPages, Save, Close
//  "AcroExch.AVDoc" Open, GetPDDoc, PrintPages, Close
// A document that cannot be opened (damaged beyond repair, encrypted with a
// password, no PDF at all) raises a Failure naming the file.
class QpdfAcrobat final : public Automation {
 public:
  QpdfAcrobat(Spooler& spooler, QString spoolDir);

  std::shared_ptr<AutomationObject> CreateObject(const QString& progId) override;
  // PDDoc's Open takes each listed document from a thread that parses the
  // files ahead, as long as they are opened in the order given.
  std::shared_ptr<void> ReadAhead(const QStringList& paths) override;

  struct Shared;

 private:
  Spooler& spooler_;
  QString spoolDir_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace folvane::platform
