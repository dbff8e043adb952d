#pragma once

#include <functional>

#include "Printers.h"
#include "platform/profile/Profile.h"

namespace folvane::platform {

// What CUPS says: its destinations in its order and the name of its default.
struct CupsView {
  QList<PrinterInfo> destinations;
  QString defaultName;
};

// The CUPS destinations through libcups (cupsGetDests2).
CupsView QueryCups();

class LinuxPrinters final : public Printers {
 public:
  // `cups` is asked at each call; tests give a stand-in.
  LinuxPrinters(Profile& profile, std::function<CupsView()> cups = QueryCups);

  QList<PrinterInfo> InstalledPrinters() override;
  QString CurrentPrinterDeviceName() override;
  void EndDoc() override {}

  static PrinterInfo VirtualPdfPrinter();

 private:
  Profile& profile_;
  std::function<CupsView()> cups_;
};

}  // namespace folvane::platform
