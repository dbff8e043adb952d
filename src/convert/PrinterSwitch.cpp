#include "PrinterSwitch.h"

#include <vector>

#include "modAPIPrinter.h"

namespace folvane {
namespace {

const QString kWindows = QStringLiteral("windows");
const QString kDevice = QStringLiteral("device");

// win.ini [windows] "device" as it stands, or nullopt when it is not there.
std::optional<QString> readDevice(platform::Platform& platform) {
  // A sentinel default tells a missing key from any real value.
  const QString missing = QStringLiteral("\x01missing\x01");
  std::vector<char> buffer(32768);
  const uint32_t n = platform.profile.GetProfileStringA(kWindows, kDevice, missing, buffer);
  const QString value =
      platform.profile.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
  if (value == missing) return std::nullopt;
  return value;
}

}  // namespace

std::optional<platform::PrinterInfo> PrinterSwitch::find(const QString& deviceName) {
  const QList<platform::PrinterInfo> printers = platform_.printers.InstalledPrinters();
  for (const platform::PrinterInfo& p : printers)
    if (p.DeviceName == deviceName) return p;
  return std::nullopt;
}

bool PrinterSwitch::Run(const QString& pdfWriterName, const std::function<void()>& job) {
  const QString rememberedName = platform_.printers.CurrentPrinterDeviceName();
  const std::optional<QString> rememberedDevice = readDevice(platform_);

  const auto pdfWriter = find(pdfWriterName);
  if (!pdfWriter) {
    // Printing to whatever happens to be the default would send documents
    // to a real printer instead of making PDFs.
    platform_.ui.MsgBox(pdfWriterName.isEmpty()
                            ? QStringLiteral("PDF プリンターが設定されていません。"
                                             "環境設定の「PDF Writer 名称」で設定してください。")
                            : QStringLiteral("PDF プリンター「%1」が見つかりません。"
                                             "環境設定の「PDF Writer 名称」を確認してください。")
                                  .arg(pdfWriterName),
                        platform::MsgIcon::Warning);
    return false;
  }
  SetDefaultPrinter(platform_, pdfWriter->DeviceName, pdfWriter->DriverName, pdfWriter->Port);
  platform_.printers.EndDoc();

  try {
    job();
  } catch (...) {
    restore(rememberedName, rememberedDevice);
    throw;
  }
  restore(rememberedName, rememberedDevice);
  return true;
}

void PrinterSwitch::restore(const QString& rememberedName,
                            const std::optional<QString>& rememberedDevice) {
  if (const auto previous = rememberedName.isEmpty() ? std::nullopt : find(rememberedName)) {
    SetDefaultPrinter(platform_, previous->DeviceName, previous->DriverName, previous->Port);
  } else {
    // The old default has gone, or there was none: put win.ini back as it
    // was, so the PDF printer does not stay the default by accident.
    platform_.profile.WriteProfileStringA(kWindows, kDevice, rememberedDevice);
    BroadcastWindowsIniChange(platform_);
  }
  platform_.printers.EndDoc();
}

}  // namespace folvane
