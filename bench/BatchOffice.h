#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "platform/office/Office.h"
#include "platform/printing/Spooler.h"

namespace folvane::bench {

// Where the office of a run keeps its engines' things.
struct BatchOfficeSetup {
  QString helperPath;  // the folvane-office executable
  QString profileDir;  // LibreOffice profile (made warm beforehand by the bench)
  QString spoolDir;    // the work PDFs before they go to the printer
};

// The office ConvertDirectory prints through, made as the program makes it,
// with the engine processes behind it for the memory and CPU figures. The
// one place the bench makes it: a run with several engines swaps it here.
class BatchOffice {
 public:
  virtual ~BatchOffice() = default;
  virtual platform::Office& office() = 0;
  // The engine helpers running now.
  virtual QList<qint64> enginePids() const = 0;
  // How many engines rendered documents.
  virtual int enginesUsed() const = 0;
};

// How many engines the office has.
int EngineCountHere();

// A fresh office: no engine runs before its first document.
std::unique_ptr<BatchOffice> MakeBatchOffice(const BatchOfficeSetup& setup,
                                             platform::Spooler& spooler);

}  // namespace folvane::bench
