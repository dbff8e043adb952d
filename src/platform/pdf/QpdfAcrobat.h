#pragma once

#include "platform/Automation.h"
#include "platform/Spooler.h"

namespace folvane::platform {

// The Acrobat automation objects on the qpdf library:
//  "AcroExch.App"   Exit
//  "AcroExch.PDDoc" Open, GetNumPages, InsertPages, Save, Close
//  "AcroExch.AVDoc" Open, GetPDDoc, PrintPages, Close
// A document that cannot be opened (damaged beyond repair, encrypted with a
// password, no PDF at all) raises a Failure naming the file.
class QpdfAcrobat final : public Automation {
 public:
  QpdfAcrobat(Spooler& spooler, QString spoolDir)
      : spooler_(spooler), spoolDir_(std::move(spoolDir)) {}

  std::shared_ptr<AutomationObject> CreateObject(const QString& progId) override;

 private:
  Spooler& spooler_;
  QString spoolDir_;
};

}  // namespace folvane::platform
