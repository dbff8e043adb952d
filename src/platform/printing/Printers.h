#pragma once

#include <QList>
#include <QString>

namespace folvane::platform {

struct PrinterInfo {
  QString DeviceName;
  QString DriverName;
  QString Port;
  bool operator==(const PrinterInfo&) const = default;
};

// Device name of the built-in virtual PDF printer: settings files that name
// the Windows PDF printer keep working.
inline const QString kVirtualPdfPrinter = QStringLiteral("Acrobat PDFWriter");

// The installed printers and the default printer.
class Printers {
 public:
  virtual ~Printers() = default;

  // The virtual PDF printer first, then every CUPS destination, each with
  // device name, driver name and port. Without a CUPS server just the
  // virtual printer, at once.
  virtual QList<PrinterInfo> InstalledPrinters() = 0;

  // Device name of the application's current printer, which is the default
  // printer: the installed printer whose "name,driver,port" equals win.ini
  // [windows] "device", else the CUPS default. Empty when there is none.
  virtual QString CurrentPrinterDeviceName() = 0;

  // The argument-less call made on the printer object after a switch: ends
  // its current document, which is empty at that moment.
  virtual void EndDoc() = 0;
};

}  // namespace folvane::platform
