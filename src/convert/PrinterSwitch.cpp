#include "PrinterSwitch.h"

#include <vector>

#include "modAPIPrinter.h"

namespace folvane {
namespace {

const QString kWindows = QStringLiteral("windows");
const QString kDevice = QStringLiteral("device");
// The record kept while a switch is in force: who switched, what win.ini
// held before (see encodeBefore) and what the switch set.
const QString kRecord = QStringLiteral("PrinterSwitch");
const QString kPid = QStringLiteral("Pid");
const QString kBefore = QStringLiteral("Before");
const QString kDuring = QStringLiteral("During");

// A sentinel default tells a missing key from any real value.
const QString kMissing = QStringLiteral("\x01missing\x01");

std::optional<QString> decoded(platform::Platform& platform, const std::vector<char>& buffer,
                               uint32_t n) {
  const QString value =
      platform.profile.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n)));
  if (value == kMissing) return std::nullopt;
  return value;
}

// win.ini [windows] "device" as it stands, or nullopt when it is not there.
std::optional<QString> readDevice(platform::Platform& platform) {
  std::vector<char> buffer(32768);
  return decoded(platform, buffer,
                 platform.profile.GetProfileStringA(kWindows, kDevice, kMissing, buffer));
}

std::optional<QString> readRecord(platform::Platform& platform, const QString& key) {
  std::vector<char> buffer(65536);
  return decoded(platform, buffer,
                 platform.profile.GetPrivateProfileStringA(kRecord, key, kMissing, buffer,
                                                           platform.switchRecord));
}

QString hexOf(const QString& text) {
  return QString::fromLatin1(text.toUtf8().toHex());
}

// What win.ini held before the switch: the "device" text or none, and
// whether [windows] was there at all.
struct Before {
  std::optional<QString> device;
  bool section = true;
};

Before readBefore(platform::Platform& platform) {
  Before before{readDevice(platform), true};
  if (!before.device) {
    std::vector<char> names(32768);
    before.section =
        decoded(platform, names,
                platform.profile.GetProfileStringA(kWindows, std::nullopt, kMissing, names))
            .has_value();
  }
  return before;
}

// "+<hex>": the text; "-": no "device" in a [windows] that was there;
// "0": no [windows] at all.
QString encodeBefore(const Before& before) {
  if (before.device) return u'+' + hexOf(*before.device);
  return before.section ? QStringLiteral("-") : QStringLiteral("0");
}

Before decodeBefore(const QString& stored) {
  if (stored.startsWith(u'+'))
    return {QString::fromUtf8(QByteArray::fromHex(stored.mid(1).toLatin1())), true};
  return {std::nullopt, stored != u"0"};
}

// Clears the record. The file holds nothing else and goes with it, so no
// empty file stays behind in the system folder; not when another instance
// has written its record since.
void clearRecord(platform::Platform& platform) {
  platform.profile.WritePrivateProfileStringA(kRecord, std::nullopt, std::nullopt,
                                              platform.switchRecord);
  if (!readRecord(platform, kPid)) platform.files.Delete(platform.switchRecord);
}

// Puts win.ini back as it was: the same text, or no key when there was
// none, so a default that came from CUPS keeps following CUPS; a [windows]
// the switch made goes again, unless something else was put in it since.
void putBack(platform::Platform& platform, const Before& before) {
  platform.profile.WriteProfileStringA(kWindows, kDevice, before.device);
  if (!before.device && !before.section) {
    std::vector<char> names(1024);
    if (platform.profile.GetProfileStringA(kWindows, std::nullopt, QString(), names) == 0)
      platform.profile.WriteProfileStringA(kWindows, std::nullopt, std::nullopt);
  }
  BroadcastWindowsIniChange(platform);
  platform.printers.EndDoc();
}

}  // namespace

bool PrinterSwitch::Run(const QString& pdfWriterName, const std::function<void()>& job) {
  // A switch a dead run left is undone first. One still in force (another
  // instance's job) already knows the real default: it must not be taken
  // for the PDF printer, or the real default would be lost for good.
  Recover(platform_);
  const auto recorded = readRecord(platform_, kBefore);
  const Before before =
      recorded && readRecord(platform_, kDuring) ? decodeBefore(*recorded) : readBefore(platform_);

  std::optional<platform::PrinterInfo> pdfWriter;
  for (const platform::PrinterInfo& p : platform_.printers.InstalledPrinters()) {
    if (p.DeviceName == pdfWriterName) {
      pdfWriter = p;
      break;
    }
  }
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

  // The record goes first: whatever ends the process from here on, the
  // next start can undo the switch. "During" is written last, so a record
  // without it was never acted on.
  const QString during =
      pdfWriter->DeviceName + u',' + pdfWriter->DriverName + u',' + pdfWriter->Port;
  const QString& record = platform_.switchRecord;
  platform_.profile.WritePrivateProfileStringA(
      kRecord, kPid, QString::number(platform_.process.ProcessId()), record);
  platform_.profile.WritePrivateProfileStringA(kRecord, kBefore, encodeBefore(before), record);
  platform_.profile.WritePrivateProfileStringA(kRecord, kDuring, hexOf(during), record);

  SetDefaultPrinter(platform_, pdfWriter->DeviceName, pdfWriter->DriverName, pdfWriter->Port);
  platform_.printers.EndDoc();

  const auto restore = [&] {
    putBack(platform_, before);
    clearRecord(platform_);
  };
  try {
    job();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return true;
}

bool PrinterSwitch::Recover(platform::Platform& platform) {
  const auto pid = readRecord(platform, kPid);
  const auto before = readRecord(platform, kBefore);
  const auto during = readRecord(platform, kDuring);
  if (!pid && !before && !during) return false;
  const qint64 owner = pid ? pid->toLongLong() : 0;
  if (owner != platform.process.ProcessId() && platform.process.IsRunningInstance(owner))
    return false;  // another instance's job is still running

  bool putBackNow = false;
  if (before && during) {
    const QString set = QString::fromUtf8(QByteArray::fromHex(during->toLatin1()));
    // A default the user chose since is theirs to keep.
    putBackNow = readDevice(platform) == set;
    if (putBackNow) putBack(platform, decodeBefore(*before));
  }
  clearRecord(platform);
  return putBackNow;
}

}  // namespace folvane
