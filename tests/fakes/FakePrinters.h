#pragma once

#include "platform/printing/Printers.h"

namespace folvane::fakes {

// A printer list the test sets; the current printer follows what the test
// says, or what the fake profile's win.ini "device" names when `followWinIni`.
class FakePrinters final : public platform::Printers {
 public:
  QList<platform::PrinterInfo> printers{{QStringLiteral("Acrobat PDFWriter"),
                                         QStringLiteral("Folvane PDF"), QStringLiteral("PDFFILE:")},
                                        {QStringLiteral("Office"), QStringLiteral("HP LaserJet"),
                                         QStringLiteral("ipp://office/ipp")}};
  QString current = QStringLiteral("Office");
  int endDocCount = 0;

  QList<platform::PrinterInfo> InstalledPrinters() override { return printers; }
  QString CurrentPrinterDeviceName() override { return current; }
  void EndDoc() override { ++endDocCount; }
};

}  // namespace folvane::fakes
