#include "LinuxPrinters.h"

#include <cups/cups.h>

#include <vector>

namespace folvane::platform {

CupsView QueryCups() {
  CupsView view;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; ++i) {
    const cups_dest_t& d = dests[i];
    if (d.instance) continue;  // instances share their queue's device
    const char* model = cupsGetOption("printer-make-and-model", d.num_options, d.options);
    const char* uri = cupsGetOption("device-uri", d.num_options, d.options);
    view.destinations.append({QString::fromUtf8(d.name), QString::fromUtf8(model ? model : ""),
                              QString::fromUtf8(uri ? uri : "")});
    if (d.is_default) view.defaultName = QString::fromUtf8(d.name);
  }
  cupsFreeDests(count, dests);
  return view;
}

LinuxPrinters::LinuxPrinters(Profile& profile, std::function<CupsView()> cups)
    : profile_(profile), cups_(std::move(cups)) {}

PrinterInfo LinuxPrinters::VirtualPdfPrinter() {
  return {kVirtualPdfPrinter, QStringLiteral("Folvane PDF"), QStringLiteral("PDFFILE:")};
}

QList<PrinterInfo> LinuxPrinters::InstalledPrinters() {
  QList<PrinterInfo> list{VirtualPdfPrinter()};
  list += cups_().destinations;
  return list;
}

QString LinuxPrinters::CurrentPrinterDeviceName() {
  std::vector<char> buffer(4096);
  const uint32_t n = profile_.GetProfileStringA(QStringLiteral("windows"), QStringLiteral("device"),
                                                QString(), buffer);
  const QString device = profile_.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
  const CupsView cups = cups_();
  QList<PrinterInfo> list{VirtualPdfPrinter()};
  list += cups.destinations;
  // The whole string is compared: a printer name may itself hold commas.
  if (!device.isEmpty()) {
    for (const PrinterInfo& p : list)
      if (p.DeviceName + u',' + p.DriverName + u',' + p.Port == device) return p.DeviceName;
  }
  return cups.defaultName;
}

}  // namespace folvane::platform
